// An engine whose conversion the test decides, recording every event.
#pragma once

#include "engine/engine.h"

#include <functional>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

struct Event {
    int32_t event, index, code;
    bool operator==(const Event&) const = default;
};

inline void PrintTo(const Event& e, std::ostream* os)
{
    *os << "{" << e.event << "," << e.index << "," << e.code << "}";
}

class RecordingEngine : public VelmoraEng {
public:
    explicit RecordingEngine(Key key) : VelmoraEng(key)
    {
        m_pfnCallback = &RecordingEngine::Callback;
        m_pUserData = reinterpret_cast<intptr_t>(this);
    }

    std::wstring GetSourceExtensions() const override { return L"mobi"; }
    std::wstring GetTargetExtension() const override { return L"pdf"; }
    bool ConvertFile(const std::wstring& source, const std::wstring& target) override
    {
        {
            std::lock_guard guard(m_mutex);
            m_converted.push_back(source + L" -> " + target);
        }
        return convert ? convert(source, target) : true;
    }
    void OnToolOutput(const char*) override {}

    std::vector<Event> Events() const
    {
        std::lock_guard guard(m_mutex);
        return m_events;
    }
    std::vector<std::wstring> Converted() const
    {
        std::lock_guard guard(m_mutex);
        return m_converted;
    }
    void ClearRecords()
    {
        std::lock_guard guard(m_mutex);
        m_events.clear();
        m_converted.clear();
    }

    std::function<bool(const std::wstring&, const std::wstring&)> convert;
    std::function<int32_t(const Event&)> answer;  // the owner's answer to each event

    using VelmoraEng::BuildTargetPath;
    using VelmoraEng::IsReplaceAgreed;
    using VelmoraEng::SetJobNote;
    using VelmoraEng::SetJobReason;

private:
    static int32_t Callback(intptr_t user, int32_t event, int32_t index, int32_t code)
    {
        auto* self = reinterpret_cast<RecordingEngine*>(user);
        const Event e{event, index, code};
        {
            std::lock_guard guard(self->m_mutex);
            self->m_events.push_back(e);
        }
        return self->answer ? self->answer(e) : 0;
    }

    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
    std::vector<std::wstring> m_converted;
};

using FakeEngine = Engine<RecordingEngine>;
