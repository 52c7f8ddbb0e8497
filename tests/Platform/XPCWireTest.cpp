// Framing of service messages and the place of the service's socket.
#include "Platform/XPCWire.h"
#include "Platform/XPCConnection.h"
#include "Platform/XPCSocket.h"

#include <QCborArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Platform;

namespace {

QCborMap sample(const QString& text) {
    QCborMap map;
    map.insert(QStringLiteral("selector"), text);
    map.insert(QStringLiteral("arguments"), QCborArray{1, true, QStringLiteral("a\nb")});
    return map;
}

QByteArray header(quint32 length) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian(length, bytes.data());
    return bytes;
}

TEST(XPCWireTest, MessagesArriveWholeHoweverTheBytesAreSplit) {
    const QByteArray stream =
        XPCWire::frame(sample(QStringLiteral("one"))) + XPCWire::frame(sample(QStringLiteral("two")));
    for (qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(7), stream.size()}) {
        XPCWire::FrameReader reader;
        QList<QCborMap> received;
        for (qsizetype offset = 0; offset < stream.size(); offset += piece) {
            reader.append(stream.mid(offset, piece));
            QCborMap message;
            while (reader.next(&message) == XPCWire::FrameReader::Status::Message)
                received.append(message);
        }
        ASSERT_EQ(received.size(), 2) << piece;
        EXPECT_EQ(received[0], sample(QStringLiteral("one")));
        EXPECT_EQ(received[1], sample(QStringLiteral("two")));
        EXPECT_EQ(reader.pendingBytes(), 0);
    }
}

TEST(XPCWireTest, OversizedOrMalformedFramesFailTheReaderForGood) {
    const QList<QByteArray> bad = {
        header(quint32(XPCWire::MaximumMessageSize) + 1),
        header(0xffffffffu),
        header(1) + QByteArray("\x01", 1),                       // a number, not a map
        header(2) + QByteArray("\xa1\x61", 2),                   // a map cut short
        header(3) + QByteArray("\xa0\xa0\xa0", 3).left(2) + "x", // a map followed by more bytes
    };
    for (const QByteArray& bytes : bad) {
        XPCWire::FrameReader reader;
        reader.append(bytes + XPCWire::frame(sample(QStringLiteral("after"))));
        QCborMap message;
        EXPECT_EQ(reader.next(&message), XPCWire::FrameReader::Status::Failed) << bytes.toHex().toStdString();
        EXPECT_FALSE(reader.error().isEmpty());
        EXPECT_EQ(reader.next(&message), XPCWire::FrameReader::Status::Failed);
    }
    QCborMap huge;
    huge.insert(QStringLiteral("x"), QString(XPCWire::MaximumMessageSize, QLatin1Char('a')));
    EXPECT_TRUE(XPCWire::frame(huge).isEmpty());
}

TEST(XPCWireTest, ErrorRepliesCarryDomainCodeAndDescription) {
    const Error error(QStringLiteral("d"), 42, QStringLiteral("text"));
    const std::optional<Error> read = XPCWire::errorInReply(XPCWire::errorReply(error));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, error);
    EXPECT_FALSE(XPCWire::errorInReply(sample(QStringLiteral("x"))).has_value());
}

class XPCSocketPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_runtime = m_root.filePath(QStringLiteral("runtime"));
        ::mkdir(QFile::encodeName(m_runtime).constData(), 0700);
        m_previous = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime));
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_previous); }

    QTemporaryDir m_root;
    QString m_runtime;
    QByteArray m_previous;
};

TEST_F(XPCSocketPathTest, EachBundleHasItsOwnSocketInAPrivateFolder) {
    QString error;
    const QString a =
        XPCSocket::socketPath(QStringLiteral("svc"), m_root.filePath(QStringLiteral("A.app")), &error);
    const QString b =
        XPCSocket::socketPath(QStringLiteral("svc"), m_root.filePath(QStringLiteral("B.app")), &error);
    ASSERT_FALSE(a.isEmpty()) << error.toStdString();
    EXPECT_NE(a, b);
    EXPECT_EQ(
        a, XPCSocket::socketPath(QStringLiteral("svc"), m_root.filePath(QStringLiteral("A.app/")), &error));
    EXPECT_TRUE(a.startsWith(m_runtime + QStringLiteral("/corvantide/")));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(m_runtime + QStringLiteral("/corvantide")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(XPCSocketPathTest, AFolderOthersCanEnterOrALinkIsRefused) {
    const QString folder = m_runtime + QStringLiteral("/corvantide");
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0755), 0);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    QString error;
    EXPECT_TRUE(XPCSocket::socketPath(QStringLiteral("svc"), m_root.path(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(m_root.filePath(QStringLiteral("elsewhere"))));
    ::chmod(QFile::encodeName(m_root.filePath(QStringLiteral("elsewhere"))).constData(), 0700);
    ASSERT_TRUE(QFile::link(m_root.filePath(QStringLiteral("elsewhere")), folder));
    EXPECT_TRUE(XPCSocket::socketPath(QStringLiteral("svc"), m_root.path(), &error).isEmpty());
}

// A service that takes the message and never answers does not hold the caller for ever.
TEST_F(XPCSocketPathTest, AReplyThatNeverComesEndsTheCallAtItsTimeLimit) {
    const QString path = m_root.filePath(QStringLiteral("silent.sock"));
    const QByteArray encoded = QFile::encodeName(path);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    XPCConnection connection = XPCConnection::toSocket(path);
    connection.setReplyTimeout(300);
    Error error;
    EXPECT_FALSE(connection.sendMessageWithReplySync(sample(QStringLiteral("x")), &error).has_value());
    EXPECT_EQ(error.code(), XPCConnection::ConnectionInterrupted);
    EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("no whole message")))
        << error.localizedDescription().toStdString();
    ::close(listener);
}

} // namespace
