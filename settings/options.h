// The program's settings while it runs: the output-folder text and the PDF
// page size. One object, reachable through g_pOptions; the window loads and
// saves it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class COptions {
public:
    static constexpr int32_t kDefaultPageWidth = 210;   // A4
    static constexpr int32_t kDefaultPageHeight = 297;

    COptions() = default;
    virtual ~COptions() = default;

    std::wstring m_strOutputPath;  // text of the output-folder field
    // Read by the worker thread at the start of each book while the window
    // may change them.
    std::atomic<int32_t> m_nPageWidth{kDefaultPageWidth};
    std::atomic<int32_t> m_nPageHeight{kDefaultPageHeight};
};

// Both page measurements must lie in this range, inclusive, in millimetres:
// the renderer is never asked for a page outside it.
inline constexpr int32_t kMinPageMeasurement = 26;
inline constexpr int32_t kMaxPageMeasurement = 1500;

constexpr bool IsPageMeasurementInRange(int64_t millimetres)
{
    return millimetres >= kMinPageMeasurement && millimetres <= kMaxPageMeasurement;
}

// The one settings object, set by whoever creates it; null otherwise.
extern COptions* g_pOptions;
