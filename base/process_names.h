// Names of temporary files that carry the id of the process that made them,
// so that what an ended process left behind can be told from what a running
// one still uses, and removed.
#pragma once

#include <filesystem>
#include <string>

unsigned long CurrentProcessId();

// True only when no process with this id exists. An id that cannot be
// checked (another user's process, say) counts as running.
bool ProcessHasEnded(unsigned long pid);

// "<tick count>-<process id>-<sequence>": the part of a work path that keeps
// the names of two instances, and of two calls within one millisecond, apart.
std::wstring MakeWorkNameStamp();

// ".corvale-<process id>-<sequence>.tmp": a hidden name for a file that is
// being written beside its target.
std::filesystem::path MakeStagedName();

// The process id in a work-folder name (a prefix of letters, the stamp, then
// anything), or in a staged name; 0 when the name is not one.
unsigned long ProcessOfWorkName(const std::filesystem::path& name);
unsigned long ProcessOfStagedName(const std::filesystem::path& name);

// Removes the work-folder entries (files and folders) that ended processes
// left in `folder`. Entries of running processes and other names stay.
void RemoveWorkLeftovers(const std::filesystem::path& folder);

// Removes the staged files that ended processes left in `folder`; anything
// else there is left alone.
void RemoveStagedLeftovers(const std::filesystem::path& folder);
