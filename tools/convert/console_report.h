// What corvale-convert tells its user: one line per book on standard output,
// and a progress bar on standard error when that is a terminal.
#pragma once

#include <mutex>
#include <string>

class ConsoleReport {
public:
    ConsoleReport();
    void Line(const std::string& text);                  // one result line
    void Progress(int percent, const std::string& book);  // redraws the bar
    void Error(const std::string& text);                 // a message on standard error

private:
    void ClearBar();

    std::mutex m_lock;
    bool m_bBar = false;      // standard error is a terminal
    bool m_bBarShown = false;
};
