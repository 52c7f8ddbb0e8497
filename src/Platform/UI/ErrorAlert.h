#pragma once

#include "Platform/Error.h"

namespace Platform {

/*! Shows the error as a modal alert (its description in bold, the recovery suggestion below, one "OK"
    button) and returns when it is dismissed; main thread only. */
void runErrorAlert(const Error& error);

/*! Makes presentError show errors with runErrorAlert. The application installs it at start-up. */
void installAlertErrorPresenter();

} // namespace Platform
