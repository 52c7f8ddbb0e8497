#include "Platform/ErrorPresenter.h"

#include "Platform/MainThread.h"
#include "Platform/SystemLog.h"

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
    if (const ErrorPresenter presenter = currentPresenter())
        presenter(error);
    else
        SystemLog::log(error.localizedDescription());
}

} // namespace Platform
