// A wide command line (wmain's, on Windows) as UTF-8 arguments, for option
// readers written for char**.
#pragma once

#include "paths.h"

#include <string>
#include <vector>

class Utf8Arguments {
public:
    Utf8Arguments(int argc, wchar_t** argv)
    {
        for (int i = 0; i < argc; ++i) m_arguments.push_back(WideToUtf8(argv[i]).value_or(std::string()));
        for (std::string& argument : m_arguments) m_pointers.push_back(argument.data());
        m_pointers.push_back(nullptr);
    }
    Utf8Arguments(const Utf8Arguments&) = delete;
    Utf8Arguments& operator=(const Utf8Arguments&) = delete;

    char** Argv() { return m_pointers.data(); }

private:
    std::vector<std::string> m_arguments;
    std::vector<char*> m_pointers;
};
