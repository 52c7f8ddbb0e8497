#include "Platform/ErrorPresenter.h"

#include "Platform/HttpSession.h"
#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

#include <QCoreApplication>

namespace Platform {

namespace {
ErrorPresenter& currentPresenter() {
    static ErrorPresenter presenter;
    return presenter;
}
} // namespace

ErrorPresenter setErrorPresenter(ErrorPresenter presenter) {
    assertMainThread();
    ErrorPresenter previous = std::move(currentPresenter());
    currentPresenter() = std::move(presenter);
    return previous;
}

void presentError(const Error& error) {
    assertMainThread();
    // A request cancelled (the application ending, a window closed) is nobody's error, and an alert
    // while the application ends would keep it from ending.
    const bool cancelled =
        error.domain() == HttpSession::URLErrorDomain && error.code() == HttpSession::Cancelled;
    if (cancelled || QCoreApplication::closingDown()) {
        SystemLog::log(SystemLog::escaped(error.localizedDescription()));
        return;
    }
    if (const ErrorPresenter presenter = currentPresenter())
        presenter(error);
    else
        SystemLog::log(SystemLog::escaped(error.localizedDescription()));
}

} // namespace Platform
