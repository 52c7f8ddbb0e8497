#include "ZRKit/ZRFoundationExtensions.h"

#include "Platform/SystemLog.h"
#include "TestUtils.h"

#include <QDomDocument>
#include <QTcpServer>

#include <gtest/gtest.h>

TEST(ZRFoundationExtensionsTest, SocketStreamsConnectWhenOpenedAndCarryBothDirections) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    std::shared_ptr<ZRSocketStream> input, output;
    ZRStream::getStreamsToHostNamedPort(QStringLiteral("127.0.0.1"), server.serverPort(), &input, &output);
    ASSERT_TRUE(input && output);
    TestUtils::spin(50);
    EXPECT_FALSE(server.hasPendingConnections()); // unopened streams make no connection

    ASSERT_TRUE(output->open(QIODevice::WriteOnly));
    ASSERT_TRUE(input->open(QIODevice::ReadOnly));
    ASSERT_TRUE(ZRStream::writeData(output.get(), "ping"));
    ASSERT_TRUE(output->waitForBytesWritten(5000));
    ASSERT_TRUE(server.waitForNewConnection(5000));
    QTcpSocket* peer = server.nextPendingConnection();
    ASSERT_TRUE(TestUtils::waitUntil([&] { return peer->bytesAvailable() >= 4; }));
    EXPECT_EQ(peer->readAll(), QByteArray("ping"));
    peer->write("pong");
    ASSERT_TRUE(TestUtils::waitUntil([&] { return input->bytesAvailable() >= 4; }));
    EXPECT_EQ(input->readAll(), QByteArray("pong"));
    EXPECT_FALSE(server.hasPendingConnections()); // one connection for the pair

    input->close();
    output->close();
    EXPECT_TRUE(TestUtils::waitUntil([&] { return peer->state() == QAbstractSocket::UnconnectedState; }));

    // A refused connection is an error of the streams, not a silent success.
    const quint16 closed = server.serverPort();
    server.close();
    ZRStream::getStreamsToHostNamedPort(QStringLiteral("127.0.0.1"), closed, &input, &output);
    input->open(QIODevice::ReadOnly);
    EXPECT_FALSE(input->waitForReadyRead(5000));
    EXPECT_FALSE(input->errorString().isEmpty());
    char byte = 0;
    EXPECT_EQ(input->read(&byte, 1), -1);
}

TEST(ZRFoundationExtensionsTest, WritingToAStreamWhoseConnectionFailsAnswersFalseWithTheError) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closed = probe.serverPort();
    probe.close();
    std::shared_ptr<ZRSocketStream> input, output;
    ZRStream::getStreamsToHostNamedPort(QStringLiteral("127.0.0.1"), closed, &input, &output);
    ASSERT_TRUE(output->open(QIODevice::WriteOnly));
    Platform::SystemLog::Capture log;
    Platform::Error error;
    EXPECT_FALSE(ZRStream::writeData(output.get(), "ping", &error));
    EXPECT_FALSE(error.localizedDescription().isEmpty());
    EXPECT_EQ(error.localizedDescription(), output->errorString());
    EXPECT_TRUE(log.contains(QStringLiteral("Error while writing data to stream: ") + output->errorString()));
    EXPECT_EQ(output->bytesToWrite(), 0); // nothing kept for a connection that never stood
}

TEST(ZRFoundationExtensionsTest, XPathFindsDescendantsAndCountsPositionsPerParentPastTen) {
    QString xml = QStringLiteral("<r><x>1</x><g><x>2</x><x>3</x></g><l>");
    for (int i = 1; i <= 12; ++i)
        xml += QStringLiteral("<i n=\"%1\"/>").arg(i);
    xml += QStringLiteral("</l></r>");
    QDomDocument document;
    ASSERT_TRUE(document.setContent(xml));
    auto text = [&](const QDomNode& context, const QString& path) {
        QString error;
        const QDomNode node = ZRXMLNode::firstNodeForXPath(context, path, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return node.isAttr() ? node.nodeValue() : node.toElement().text();
    };
    EXPECT_EQ(text(document, QStringLiteral("//x")), QStringLiteral("1"));
    EXPECT_EQ(text(document, QStringLiteral("//x[2]")), QStringLiteral("3")); // the second x of its parent
    EXPECT_EQ(text(document, QStringLiteral("/r/l/i[11]/@n")), QStringLiteral("11"));
    EXPECT_EQ(text(document, QStringLiteral("//i[12]/@n")), QStringLiteral("12"));
    EXPECT_EQ(text(document.documentElement(), QStringLiteral("g//x")), QStringLiteral("2"));
    EXPECT_TRUE(ZRXMLNode::firstNodeForXPath(document, QStringLiteral("//i[13]")).isNull());
    QString error;
    EXPECT_TRUE(ZRXMLNode::firstNodeForXPath(document, QStringLiteral("//x[0]"), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(ZRFoundationExtensionsTest, XPathStartsDoubleSlashAtTheRootAndAnswersTheFirstNodeInDocumentOrder) {
    QDomDocument document;
    ASSERT_TRUE(document.setContent(QStringLiteral(
        "<r><x/><g/><a><a><b id=\"inner\"/></a><b id=\"outer\"/></a><t n=\"7\">hello</t></r>")));
    const QDomElement g = document.documentElement().firstChildElement(QStringLiteral("g"));
    auto first = [](const QDomNode& context, const QString& path) {
        QString error;
        const QDomNode node = ZRXMLNode::firstNodeForXPath(context, path, &error);
        EXPECT_TRUE(error.isEmpty()) << path.toStdString() << ": " << error.toStdString();
        EXPECT_FALSE(node.isNull()) << path.toStdString();
        return node;
    };
    EXPECT_EQ(first(g, QStringLiteral("//x")).nodeName(), QStringLiteral("x")); // "//" ignores the context
    EXPECT_EQ(first(document, QStringLiteral("//a/b")).toElement().attribute(QStringLiteral("id")),
              QStringLiteral("inner"));
    const QDomNode attribute = first(g, QStringLiteral("//@n"));
    EXPECT_TRUE(attribute.isAttr());
    EXPECT_EQ(attribute.nodeValue(), QStringLiteral("7"));
    const QDomNode text = first(document, QStringLiteral("//text()"));
    EXPECT_TRUE(text.isText());
    EXPECT_EQ(text.nodeValue(), QStringLiteral("hello"));
    EXPECT_TRUE(first(g, QStringLiteral("/")) == document); // the root node is the document
    for (const QString& path : {QStringLiteral("r///x"), QStringLiteral("///x"), QStringLiteral("r/"),
                                QStringLiteral("r//"), QStringLiteral("//")}) {
        QString error;
        EXPECT_TRUE(ZRXMLNode::firstNodeForXPath(document, path, &error).isNull()) << path.toStdString();
        EXPECT_FALSE(error.isEmpty()) << path.toStdString();
    }
}

TEST(ZRFoundationExtensionsTest, XPathRefusesFormsItCannotAnswerAndMatchesNamesInNoNamespace) {
    QDomDocument document;
    ASSERT_TRUE(document.setContent(QStringLiteral(
        "<r xmlns:p=\"urn:p\" n=\"1\"><x/><p:y/><d xmlns=\"urn:d\"><x/></d><t>a<![CDATA[b]]></t></r>")));
    for (const QString& path :
         {QStringLiteral("child::x"), QStringLiteral("r/@n[1]"), QStringLiteral("r/@*"),
          QStringLiteral("//p:y"), QStringLiteral("r/@xmlns:p"),
          QStringLiteral("//t/text()")}) { // "a" and the CDATA "b" are one XPath text node
        QString error;
        EXPECT_TRUE(ZRXMLNode::firstNodeForXPath(document, path, &error).isNull()) << path.toStdString();
        EXPECT_FALSE(error.isEmpty()) << path.toStdString();
    }
    // XPath 1.0 names without a prefix select elements in no namespace (d and its x are in urn:d), and
    // namespace declarations are no attributes.
    for (const QString& path :
         {QStringLiteral("//d"), QStringLiteral("r/*[3]/x"), QStringLiteral("r/*[3]/@xmlns")}) {
        QString error;
        EXPECT_TRUE(ZRXMLNode::firstNodeForXPath(document, path, &error).isNull()) << path.toStdString();
        EXPECT_TRUE(error.isEmpty()) << path.toStdString() << ": " << error.toStdString();
    }
    EXPECT_EQ(ZRXMLNode::firstNodeForXPath(document, QStringLiteral("r/*[3]/*")).parentNode().nodeName(),
              QStringLiteral("d")); // "*" is any element, in a namespace or not
}
