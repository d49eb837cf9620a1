// Windows: console control events instead of signals. The handler runs on a
// thread of its own, so it only notes the request and sets the event that
// the waits look at.
#include "stop_signal.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> g_bRequested{false};
std::atomic<bool> g_bHeldOff{false};
HANDLE g_hEvent = nullptr;

BOOL WINAPI OnControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (g_bHeldOff) return TRUE;  // too late: the work is done
        g_bRequested = true;
        if (g_hEvent) SetEvent(g_hEvent);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

StopSignal::StopSignal()
{
    g_hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

StopSignal::~StopSignal()
{
    // Once held off, the handler stays to swallow a late event until the
    // process has ended, instead of the default one that would end it.
    if (!g_bHeldOff) SetConsoleCtrlHandler(OnControl, FALSE);
    if (g_hEvent) CloseHandle(g_hEvent);
    g_hEvent = nullptr;
}

bool StopSignal::Requested() { return g_bRequested; }

void* StopSignal::Event() { return g_hEvent; }

void StopSignal::Request() { OnControl(CTRL_C_EVENT); }

void StopSignal::HoldOff() { g_bHeldOff = true; }

void StopSignal::EndWithSignal()
{
    // The status a console program ends with when Ctrl+C ends it.
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}
