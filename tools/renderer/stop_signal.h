// A request to stop (SIGTERM, SIGINT, SIGHUP), noted by a signal handler so
// the renderer can end its children and remove its files before it ends.
#pragma once

class StopSignal {
public:
    StopSignal();   // installs the handlers
    ~StopSignal();  // restores the previous ones
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    static bool Requested();
    // Becomes readable once a stop has been requested (for poll).
    static int Descriptor();
    // Holds off the stop signals for the rest of the process's life: once
    // its work is done and in place, a late stop must not end it by the
    // signal as if it had failed. Requested() still tells of a stop that
    // came before.
    static void HoldOff();
    // Ends the process the way the signal asked for, after the clean-up
    // (even when the signals are held off).
    [[noreturn]] static void EndWithSignal();
};
