#include "debug_log.h"

#include "paths.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

bool IsDebugOutputEnabled()
{
    static const bool enabled = [] {
        const char* value = std::getenv("CORVALE_DEBUG");
        return value && *value;
    }();
    return enabled;
}

void DebugOutput(std::string_view text)
{
    if (!IsDebugOutputEnabled() || text.empty())
        return;
    static std::mutex lock;  // keeps lines of two threads apart
    std::lock_guard guard(lock);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void DebugOutput(std::wstring_view text)
{
    if (IsDebugOutputEnabled())
        DebugOutput(ToNativeBytes(std::wstring(text)));
}
