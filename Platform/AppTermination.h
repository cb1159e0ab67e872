#pragma once
#include <functional>

// The one road out of the application (termination signals, the Quit action, the sign-in
// windows' close). Qt's own quit asks every window to close and gives up when one refuses, so
// this road runs the application's termination steps and then ends the event loop with exit
// code 0, whatever the windows say. Main thread only.
namespace AppTermination {
// The application's termination steps: they call done once they are finished. The road does
// not wait longer than stepsBoundMs for them. With a watchdog (the program itself, never a
// test) the process also ends processBoundMs after a request, whatever hangs after the loop.
void setSteps(std::function<void(std::function<void()> done)> steps, bool watchdog = false);
// Runs the steps once and then ends the event loop. A second request ends it at once.
void request();
// Whether a request has been made (the windows may then close without asking).
bool isRequested();
// How long the steps may take before the loop ends regardless.
inline constexpr int stepsBoundMs = 1500;
// After a request the process ends within this bound even when something hangs after the
// event loop (a destructor, a child that will not die).
inline constexpr int processBoundMs = 4500;
// Tests: forget a request and the steps, and end the loop with end instead of
// QCoreApplication::exit(0) (none: the real end).
void reset(std::function<void()> end = {});
}
