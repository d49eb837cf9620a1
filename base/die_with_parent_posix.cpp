// POSIX: Linux kills a process when its parent ends if asked to; elsewhere
// there is nothing to arm.
#include "die_with_parent.h"

#ifdef __linux__
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

bool DieWithParentOf(int parentPid)
{
#ifdef __linux__
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        return true;  // not supported here: nothing to arm
    // The parent may have ended before the request was made; then the
    // signal never comes and the process has a new parent.
    return getppid() == parentPid;
#else
    (void)parentPid;
    return true;
#endif
}

bool DieWithParent()
{
#ifdef __linux__
    return DieWithParentOf(static_cast<int>(getppid()));
#else
    return true;
#endif
}
