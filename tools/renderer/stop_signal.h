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
    // Ends the process the way the signal asked for, after the clean-up.
    [[noreturn]] static void EndWithSignal();
};
