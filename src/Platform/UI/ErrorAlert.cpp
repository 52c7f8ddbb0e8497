#include "Platform/UI/ErrorAlert.h"

#include "Platform/ErrorPresenter.h"
#include "Platform/MainThread.h"
#include "Platform/UI/Alert.h"

namespace Platform {

void runErrorAlert(const Error& error) {
    assertMainThread();
    Alert alert;
    alert.setMessageText(error.localizedDescription());
    alert.setInformativeText(error.localizedRecoverySuggestion());
    alert.setAlertStyle(AlertStyle::Critical);
    alert.runModal();
}

void installAlertErrorPresenter() {
    setErrorPresenter(runErrorAlert);
}

} // namespace Platform
