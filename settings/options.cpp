#include "options.h"

#include "engine/paths.h"

#include <cstdlib>

COptions* g_pOptions = nullptr;

std::wstring DefaultOutputFolder()
{
#ifdef _WIN32
    return L"C:\\";
#else
    if (const char* home = std::getenv("HOME"); home && *home)
        return FromNativePath(home);
    return L"/";
#endif
}
