// The processes of this machine, read from /proc, for tests that check
// that nothing is left running.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct ProcessEntry {
    int pid = 0;
    int parent = 0;
    int group = 0;
    std::string name;  // the command name, as ps shows it
};

std::vector<ProcessEntry> ListProcesses();

// The processes that descend from `ancestor` or are in its process group.
std::vector<ProcessEntry> ProcessesOf(int ancestor);

// Checks `done` until it holds; false if it still does not after `guard`,
// which only bounds a test that fails, never times what it waits for.
bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds guard = std::chrono::seconds(120));
