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

/*! Runs the function on the main thread and returns once it has run (at once on the main thread, or
    before the application object exists). The main thread runs it from its event loop, or earlier while
    it waits in waitServingMainThread(), so a thread waiting here never deadlocks a main thread that
    waits for that thread. An exception the function throws is thrown again here. */
void runOnMainAndWait(const std::function<void()>& function);

/*! Waits until waitStep(ms) answers true; waitStep waits at most ms milliseconds (-1: without limit).
    On the main thread it runs, meanwhile, the functions other threads wait in runOnMainAndWait() for. */
void waitServingMainThread(const std::function<bool(int ms)>& waitStep);

} // namespace Platform
