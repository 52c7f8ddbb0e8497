#include "Platform/CrashReporterClient.h"

#include "Platform/AppHangWatchdog.h"
#include "Platform/CrashHandler.h"
#include "Platform/HttpActivityHub.h"
#include "Platform/HttpTask.h"
#include "Platform/MainThread.h"
#include "Platform/SentryTransport.h"
#include "Platform/StackFrames.h"
#include "Platform/SystemLog.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QStandardPaths>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace Platform {

namespace {

const QString SessionFile = QStringLiteral("session.json");
const QString CrashFile = QStringLiteral("crash.report");
const QString InstallationFile = QStringLiteral("installation.id");
const QString SdkName = QStringLiteral("corvantide.native");

QString nowText() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QString newId() {
    return QUuid::createUuid().toString(QUuid::Id128);
}

QByteArray readFile(const QString& path, qint64 limit = 16 * 1024 * 1024) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit);
}

bool writeFile(const QString& path, const QByteArray& data) {
    return SentryTransport::writeFileAtomically(path, data);
}

// One value of an os-release file: the text after "KEY=", unquoted.
QHash<QString, QString> osRelease() {
    QByteArray text = readFile(QStringLiteral("/etc/os-release"), 64 * 1024);
    if (text.isEmpty())
        text = readFile(QStringLiteral("/usr/lib/os-release"), 64 * 1024);
    QHash<QString, QString> values;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (line.startsWith('#') || equals <= 0)
            continue;
        QByteArray value = line.mid(equals + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        QByteArray unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value.at(i) == '\\' && i + 1 < value.size())
                ++i;
            unescaped += value.at(i);
        }
        values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(unescaped));
    }
    return values;
}

QJsonObject contextsFor(const QString& release) {
    const QHash<QString, QString> os = osRelease();
    QJsonObject osContext{{QStringLiteral("name"), os.value(QStringLiteral("NAME"), QStringLiteral("Linux"))},
                          {QStringLiteral("kernel_version"), QSysInfo::kernelVersion()}};
    if (os.contains(QStringLiteral("VERSION_ID")))
        osContext.insert(QStringLiteral("version"), os.value(QStringLiteral("VERSION_ID")));
    if (os.contains(QStringLiteral("PRETTY_NAME")))
        osContext.insert(QStringLiteral("raw_description"), os.value(QStringLiteral("PRETTY_NAME")));

    // "<identifier>@<version>+<build>"
    const qsizetype at = release.indexOf(QLatin1Char('@'));
    const qsizetype plus = release.indexOf(QLatin1Char('+'), at + 1);
    QJsonObject app;
    app.insert(QStringLiteral("app_identifier"), at < 0 ? release : release.left(at));
    if (at >= 0)
        app.insert(QStringLiteral("app_version"), release.mid(at + 1, plus < 0 ? -1 : plus - at - 1));
    if (plus >= 0)
        app.insert(QStringLiteral("app_build"), release.mid(plus + 1));
    app.insert(QStringLiteral("app_start_time"), nowText());

    return {
        {QStringLiteral("os"), osContext},
        {QStringLiteral("device"), QJsonObject{{QStringLiteral("arch"), QSysInfo::currentCpuArchitecture()}}},
        {QStringLiteral("app"), app}};
}

QJsonObject exceptionValue(const QString& type, const QString& value, const QJsonObject& mechanism,
                           const QJsonArray& frames) {
    QJsonObject exception{{QStringLiteral("type"), type},
                          {QStringLiteral("value"), value},
                          {QStringLiteral("mechanism"), mechanism}};
    if (!frames.isEmpty())
        exception.insert(QStringLiteral("stacktrace"), QJsonObject{{QStringLiteral("frames"), frames}});
    return exception;
}

QString signalDescription(int signal) {
    const QString name = CrashReport::signalName(signal);
    if (name == QLatin1String("SIGSEGV"))
        return QStringLiteral("Segmentation fault");
    if (name == QLatin1String("SIGBUS"))
        return QStringLiteral("Bus error");
    if (name == QLatin1String("SIGILL"))
        return QStringLiteral("Illegal instruction");
    if (name == QLatin1String("SIGFPE"))
        return QStringLiteral("Floating-point exception");
    if (name == QLatin1String("SIGABRT"))
        return QStringLiteral("Abort");
    return name;
}

// The URL a breadcrumb or an event may show: no credentials, no query, no fragment.
QString publicUrl(const QUrl& url) {
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toString();
}

} // namespace

/*! Hears of every finished request of every HttpSession: network breadcrumbs and failed requests. */
class CrashReporterClient::NetworkObserver final : public HttpActivityLogger {
public:
    NetworkObserver(CrashReporterClient& client, bool breadcrumbs, bool failedRequests)
        : m_client(client)
        , m_breadcrumbs(breadcrumbs)
        , m_failedRequests(failedRequests) {}

    void taskDidStart(const HttpTask&) override {}

    void taskDidFinish(const HttpTask& task, const QJsonValue&, double elapsedSeconds,
                       const OptionalError&) override {
        const HttpRequest& request = task.originalRequest();
        const int status = task.response() ? task.response()->statusCode : 0;
        const QString method = QString::fromLatin1(request.method);
        const QString url = publicUrl(request.url);
        if (m_breadcrumbs) {
            QJsonObject data{{QStringLiteral("method"), method}, {QStringLiteral("url"), url}};
            if (status != 0)
                data.insert(QStringLiteral("status_code"), status);
            else
                data.insert(QStringLiteral("reason"), QStringLiteral("no answer"));
            data.insert(QStringLiteral("duration_ms"), qRound(elapsedSeconds * 1000.0));
            const QString level = status == 0 || status >= 500 ? QStringLiteral("error")
                                  : status >= 400              ? QStringLiteral("warning")
                                                               : QStringLiteral("info");
            m_client.addBreadcrumb({{QStringLiteral("type"), QStringLiteral("http")},
                                    {QStringLiteral("category"), QStringLiteral("http")},
                                    {QStringLiteral("level"), level},
                                    {QStringLiteral("data"), data}});
        }
        if (m_failedRequests && status >= 500 && status <= 599) {
            const QString message = QStringLiteral("HTTP Client Error with status code: %1").arg(status);
            QJsonObject event = m_client.baseEvent(QStringLiteral("error"));
            event.insert(QStringLiteral("exception"),
                         QJsonObject{{QStringLiteral("values"),
                                      QJsonArray{exceptionValue(
                                          QStringLiteral("HTTPClientError"), message,
                                          {{QStringLiteral("type"), QStringLiteral("HTTPClientError")},
                                           {QStringLiteral("handled"), false}},
                                          {})}}});
            event.insert(QStringLiteral("request"),
                         QJsonObject{{QStringLiteral("method"), method}, {QStringLiteral("url"), url}});
            QJsonObject contexts = event.value(QStringLiteral("contexts")).toObject();
            contexts.insert(QStringLiteral("response"), QJsonObject{{QStringLiteral("status_code"), status}});
            event.insert(QStringLiteral("contexts"), contexts);
            m_client.captureEvent(event);
        }
    }

private:
    CrashReporterClient& m_client;
    bool m_breadcrumbs;
    bool m_failedRequests;
};

QString CrashReporterClient::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Corvantide/CrashReports");
}

CrashReporterClient::CrashReporterClient(const CrashReporterOptions& options, const QString& folder)
    : m_options(options)
    , m_folder(folder) {
    QString whyNot;
    m_dsn = SentryDsn::parse(options.dsn, &whyNot);
    if (!m_dsn) {
        SystemLog::log(QStringLiteral("Crash reporting is off: %1.").arg(whyNot));
        return;
    }
    if (!QDir().mkpath(m_folder)) {
        SystemLog::log(QStringLiteral("Crash reporting is off: its folder %1 cannot be made.").arg(m_folder));
        m_dsn.reset();
        return;
    }
    const QString release = options.release;
    const qsizetype at = release.indexOf(QLatin1Char('@'));
    const qsizetype plus = release.indexOf(QLatin1Char('+'), at + 1);
    const QString version = at < 0 ? QString() : release.mid(at + 1, plus < 0 ? -1 : plus - at - 1);
    m_clientName = QStringLiteral("corvantide/") + (version.isEmpty() ? QStringLiteral("0") : version);
    m_contexts = contextsFor(release);

    const QString installationPath = QDir(m_folder).filePath(InstallationFile);
    m_distinctId = QString::fromLatin1(readFile(installationPath, 64).trimmed());
    const bool isId =
        m_distinctId.size() == 32 && std::all_of(m_distinctId.cbegin(), m_distinctId.cend(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
        });
    if (!isId) {
        m_distinctId = newId();
        writeFile(installationPath, m_distinctId.toLatin1());
    }

    m_transport = std::make_unique<SentryTransport>(QDir(m_folder).filePath(QStringLiteral("outbox")),
                                                    m_dsn->envelopeUrl(), m_dsn->authHeader(m_clientName),
                                                    m_clientName.toUtf8());
    sendPreviousRun();
    startSession();

    m_ownsCrashHandler = CrashHandler::install(QDir(m_folder).filePath(CrashFile));
    CrashHandler::publishBreadcrumbs(QByteArrayLiteral("[]"));
    if (options.enableAppHangTracking)
        m_watchdog = std::make_unique<AppHangWatchdog>(options.appHangTimeoutInterval,
                                                       [this](double timeout, const QList<quintptr>& stack) {
                                                           captureEvent(appHangEvent(timeout, stack));
                                                       });
    if (options.enableNetworkBreadcrumbs || options.enableCaptureFailedRequests) {
        m_networkObserver = std::make_shared<NetworkObserver>(*this, options.enableNetworkBreadcrumbs,
                                                              options.enableCaptureFailedRequests);
        HttpActivityHub::shared().addObserver(m_networkObserver);
    }
}

CrashReporterClient::~CrashReporterClient() {
    if (m_networkObserver)
        HttpActivityHub::shared().removeObserver(m_networkObserver);
    m_watchdog.reset();
    if (m_transport)
        m_transport->stop(); // its jobs use this object
    if (m_ownsCrashHandler)
        CrashHandler::uninstall();
    m_transport.reset();
}

std::optional<CrashReporterClient::SessionState>
CrashReporterClient::parseSessionFile(const QByteArray& bytes, QString* error) {
    const auto refuse = [error](const QString& why) {
        if (error != nullptr)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return refuse(QStringLiteral("not JSON: %1").arg(parseError.errorString()));
    if (!document.isObject())
        return refuse(QStringLiteral("not a JSON object"));
    const QJsonObject object = document.object();
    const auto text = [&object](const char* key) { return object.value(QLatin1String(key)); };

    SessionState state;
    state.sid = text("sid").toString();
    const bool hexId =
        state.sid.size() == 32 && std::all_of(state.sid.cbegin(), state.sid.cend(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
        });
    if (!hexId && QUuid::fromString(state.sid).isNull())
        return refuse(QStringLiteral("the session id is not a UUID"));
    state.started = text("started").toString();
    if (!QDateTime::fromString(state.started, Qt::ISODateWithMs).isValid())
        return refuse(QStringLiteral("the start time is not a date"));
    state.timestamp = text("timestamp").toString();
    if (!QDateTime::fromString(state.timestamp, Qt::ISODateWithMs).isValid())
        state.timestamp = state.started;
    state.status = text("status").toString();
    if (!QStringList{QStringLiteral("ok"), QStringLiteral("exited"), QStringLiteral("crashed"),
                     QStringLiteral("abnormal")}
             .contains(state.status))
        return refuse(QStringLiteral("the status is not a session status"));
    const double errors = text("errors").toDouble(-1);
    if (!text("errors").isDouble() || errors < 0 || errors > 1e9 || errors != double(qint64(errors)))
        return refuse(QStringLiteral("the error count is not a count"));
    state.errors = int(errors);
    state.release = text("release").toString();
    if (state.release.isEmpty())
        return refuse(QStringLiteral("the release is missing"));
    if (!text("environment").isString() && !text("environment").isUndefined())
        return refuse(QStringLiteral("the environment is not text"));
    state.environment = text("environment").toString();
    return state;
}

void CrashReporterClient::sendPreviousRun() {
    const QDir dir(m_folder);
    const QByteArray sessionBytes = readFile(dir.filePath(SessionFile), 1024 * 1024);
    QString damage;
    std::optional<SessionState> previous;
    if (!sessionBytes.isEmpty()) {
        // A damaged file is no session: a session without its id, start or release cannot be sent.
        previous = parseSessionFile(sessionBytes, &damage);
        if (!previous)
            SystemLog::log(QStringLiteral("Crash reporting ignored a damaged session file: %1").arg(damage));
    }
    const bool previousOpen = previous && previous->status == QLatin1String("ok");
    auto previousSession = [&](const QString& status, const QString& timestamp, int errors) {
        QJsonObject session{
            {QStringLiteral("sid"), previous->sid},
            {QStringLiteral("did"), m_distinctId},
            {QStringLiteral("init"), false},
            {QStringLiteral("started"), previous->started},
            {QStringLiteral("timestamp"), timestamp},
            {QStringLiteral("status"), status},
            {QStringLiteral("errors"), errors},
            {QStringLiteral("attrs"), QJsonObject{{QStringLiteral("release"), previous->release},
                                                  {QStringLiteral("environment"), previous->environment}}}};
        const QDateTime started = QDateTime::fromString(previous->started, Qt::ISODateWithMs);
        const QDateTime ended = QDateTime::fromString(timestamp, Qt::ISODateWithMs);
        if (started.isValid() && ended.isValid() && started <= ended)
            session.insert(QStringLiteral("duration"), static_cast<double>(started.msecsTo(ended)) / 1000.0);
        return session;
    };
    const int previousErrors = previous ? previous->errors : 0;

    // The report moves aside at once, so that a crash of this run cannot be taken for the last one's.
    const QString crashPath = dir.filePath(CrashFile);
    const QString pendingPath = dir.filePath(CrashFile + QStringLiteral(".previous"));
    QFile::remove(crashPath + QStringLiteral(".tmp"));
    const bool crashed =
        QFile::exists(crashPath) &&
        ::rename(QFile::encodeName(crashPath).constData(), QFile::encodeName(pendingPath).constData()) == 0;
    // The crashed run's session goes aside with it: the session file is this run's from now on.
    const QString pendingSessionPath = pendingPath + QStringLiteral(".session");
    if (crashed) {
        if (previousOpen)
            writeFile(pendingSessionPath,
                      QJsonDocument(previousSession(QStringLiteral("crashed"), QString(), previousErrors + 1))
                          .toJson(QJsonDocument::Compact));
        else
            QFile::remove(pendingSessionPath);
    }
    if (QFile::exists(pendingPath)) {
        // Reading and symbolizing the report is left to the sending thread; start-up goes on.
        m_transport->post([this, pendingPath, pendingSessionPath] {
            const QJsonObject crashedSession =
                QJsonDocument::fromJson(readFile(pendingSessionPath, 1024 * 1024)).object();
            sendCrashReport(pendingPath, crashedSession);
            QFile::remove(pendingSessionPath);
        });
    }
    if (!crashed && previousOpen) {
        // The run ended without closing its session and without a crash report: it was killed.
        enqueue(QString(), {},
                previousSession(QStringLiteral("abnormal"), previous->timestamp, previousErrors));
    }
}

void CrashReporterClient::sendCrashReport(const QString& crashPath, QJsonObject crashedSession) {
    QString error;
    const QByteArray text = readFile(crashPath);
    const auto report = CrashReport::parse(text, &error);
    if (!report) {
        SystemLog::log(QStringLiteral("Crash reporting dropped an unreadable crash report: %1").arg(error));
        QFile::remove(crashPath);
        return;
    }
    QJsonObject event = baseEvent(QStringLiteral("fatal"));
    // A start that ends between queueing the event and removing the report reads it again: the same
    // event id lets the server take it once.
    event.insert(
        QStringLiteral("event_id"),
        QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex().left(32)));
    if (!crashedSession.isEmpty()) {
        // The event belongs to the run that crashed, not to this one.
        const QJsonObject attrs = crashedSession.value(QStringLiteral("attrs")).toObject();
        event.insert(QStringLiteral("release"), attrs.value(QStringLiteral("release")));
        event.insert(QStringLiteral("environment"), attrs.value(QStringLiteral("environment")));
    }
    const QDateTime crashed = QDateTime::fromSecsSinceEpoch(report->time, Qt::UTC);
    const QString crashTime = report->time > 0 ? crashed.toString(Qt::ISODateWithMs) : nowText();
    event.insert(QStringLiteral("timestamp"), crashTime);
    QString value = signalDescription(report->signal);
    if ((report->signal == SIGSEGV || report->signal == SIGBUS) && report->faultAddress)
        value += QStringLiteral(" at address 0x") + QString::number(*report->faultAddress, 16);
    if (report->senderPid)
        value += QStringLiteral(", %1 sent by process %2")
                     .arg(CrashReport::signalName(report->signal))
                     .arg(*report->senderPid);
    if (report->terminated)
        value = report->terminateMessage.isEmpty()
                    ? QStringLiteral("std::terminate was called")
                    : QStringLiteral("std::terminate was called: ") + report->terminateMessage;
    const QJsonObject signal{{QStringLiteral("number"), report->signal},
                             {QStringLiteral("code"), report->code},
                             {QStringLiteral("name"), CrashReport::signalName(report->signal)}};
    const QJsonObject mechanism{{QStringLiteral("type"), QStringLiteral("signalhandler")},
                                {QStringLiteral("handled"), false},
                                {QStringLiteral("meta"), QJsonObject{{QStringLiteral("signal"), signal}}}};
    const QJsonArray frames =
        stackFrames(report->frames, ModuleMap::parse(report->maps), ModuleMap::current());
    event.insert(QStringLiteral("exception"),
                 QJsonObject{{QStringLiteral("values"),
                              QJsonArray{exceptionValue(CrashReport::signalName(report->signal), value,
                                                        mechanism, frames)}}});
    const QJsonDocument breadcrumbs = QJsonDocument::fromJson(report->breadcrumbs);
    if (breadcrumbs.isArray() && !breadcrumbs.array().isEmpty())
        event.insert(QStringLiteral("breadcrumbs"),
                     QJsonObject{{QStringLiteral("values"), breadcrumbs.array()}});
    if (!crashedSession.isEmpty()) {
        crashedSession.insert(QStringLiteral("timestamp"), crashTime);
        const QDateTime started = QDateTime::fromString(
            crashedSession.value(QStringLiteral("started")).toString(), Qt::ISODateWithMs);
        if (started.isValid() && report->time > 0 && started <= crashed)
            crashedSession.insert(QStringLiteral("duration"),
                                  static_cast<double>(started.msecsTo(crashed)) / 1000.0);
    }
    enqueue(event.value(QStringLiteral("event_id")).toString(), event, crashedSession);
    QFile::remove(crashPath);
}

void CrashReporterClient::startSession() {
    {
        std::lock_guard lock(m_mutex);
        m_sessionId = newId();
        m_sessionStarted = nowText();
        m_sessionStatus = QStringLiteral("ok");
        m_sessionErrors = 0;
        saveSession();
    }
    enqueue(QString(), {}, sessionPayload(true, QStringLiteral("ok")));
}

void CrashReporterClient::close() {
    if (!isEnabled())
        return;
    QJsonObject session;
    {
        std::lock_guard lock(m_mutex);
        if (m_sessionStatus != QLatin1String("ok"))
            return;
        m_sessionStatus = QStringLiteral("exited");
        session = sessionPayload(false, m_sessionStatus);
        saveSession();
    }
    enqueue(QString(), {}, session);
}

bool CrashReporterClient::flush(std::chrono::milliseconds timeout) {
    return isEnabled() && m_transport->flush(timeout);
}

void CrashReporterClient::addBreadcrumb(QJsonObject breadcrumb) {
    if (!isEnabled())
        return;
    if (!breadcrumb.contains(QStringLiteral("timestamp")))
        breadcrumb.insert(QStringLiteral("timestamp"), nowText());
    QByteArray published;
    {
        std::lock_guard lock(m_mutex);
        m_breadcrumbs.push_back(std::move(breadcrumb));
        while (m_breadcrumbs.size() > static_cast<size_t>(MaxBreadcrumbs))
            m_breadcrumbs.pop_front();
        QJsonArray values;
        for (const QJsonObject& value : m_breadcrumbs)
            values.append(value);
        published = QJsonDocument(values).toJson(QJsonDocument::Compact);
    }
    CrashHandler::publishBreadcrumbs(published);
}

QString CrashReporterClient::captureEvent(QJsonObject event) {
    if (!isEnabled())
        return {};
    if (!event.contains(QStringLiteral("event_id")))
        event.insert(QStringLiteral("event_id"), newId());
    QJsonObject session;
    {
        std::lock_guard lock(m_mutex);
        const QJsonArray breadcrumbs = breadcrumbValues();
        if (!breadcrumbs.isEmpty())
            event.insert(QStringLiteral("breadcrumbs"), QJsonObject{{QStringLiteral("values"), breadcrumbs}});
        if (m_sessionStatus == QLatin1String("ok")) {
            ++m_sessionErrors;
            session = sessionPayload(false, m_sessionStatus);
            saveSession();
        }
    }
    const QString eventId = event.value(QStringLiteral("event_id")).toString();
    enqueue(eventId, event, session);
    return eventId;
}

QJsonObject CrashReporterClient::appHangEvent(double timeoutSeconds, const QList<quintptr>& stack) const {
    QJsonObject event = baseEvent(QStringLiteral("error"));
    const ModuleMap modules = ModuleMap::current();
    const int milliseconds = qRound(timeoutSeconds * 1000.0);
    event.insert(QStringLiteral("exception"),
                 QJsonObject{{QStringLiteral("values"),
                              QJsonArray{exceptionValue(
                                  QStringLiteral("App Hanging"),
                                  QStringLiteral("App hanging for at least %1 ms.").arg(milliseconds),
                                  {{QStringLiteral("type"), QStringLiteral("AppHang")},
                                   {QStringLiteral("handled"), true}},
                                  stackFrames(stack, modules, modules))}}});
    return event;
}

QJsonObject CrashReporterClient::baseEvent(const QString& level) const {
    return {{QStringLiteral("event_id"), newId()},
            {QStringLiteral("timestamp"), nowText()},
            {QStringLiteral("platform"), QStringLiteral("native")},
            {QStringLiteral("level"), level},
            {QStringLiteral("release"), m_options.release},
            {QStringLiteral("environment"), m_options.environment},
            {QStringLiteral("contexts"), m_contexts},
            {QStringLiteral("sdk"), QJsonObject{{QStringLiteral("name"), SdkName},
                                                {QStringLiteral("version"), m_clientName.section('/', 1)}}}};
}

QJsonObject CrashReporterClient::sessionPayload(bool init, const QString& status) const {
    const QString now = nowText();
    QJsonObject session{
        {QStringLiteral("sid"), m_sessionId},
        {QStringLiteral("did"), m_distinctId},
        {QStringLiteral("init"), init},
        {QStringLiteral("started"), m_sessionStarted},
        {QStringLiteral("timestamp"), now},
        {QStringLiteral("status"), status},
        {QStringLiteral("errors"), m_sessionErrors},
        {QStringLiteral("attrs"), QJsonObject{{QStringLiteral("release"), m_options.release},
                                              {QStringLiteral("environment"), m_options.environment}}}};
    const QDateTime started = QDateTime::fromString(m_sessionStarted, Qt::ISODateWithMs);
    if (!init && started.isValid())
        session.insert(QStringLiteral("duration"),
                       static_cast<double>(started.msecsTo(QDateTime::currentDateTimeUtc())) / 1000.0);
    return session;
}

QJsonObject CrashReporterClient::envelopeHeader(const QString& eventId) const {
    QJsonObject header{
        {QStringLiteral("dsn"), m_dsn->publicText()},
        {QStringLiteral("sent_at"), nowText()},
        {QStringLiteral("sdk"), QJsonObject{{QStringLiteral("name"), SdkName},
                                            {QStringLiteral("version"), m_clientName.section('/', 1)}}}};
    if (!eventId.isEmpty())
        header.insert(QStringLiteral("event_id"), eventId);
    return header;
}

void CrashReporterClient::saveSession() const {
    const QJsonObject state{{QStringLiteral("sid"), m_sessionId},
                            {QStringLiteral("started"), m_sessionStarted},
                            {QStringLiteral("timestamp"), nowText()},
                            {QStringLiteral("status"), m_sessionStatus},
                            {QStringLiteral("errors"), m_sessionErrors},
                            {QStringLiteral("release"), m_options.release},
                            {QStringLiteral("environment"), m_options.environment}};
    if (!writeFile(QDir(m_folder).filePath(SessionFile), QJsonDocument(state).toJson(QJsonDocument::Compact)))
        SystemLog::log(QStringLiteral("Crash reporting cannot keep its session in %1").arg(m_folder));
}

void CrashReporterClient::enqueue(const QString& eventId, const QJsonObject& event,
                                  const QJsonObject& session) {
    SentryEnvelope envelope;
    envelope.header = envelopeHeader(eventId);
    if (!event.isEmpty())
        envelope.items.append(SentryEnvelopeItem::fromJson(QStringLiteral("event"), event));
    if (!session.isEmpty())
        envelope.items.append(SentryEnvelopeItem::fromJson(QStringLiteral("session"), session));
    if (!envelope.items.isEmpty())
        m_transport->enqueue(envelope);
}

QJsonArray CrashReporterClient::breadcrumbValues() const {
    QJsonArray values;
    for (const QJsonObject& breadcrumb : m_breadcrumbs)
        values.append(breadcrumb);
    return values;
}

} // namespace Platform
