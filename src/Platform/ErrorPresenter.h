#pragma once

#include "Platform/Error.h"

#include <functional>

namespace Platform {

/*! How the application shows an error to the user: an alert in the tray application
    (installAlertErrorPresenter in Platform/UI/ErrorAlert.h). */
using ErrorPresenter = std::function<void(const Error& error)>;

/*! Installs the presenter; answers the one it replaces. */
ErrorPresenter setErrorPresenter(ErrorPresenter presenter);

/*! Shows the error and returns once the user has dismissed it; main thread only. Without a presenter the
    error's description goes to the system log, and so does a cancelled request's error or any error
    while the application object is being torn down. */
void presentError(const Error& error);

} // namespace Platform
