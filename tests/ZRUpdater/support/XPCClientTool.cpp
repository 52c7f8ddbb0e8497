// Makes the application's calls to the sandbox service from inside a bundle and prints, per call, one
// JSON line with what came back. Calls are separated by ";;" and each opens its own connection:
//   xpc-client-tool copy SRC DST ;; move SRC DST ;; status TOOL ARG... ;; launch TOOL ARG...
//                   relaunch PID PATH FOLDER ;; quarantine PATH ;; raw '{"selector": ...}'
//                   stall COUNT (connections left with half a message) ;; sleep MS
#include "Platform/Bundle.h"
#include "Platform/ErrorPresenter.h"
#include "Platform/XPCSocket.h"
#include "Platform/XPCWire.h"
#include "ZRUpdater/ZRUpdaterXPCService.h"

#include <QCborValue>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <vector>

namespace {

QJsonValue errorJson(const Platform::OptionalError& error) {
    if (!error)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("domain"), error->domain()},
                       {QStringLiteral("code"), error->code()},
                       {QStringLiteral("description"), error->localizedDescription()}};
}

QJsonObject run(const QStringList& call, QJsonArray& presented) {
    const QString command = call.value(0);
    const QStringList args = call.mid(1);
    QJsonObject out{{QStringLiteral("command"), command}};
    if (command == QLatin1String("copy") || command == QLatin1String("move")) {
        Platform::OptionalError error;
        const bool result =
            command == QLatin1String("copy")
                ? ZRUpdaterXPCService::copyPathWithAuthentication(args.value(0), args.value(1), &error)
                : ZRUpdaterXPCService::movePathWithAuthentication(args.value(0), args.value(1), &error);
        out.insert(QStringLiteral("result"), result);
        out.insert(QStringLiteral("error"), errorJson(error));
    } else if (command == QLatin1String("status")) {
        out.insert(QStringLiteral("status"),
                   ZRUpdaterXPCService::terminationStatusOfTaskWithLaunchPath(args.value(0), args.mid(1)));
    } else if (command == QLatin1String("launch")) {
        out.insert(QStringLiteral("result"),
                   ZRUpdaterXPCService::launchTaskWithLaunchPath(args.value(0), args.mid(1)));
    } else if (command == QLatin1String("relaunch")) {
        ZRUpdaterXPCService::waitForApplicationWithProcessIDToQuit(args.value(0).toInt(), args.value(1),
                                                                   args.value(2));
    } else if (command == QLatin1String("quarantine")) {
        ZRUpdaterXPCService::releaseItemAtPathFromQuarantine(args.value(0));
    } else if (command == QLatin1String("raw")) {
        std::unique_ptr<ZRUpdaterSandboxServiceProtocol> proxy;
        Platform::OptionalError failure;
        auto connection = ZRUpdaterXPCService::setupConnectionAndProxy(&proxy, [](const Platform::Error&) {});
        Platform::Error error;
        const QCborMap request =
            QCborValue::fromJsonValue(QJsonDocument::fromJson(args.value(0).toUtf8()).object()).toMap();
        if (const std::optional<QCborMap> reply = connection->sendMessageWithReplySync(request, &error))
            out.insert(QStringLiteral("reply"), reply->toJsonObject());
        else
            out.insert(QStringLiteral("error"), errorJson(error));
    } else if (command == QLatin1String("stall")) {
        // Connections that send the first bytes of a message and nothing more, kept open until the end.
        static std::vector<int> stalled;
        QString reason;
        const QByteArray path = QFile::encodeName(Platform::XPCSocket::socketPath(
            ZRUpdaterSandboxServiceName, Platform::Bundle::mainBundle().bundlePath(), &reason));
        int opened = 0;
        for (int i = 0; i < args.value(0).toInt(); ++i) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
                ::send(fd, Platform::XPCWire::frame(QCborMap{{QStringLiteral("selector"), 1}}).constData(), 3,
                       MSG_NOSIGNAL) == 3)
                ++opened;
            stalled.push_back(fd);
        }
        out.insert(QStringLiteral("opened"), opened);
    } else if (command == QLatin1String("sleep")) {
        QThread::msleep(args.value(0).toULong());
    } else {
        out.insert(QStringLiteral("unknown"), true);
    }
    // Errors are presented on the main thread after the call returned.
    QCoreApplication::processEvents();
    out.insert(QStringLiteral("presented"), presented);
    presented = QJsonArray();
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QJsonArray presented;
    Platform::setErrorPresenter(
        [&presented](const Platform::Error& error) { presented.append(errorJson(error)); });
    QStringList call;
    const QStringList arguments = app.arguments().mid(1);
    for (qsizetype i = 0; i <= arguments.size(); ++i) {
        if (i < arguments.size() && arguments.at(i) != QLatin1String(";;")) {
            call.append(arguments.at(i));
            continue;
        }
        const QByteArray line = QJsonDocument(run(call, presented)).toJson(QJsonDocument::Compact);
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
        call.clear();
    }
    return 0;
}
