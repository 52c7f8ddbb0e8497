#include "ZRUpdater/ZRUpdaterSandboxServiceProtocol.h"

#include "Platform/XPCWire.h"

#include <QCborArray>
#include <QCborValue>

#include <climits>

namespace ZRUpdaterSandboxServiceMessages {

namespace {

const QString SelectorKey = QStringLiteral("selector");
const QString ArgumentsKey = QStringLiteral("arguments");
const QString ReplyKey = QStringLiteral("reply");

constexpr Method AllMethods[] = {Method::Copy, Method::Move, Method::ReleaseFromQuarantine,
                                 Method::LaunchTask, Method::WaitForApplication};

bool fail(QString* error, const QString& reason) {
    if (error != nullptr)
        *error = reason;
    return false;
}

bool readText(const QCborArray& arguments, qsizetype index, QString* out, QString* error) {
    const QCborValue value = arguments.at(index);
    if (!value.isString())
        return fail(error, QStringLiteral("argument %1 is not a text").arg(index + 1));
    *out = value.toString();
    if (out->contains(QChar(0)))
        return fail(error, QStringLiteral("argument %1 holds a NUL character").arg(index + 1));
    return true;
}

QCborValue encodeError(const Platform::OptionalError& error) {
    return error ? QCborValue(Platform::XPCWire::errorValue(*error)) : QCborValue(QCborValue::Null);
}

std::optional<QCborArray> replyValues(const QCborMap& message, qsizetype count) {
    const QCborValue values = message.value(ReplyKey);
    if (!values.isArray() || values.toArray().size() != count)
        return std::nullopt;
    return values.toArray();
}

} // namespace

QString selector(Method method) {
    switch (method) {
    case Method::Copy:
        return QStringLiteral("copyPathWithAuthentication:toPath:withReply:");
    case Method::Move:
        return QStringLiteral("movePathWithAuthentication:toPath:withReply:");
    case Method::ReleaseFromQuarantine:
        return QStringLiteral("releaseItemAtPathFromQuarantine:withReply:");
    case Method::LaunchTask:
        return QStringLiteral("launchTaskWithLaunchPath:arguments:waitUntilExit:withReply:");
    case Method::WaitForApplication:
        return QStringLiteral(
            "waitForApplicationWithProcessIDToQuit:relaunchFromPath:temporaryFolder:withReply:");
    }
    return {};
}

QCborMap encodeRequest(const Request& request) {
    QCborArray arguments;
    switch (request.method) {
    case Method::Copy:
    case Method::Move:
        arguments = {request.source, request.destination};
        break;
    case Method::ReleaseFromQuarantine:
        arguments = {request.path};
        break;
    case Method::LaunchTask:
        arguments = {request.path, QCborArray::fromStringList(request.arguments), request.waitUntilExit};
        break;
    case Method::WaitForApplication:
        arguments = {request.processID, request.path, request.temporaryFolder};
        break;
    }
    QCborMap message;
    message.insert(SelectorKey, selector(request.method));
    message.insert(ArgumentsKey, arguments);
    return message;
}

std::optional<Request> decodeRequest(const QCborMap& message, QString* error) {
    const QCborValue selectorValue = message.value(SelectorKey);
    const QCborValue argumentsValue = message.value(ArgumentsKey);
    if (!selectorValue.isString() || !argumentsValue.isArray()) {
        fail(error, QStringLiteral("a request needs a selector and an argument list"));
        return std::nullopt;
    }
    Request request;
    bool known = false;
    for (Method method : AllMethods)
        if (selector(method) == selectorValue.toString()) {
            request.method = method;
            known = true;
        }
    if (!known) {
        fail(error, QStringLiteral("unknown selector %1").arg(selectorValue.toString().left(200)));
        return std::nullopt;
    }
    const QCborArray arguments = argumentsValue.toArray();
    const qsizetype expected = request.method == Method::ReleaseFromQuarantine                    ? 1
                               : request.method == Method::Copy || request.method == Method::Move ? 2
                                                                                                  : 3;
    if (arguments.size() != expected) {
        fail(error, QStringLiteral("%1 takes %2 arguments, not %3")
                        .arg(selector(request.method))
                        .arg(expected)
                        .arg(arguments.size()));
        return std::nullopt;
    }
    bool ok = true;
    switch (request.method) {
    case Method::Copy:
    case Method::Move:
        ok = readText(arguments, 0, &request.source, error) &&
             readText(arguments, 1, &request.destination, error);
        break;
    case Method::ReleaseFromQuarantine:
        ok = readText(arguments, 0, &request.path, error);
        break;
    case Method::LaunchTask: {
        ok = readText(arguments, 0, &request.path, error);
        const QCborValue list = arguments.at(1);
        if (ok && !list.isArray())
            ok = fail(error, QStringLiteral("argument 2 is not a list"));
        const QCborArray items = list.toArray();
        for (qsizetype i = 0; ok && i < items.size(); ++i) {
            QString item;
            ok = readText(items, i, &item, error);
            request.arguments.append(item);
        }
        if (ok && !arguments.at(2).isBool())
            ok = fail(error, QStringLiteral("argument 3 is not a boolean"));
        request.waitUntilExit = arguments.at(2).toBool();
        break;
    }
    case Method::WaitForApplication: {
        const QCborValue pid = arguments.at(0);
        // Numbers beyond 64 bits arrive as floating point and are no integers at all.
        if (!pid.isInteger() || pid.toInteger() < INT_MIN || pid.toInteger() > INT_MAX)
            ok = fail(error, QStringLiteral("argument 1 is not a 32-bit integer"));
        else
            request.processID = qint32(pid.toInteger());
        ok = ok && readText(arguments, 1, &request.path, error) &&
             readText(arguments, 2, &request.temporaryFolder, error);
        break;
    }
    }
    if (!ok)
        return std::nullopt;
    return request;
}

QCborMap dispatch(const Request& request, ZRUpdaterSandboxServiceProtocol& object) {
    std::optional<QCborMap> reply;
    switch (request.method) {
    case Method::Copy:
    case Method::Move: {
        auto answer = [&reply](bool success, const Platform::OptionalError& error) {
            if (!reply)
                reply = successReply(success, error);
        };
        if (request.method == Method::Copy)
            object.copyPathWithAuthentication(request.source, request.destination, answer);
        else
            object.movePathWithAuthentication(request.source, request.destination, answer);
        break;
    }
    case Method::ReleaseFromQuarantine:
        object.releaseItemAtPathFromQuarantine(request.path, [&reply] {
            if (!reply)
                reply = emptyReply();
        });
        break;
    case Method::LaunchTask:
        object.launchTaskWithLaunchPath(request.path, request.arguments, request.waitUntilExit,
                                        [&reply](qint32 status) {
                                            if (!reply)
                                                reply = statusReply(status);
                                        });
        break;
    case Method::WaitForApplication:
        object.waitForApplicationWithProcessIDToQuit(request.processID, request.path, request.temporaryFolder,
                                                     [&reply] {
                                                         if (!reply)
                                                             reply = emptyReply();
                                                     });
        break;
    }
    // The service's methods reply before they return; one that did not would leave the client waiting.
    return reply.value_or(
        successReply(false, Platform::Error(QStringLiteral("com.dunwarbeck.zrupdater-sandbox-service"), 1,
                                            QStringLiteral("The service gave no reply."))));
}

QCborMap successReply(bool success, const Platform::OptionalError& error) {
    QCborMap message;
    message.insert(ReplyKey, QCborArray{success, encodeError(error)});
    return message;
}

QCborMap statusReply(qint32 status) {
    QCborMap message;
    message.insert(ReplyKey, QCborArray{status});
    return message;
}

QCborMap emptyReply() {
    QCborMap message;
    message.insert(ReplyKey, QCborArray{});
    return message;
}

bool decodeSuccessReply(const QCborMap& message, bool* success, Platform::OptionalError* error) {
    const std::optional<QCborArray> values = replyValues(message, 2);
    if (!values || !values->at(0).isBool() || !(values->at(1).isNull() || values->at(1).isMap()))
        return false;
    *success = values->at(0).toBool();
    *error = std::nullopt;
    if (values->at(1).isMap())
        *error = Platform::XPCWire::errorFromValue(values->at(1).toMap());
    return true;
}

bool decodeStatusReply(const QCborMap& message, qint32* status) {
    const std::optional<QCborArray> values = replyValues(message, 1);
    if (!values || !values->at(0).isInteger() || values->at(0).toInteger() < INT_MIN ||
        values->at(0).toInteger() > INT_MAX)
        return false;
    *status = qint32(values->at(0).toInteger());
    return true;
}

bool decodeEmptyReply(const QCborMap& message) {
    return replyValues(message, 0).has_value();
}

} // namespace ZRUpdaterSandboxServiceMessages
