#pragma once

#include "Platform/Error.h"
#include "ZRKit/ZRURLRequest.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
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

/*! The settings of a session that keeps nothing: no response cache (every load from the network), no
    cookies sent or accepted, and the two time limits in seconds: how long a request may stay idle and
    how long a whole load may take. */
struct ZRURLSessionConfiguration {
    bool ephemeral = true;
    bool reloadIgnoringLocalCacheData = true;
    bool HTTPShouldSetCookies = false;
    bool acceptsCookies = false; // the cookie accept policy "never"
    double timeoutIntervalForRequest = 60;
    double timeoutIntervalForResource = 7 * 24 * 3600;
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
    static ZRURLSessionConfiguration
    apiSessionConfigurationWithTimeoutIntervalForRequestTimeoutIntervalForResource(double forRequest,
                                                                                   double forResource);

    /*! The older forms: the body (or the downloaded file's path) when the run succeeded, else nothing;
        the response and the error go to the places given (either may be null; a run that succeeded
        leaves an empty error, with no domain). The first form follows no redirect. */
    static std::optional<QByteArray>
    sendSynchronousRequestReturningResponse(const ZRURLRequest& request,
                                            std::optional<ZRURLResponse>* response,
                                            ZRURLSessionForwardDelegate* delegate, double timeoutInterval,
                                            bool disableCaching, Platform::Error* error);
    static std::optional<QByteArray>
    sendSynchronousRequestReturningResponse(const ZRURLRequest& request,
                                            std::optional<ZRURLResponse>* response,
                                            ZRURLSessionForwardDelegate* delegate, double timeoutInterval,
                                            bool disableCaching, bool allowRedirect, Platform::Error* error);
    static std::optional<QString> downloadRequestSynchronouslyReturningResponse(
        const ZRURLRequest& request, std::optional<ZRURLResponse>* response,
        ZRURLSessionForwardDelegate* delegate, double timeoutInterval, bool disableCaching,
        bool allowRedirect, Platform::Error* error);

    ZRURLSessionResult synchronouslyDownloadData() { return synchronouslyDownloadDataToFile(false); }
    ZRURLSessionResult synchronouslyDownloadToFile() { return synchronouslyDownloadDataToFile(true); }
    ZRURLSessionResult synchronouslyDownloadDataToFile(bool toFile);

    int state() const { return m_state.load(); }
    double timeoutInterval() const { return m_timeoutInterval; }
    ZRURLRequest request() const;
    /*! Changes the request of a run still to come. */
    void setRequest(const ZRURLRequest& request);
    /*! The response of the last run, when it had one. */
    std::optional<ZRURLResponse> response() const;
    /*! Kept for callers; the session has no response cache, so there is nothing to refuse. */
    bool disableCaching() const { return m_disableCaching; }
    void setDisableCaching(bool disableCaching) { m_disableCaching = disableCaching; }
    bool allowRedirect() const { return m_allowRedirect; }
    void setAllowRedirect(bool allowRedirect) { m_allowRedirect = allowRedirect; }

private:
    struct Run;
    void synchronouslyDownloadRequestToFile(bool toFile);

    ZRURLRequest m_request;
    ZRURLSessionForwardDelegate* m_forwardDelegate;
    double m_timeoutInterval;
    bool m_allowRedirect;
    bool m_disableCaching;
    std::atomic<int> m_state{Stopped};
    mutable std::mutex m_mutex; // the request, the response and the end of a run
    std::optional<ZRURLResponse> m_response;
    std::optional<QByteArray> m_receivedData;
    std::optional<QString> m_receivedFileURL;
    std::optional<Platform::Error> m_receivedError;
};
