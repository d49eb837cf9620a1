#include "stop_signal.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t g_nSignal = 0;
int g_nPipe[2] = {-1, -1};
struct sigaction g_previous[3];

void OnSignal(int signal)
{
    g_nSignal = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_nPipe[1], &byte, 1);
}

}  // namespace

StopSignal::StopSignal()
{
    if (pipe2(g_nPipe, O_CLOEXEC | O_NONBLOCK) != 0) g_nPipe[0] = g_nPipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
    // A closed pipe shows up as a failed write, never as a signal.
    signal(SIGPIPE, SIG_IGN);
}

StopSignal::~StopSignal()
{
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    for (int& fd : g_nPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

bool StopSignal::Requested() { return g_nSignal != 0; }

int StopSignal::Descriptor() { return g_nPipe[0]; }

void StopSignal::Request() { raise(SIGTERM); }

void StopSignal::HoldOff()
{
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : kSignals) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, nullptr);
}

void StopSignal::EndWithSignal()
{
    const int signal = g_nSignal != 0 ? static_cast<int>(g_nSignal) : SIGTERM;
    std::signal(signal, SIG_DFL);
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, signal);
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    raise(signal);
    std::_Exit(128 + signal);
}
