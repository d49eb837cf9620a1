// MOBI to PDF through the two external tools.
#pragma once

#include "engine.h"

#include <string>
#include <string_view>

class MobiPdfCore : public VelmoraEng {
public:
    using VelmoraEng::VelmoraEng;
    // Converts one book; when it returns false the job's reason says why
    // (GetJob(index).reason), unless a stop cut the book off.
    bool ConvertFile(const std::wstring& source, const std::wstring& target) override;
    // Keeps what the running tool writes, so that its failure can say why. A
    // subclass that watches the output too must call this one.
    void OnToolOutput(const char* chunk) override;

private:
    void ReportProgress(int32_t quarter);
    bool RunConversionTool(const std::wstring& commandLine);
    std::wstring ToolFailureReason(const std::wstring& tool) const;

    std::string m_strToolOutput;  // the last part of the running tool's output
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

// "exe" options "input" "output", every path quoted for the script; on
// POSIX systems preceded by "exec ".
std::wstring BuildToolCommand(const std::wstring& exe, const std::wstring& options,
                              const std::wstring& input, const std::wstring& output);

// Removes a folder with everything in it; 1 when there was no such folder,
// 0 otherwise. Symbolic links inside are removed, never followed.
int DeleteFolder(const std::wstring& folder);
