#pragma once

#include "Platform/Error.h"
#include "ZRKit/ZRURLRequest.h"

#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QAuthenticator;

/*! The answer of one synchronous run. */
struct ZRURLSessionResult {
    std::optional<ZRURLResponse> response;
    std::optional<QByteArray> receivedData; // a data run that succeeded
    std::optional<QString> receivedFileURL; // a file run that succeeded: the kept file's path
    std::optional<Platform::Error> receivedError;

    /*! An HTTP response with a status of 100 to 199, and 200 to 299. */
    bool isInformationalResponse() const;
    bool isSuccessfulResponse() const;
};

/*! Optional calls a caller may take over; the defaults do what the session would do alone. They run on
    the session's private thread. (The session keeps no response cache, so there is no caching decision
    to take over.) */
class ZRURLSessionForwardDelegate {
public:
    virtual ~ZRURLSessionForwardDelegate() = default;
    virtual void didSendBodyData(qint64 bytesSent, qint64 totalBytesExpectedToSend) {
        Q_UNUSED(bytesSent);
        Q_UNUSED(totalBytesExpectedToSend);
    }
    /*! Answers an authentication challenge; false (the default) sends no credential. */
    virtual bool didReceiveChallenge(const ZRURLResponse&, QAuthenticator*) { return false; }
};

/*! Runs one URL request to its end while the calling thread waits, on a network access manager of a
    private thread, and hands back the response with the body, or with the path of a downloaded file, or
    with an error. The first of completion and the overall time limit wins; either way the run ends once.
    An HTTP error status is no error here: the response carries it. Redirects are followed only when
    allowed; otherwise the 3xx answer is the response. Each instance runs once (a failed one stays failed). */
class ZRURLSession {
public:
    static inline const QString ErrorDomain = QStringLiteral("com.dunwarbeck.zrurlsession");
    enum State { Stopped = 0, Running = 1, Failed = 2 };

    ZRURLSession(ZRURLRequest request, ZRURLSessionForwardDelegate* delegate, double timeoutInterval,
                 bool allowRedirect, bool disableCaching);
    ~ZRURLSession();
    ZRURLSession(const ZRURLSession&) = delete;
    ZRURLSession& operator=(const ZRURLSession&) = delete;

    static ZRURLSessionResult sendSynchronousRequest(const ZRURLRequest& request,
                                                     ZRURLSessionForwardDelegate* delegate,
                                                     double timeoutInterval, bool disableCaching,
                                                     bool allowRedirect = false);
    static ZRURLSessionResult downloadRequestSynchronously(const ZRURLRequest& request,
                                                           ZRURLSessionForwardDelegate* delegate,
                                                           double timeoutInterval, bool disableCaching,
                                                           bool allowRedirect);

    ZRURLSessionResult synchronouslyDownloadData() { return synchronouslyDownloadDataToFile(false); }
    ZRURLSessionResult synchronouslyDownloadToFile() { return synchronouslyDownloadDataToFile(true); }
    ZRURLSessionResult synchronouslyDownloadDataToFile(bool toFile);

    int state() const { return m_state.load(); }
    double timeoutInterval() const { return m_timeoutInterval; }

private:
    struct Run;
    void synchronouslyDownloadRequestToFile(bool toFile);

    ZRURLRequest m_request;
    ZRURLSessionForwardDelegate* m_forwardDelegate;
    double m_timeoutInterval;
    bool m_allowRedirect;
    bool m_disableCaching;
    std::atomic<int> m_state{Stopped};
    std::optional<ZRURLResponse> m_response;
    std::optional<QByteArray> m_receivedData;
    std::optional<QString> m_receivedFileURL;
    std::optional<Platform::Error> m_receivedError;
};
