// Ties a process's life to the process that started it: when that process
// dies, it is killed too, so a killed program leaves no tool running, and a
// killed tool no render of its own.
#pragma once

// Asks the system to kill this process when its parent ends (Linux; elsewhere
// it does nothing and returns true). Returns false when the parent has
// already ended, in which case the caller should end at once.
bool DieWithParent();

// The same for a child just forked by `parentPid`, between fork and exec.
// Async-signal-safe.
bool DieWithParentOf(int parentPid);
