#pragma once
#include <functional>

// Hides every window of the application, except the status-bar window, and quits shortly after.
class WindowUtils {
public:
    // Returns at once; the application is asked to quit 0.3 s later. With logging on it lists
    // the windows it finds and hides.
    static void closeWindow(bool log = false);
    // Tests replace the quit request; an empty function restores it.
    static void setTerminator(std::function<void()> terminator);
};
