#include "process_list.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

std::vector<ProcessEntry> ListProcesses()
{
    std::vector<ProcessEntry> processes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // pid (comm) state ppid pgrp ...; comm may hold blanks and parentheses.
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        ProcessEntry process;
        process.pid = std::stoi(name);
        process.name = stat.substr(open + 1, close - open - 1);
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        rest >> state >> process.parent >> process.group;
        if (state != 'Z') processes.push_back(process);  // the dead that wait to be reaped hold nothing
    }
    return processes;
}

std::vector<ProcessEntry> ProcessesOf(int ancestor)
{
    const std::vector<ProcessEntry> all = ListProcesses();
    std::set<int> family{ancestor};
    for (bool grown = true; grown;) {
        grown = false;
        for (const ProcessEntry& process : all)
            if (family.count(process.parent) && family.insert(process.pid).second) grown = true;
    }
    std::vector<ProcessEntry> found;
    for (const ProcessEntry& process : all)
        if (process.pid != ancestor && (family.count(process.pid) || process.group == ancestor))
            found.push_back(process);
    return found;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds guard)
{
    const auto until = std::chrono::steady_clock::now() + guard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polling an event, not guessing a time
    }
    return true;
}
