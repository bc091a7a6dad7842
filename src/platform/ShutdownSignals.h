#pragma once
// SIGTERM, SIGINT and SIGHUP as a request to end, delivered on the event loop's thread.
//
// The handler only writes the signal number into a pipe (async-signal-safe); a QSocketNotifier on
// the other end calls the receiver, which may then close windows and touch databases as any
// event handler does.
//
// The Firebird client library installs handlers of its own for SIGINT and SIGTERM when it starts
// up (at the first attachment); its handler shuts the engine down under the program's feet, and
// afterwards the process no longer ends on those signals. Two measures keep the signals ours:
// - Install blocks them in the calling thread (the main thread, before the library starts its
//   threads, which inherit the mask) and reads them from a signalfd, so a handler of the library
//   never runs for them;
// - for a thread that unblocks them, our handler (a byte into a pipe) is put back after every
//   attachment (database and service manager): the access layer calls Reassert.
// Child processes start with an empty mask (platform/ChildProcess). Without Install, Reassert does
// nothing, so tools and tests that never install keep the library's behaviour.

#include <functional>

namespace kb::ShutdownSignals {

// Installs the handlers; onSignal gets the signal number on the thread that called Install (it
// needs a running Qt event loop there). A second Install replaces the receiver.
void Install(std::function<void(int)> onSignal);
// Restores our handler for each signal whose handler someone else replaced. Cheap, thread-safe.
void Reassert();
// Puts the default actions back and drops the receiver.
void Uninstall();
// True while our handlers are installed.
bool Installed();

} // namespace kb::ShutdownSignals
