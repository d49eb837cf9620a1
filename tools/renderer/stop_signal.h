// A request to stop (SIGTERM, SIGINT, SIGHUP; on Windows Ctrl+C, Ctrl+Break
// and the console's closing), noted by a handler so the renderer can end its
// children and remove its files before it ends.
#pragma once

class StopSignal {
public:
    StopSignal();   // installs the handlers
    ~StopSignal();  // restores the previous ones
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    static bool Requested();
    // Requests a stop from inside, the way one from outside arrives.
    static void Request();
#ifdef _WIN32
    // An event set once a stop has been requested (for waits).
    static void* Event();
#else
    // Becomes readable once a stop has been requested (for poll).
    static int Descriptor();
#endif
    // Holds off stop requests for the rest of the process's life: once its
    // work is done and in place, a late stop must not end it as if it had
    // failed. Requested() still tells of a stop that came before.
    static void HoldOff();
    // Ends the process the way the request asked for, after the clean-up
    // (even when stop requests are held off).
    [[noreturn]] static void EndWithSignal();
};
