// An environment variable set (or removed) for as long as the object lives;
// what was there before comes back when it goes.
#pragma once

#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class ScopedEnv {
public:
    // `value` nullopt removes the variable.
    ScopedEnv(std::string name, const std::optional<std::string>& value) : m_name(std::move(name))
    {
        if (const char* old = std::getenv(m_name.c_str()))
            m_previous = old;
        Set(value);
    }
    ~ScopedEnv() { Set(m_previous); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::optional<std::string>& value) const
    {
#ifdef _WIN32
        _putenv_s(m_name.c_str(), value ? value->c_str() : "");  // empty removes it
#else
        if (value)
            setenv(m_name.c_str(), value->c_str(), 1);
        else
            unsetenv(m_name.c_str());
#endif
    }

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

// A temporary folder as XDG_CACHE_HOME for as long as the object lives, so
// the engine's work folder (its "Velmora" folder) belongs to the test alone.
class TempCacheHome {
public:
    TempCacheHome() : m_env("XDG_CACHE_HOME", m_dir.path().string()) {}
    const std::filesystem::path& path() const { return m_dir.path(); }
    std::filesystem::path WorkFolder() const { return m_dir.path() / "Velmora"; }

private:
    TempDir m_dir;
    ScopedEnv m_env;
};
