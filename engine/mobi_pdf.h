// MOBI to PDF through the two external tools.
#pragma once

#include "engine.h"

#include <string>

class MobiPdfCore : public VelmoraEng {
public:
    using VelmoraEng::VelmoraEng;
    bool ConvertFile(const std::wstring& source, const std::wstring& target) override;
    void OnToolOutput(const char*) override {}

private:
    void ReportProgress(int32_t quarter);
};

class MobiPdfEng : public MobiPdfCore {
public:
    using MobiPdfCore::MobiPdfCore;
    std::wstring GetSourceExtensions() const override { return L"mobi"; }
    std::wstring GetTargetExtension() const override { return L"pdf"; }
    // Label and pattern for the open-file dialog, each ended by a NUL, and a
    // closing NUL.
    std::wstring GetFileFilter() const;
};

// "exe" options "input" "output", every path quoted for the script.
std::wstring BuildToolCommand(const std::wstring& exe, const std::wstring& options,
                              const std::wstring& input, const std::wstring& output);

// True when the path names an existing entry (a folder counts too).
bool FileExists(const std::wstring& path);

// Removes a folder with everything in it; 1 when there was no such folder,
// 0 otherwise. Symbolic links inside are removed, never followed.
int DeleteFolder(const std::wstring& folder);
