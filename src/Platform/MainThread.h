#pragma once

#include <QString>

#include <functional>

namespace Platform {

/*! True on the thread of the application object (the GUI thread); true as well before it exists. */
bool isMainThread();

/*! Stops the process with "must be called on main thread" when called from any other thread. */
void assertMainThread();

/*! Writes the message to the system log and ends the process abnormally. */
[[noreturn]] void fatalError(const QString& message);

/*! Queues the function on the main thread's event loop; it runs later even when called from it. */
void runOnMain(std::function<void()> function);

} // namespace Platform
