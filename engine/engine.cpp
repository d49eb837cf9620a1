#include "engine.h"

#include "base/ascii.h"
#include "job_reasons.h"
#include "base/paths.h"

#include <filesystem>
#include <system_error>

VelmoraEng::VelmoraEng(Key) {}

VelmoraEng::~VelmoraEng() = default;

int32_t VelmoraEng::Report(int32_t event, int32_t index, int32_t code)
{
    StatusCallback callback = m_pfnCallback;
    return callback ? callback(m_pUserData, event, index, code) : 0;
}

bool VelmoraEng::IsSourceAccepted(const std::wstring& path) const
{
    const std::wstring list = GetSourceExtensions();
    if (list.empty())
        return true;
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos)
        return false;
    const std::wstring extension = ToAsciiLower(std::wstring_view(path).substr(dot + 1));
    if (extension.empty())
        return false;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        if (list.compare(start, end - start, extension) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

int VelmoraEng::AddJob(const std::wstring& path)
{
    if (!IsSourceAccepted(path))
        return -1;
    auto job = std::make_unique<JobItem>();
    job->source = path;
    std::lock_guard guard(m_lock);
    m_jobs.push_back(std::move(job));
    return static_cast<int>(m_jobs.size()) - 1;
}

void VelmoraEng::ClearJobs()
{
    std::lock_guard guard(m_lock);
    m_jobs.clear();
}

JobItem VelmoraEng::GetJob(int index) const
{
    std::lock_guard guard(m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_jobs.size())
        return JobItem();
    return *m_jobs[static_cast<size_t>(index)];
}

int VelmoraEng::GetJobCount() const
{
    std::lock_guard guard(m_lock);
    return static_cast<int>(m_jobs.size());
}

void VelmoraEng::SetJobReason(int index, const std::wstring& reason)
{
    std::lock_guard guard(m_lock);
    if (index >= 0 && static_cast<size_t>(index) < m_jobs.size())
        m_jobs[static_cast<size_t>(index)]->reason = reason;
}

void VelmoraEng::SetJobNote(int index, const std::wstring& note)
{
    std::lock_guard guard(m_lock);
    if (index >= 0 && static_cast<size_t>(index) < m_jobs.size())
        m_jobs[static_cast<size_t>(index)]->note = note;
}

void VelmoraEng::SetJobState(int32_t state, int index)
{
    {
        std::lock_guard guard(m_lock);
        if (index < 0 || static_cast<size_t>(index) >= m_jobs.size())
            return;
        m_jobs[static_cast<size_t>(index)]->state = state;
    }
    // Never call back with the lock held: the owner may call GetJob.
    Report(EVENT_JOB_STATE, index, state);
}

std::wstring VelmoraEng::BuildTargetPath(const std::wstring& folder, const std::wstring& source) const
{
    std::wstring target = folder;
    while (target.size() > 1 && IsPathSeparator(target.back()))
        target.pop_back();
    if (target.empty() || !IsPathSeparator(target.back()))  // the root keeps its one separator
        target += kPathSeparator;
    target += GetFileNamePart(source);
    ChangeExtension(target, GetTargetExtension());
    return target;
}

bool VelmoraEng::Start()
{
    if (m_bWorkerActive)
        return false;  // one run at a time
    WaitForWorker();   // the previous worker has ended; release its thread

    m_nState = STATUS_STARTED;
    Report(EVENT_RUN_STATE, -1, STATUS_STARTED);

    m_bWorkerActive = true;
    try {
        m_thread = std::thread([this] { ProcessJobs(); });
    } catch (const std::system_error&) {
        // No worker will end this run: report it stopped here.
        m_bWorkerActive = false;
        m_nState = STATUS_STOPPED;
        Report(EVENT_RUN_STATE, -1, STATUS_STOPPED);
        return false;
    }
    return true;
}

void VelmoraEng::RequestStop()
{
    // Held while "pausing" is reported, so the worker's end of the run
    // (which waits for this lock) is always reported after it.
    std::lock_guard guard(m_runEndLock);
    int32_t expected = STATUS_STARTED;
    if (m_nState.compare_exchange_strong(expected, STATUS_PAUSING))
        Report(EVENT_RUN_STATE, -1, STATUS_PAUSING);
}

void VelmoraEng::WaitForWorker()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void VelmoraEng::StopAndWait()
{
    RequestStop();
    WaitForWorker();
}


void VelmoraEng::ProcessJobs()
{
    const int count = GetJobCount();
    for (int i = 0; i < count; ++i) {
        SetJobReason(i, std::wstring());
        SetJobState(STATUS_WAITING, i);
    }
    m_nBase = 0;

    bool stopped = false;
    // The length is read again at every turn: jobs added during the run count.
    for (int i = 0; i < GetJobCount(); ++i) {
        if (m_nState != STATUS_STARTED) {
            stopped = true;
            break;
        }
        std::wstring source, target;
        int32_t state;
        {
            std::lock_guard guard(m_lock);
            m_nShare = 100 / static_cast<int32_t>(m_jobs.size());
            JobItem& job = *m_jobs[static_cast<size_t>(i)];
            source = job.source;
            const std::wstring folder = m_bSameFolder ? GetFolderPart(source) : m_strOutputFolder;
            target = BuildTargetPath(folder, source);
            job.target = target;
            state = job.state;
        }
        if (state == STATUS_FINISHED)
            continue;  // the owner marked it done during this run

        m_nCurrent = i;
        SetJobState(STATUS_STARTED, i);

        // An existing target is never replaced without the owner's yes; one
        // that appears only later is kept by the conversion's last step.
        const bool exists = FileExists(target);
        if (exists && Report(EVENT_ASK_OVERWRITE, i, 0) != 1) {
            SetJobReason(i, reasons::kTargetKept);
            SetJobState(STATUS_STOPPED, i);
            continue;
        }
        m_bReplaceAgreed = exists;
        m_bTargetKept = false;
        SetJobNote(i, std::wstring());  // a note of an earlier run is not this one's

        const bool converted = ConvertFile(source, target);
        const int32_t result = converted ? STATUS_FINISHED
                               : m_bTargetKept || m_nState != STATUS_STARTED ? STATUS_STOPPED
                                                                             : STATUS_FAILED;
        if (result == STATUS_FINISHED || (result == STATUS_STOPPED && !m_bTargetKept))
            SetJobReason(i, std::wstring());  // a stop cuts a book off, it gives no reason
        if (result != STATUS_FINISHED)
            SetJobNote(i, std::wstring());  // a note speaks of a PDF that was written
        SetJobState(result, i);
    }

    bool finished = false;
    if (!stopped) {
        std::lock_guard guard(m_runEndLock);
        int32_t expected = STATUS_STARTED;
        finished = m_nState.compare_exchange_strong(expected, STATUS_FINISHED);
    }
    if (finished)
        Report(EVENT_RUN_STATE, -1, STATUS_FINISHED);
    else
        StopRun();
    m_nCurrent = -1;
    m_bWorkerActive = false;
}

void VelmoraEng::StopRun()
{
    const int count = GetJobCount();
    for (int i = 0; i < count; ++i) {
        int32_t state;
        {
            std::lock_guard guard(m_lock);
            state = m_jobs[static_cast<size_t>(i)]->state;
        }
        if (state == STATUS_WAITING)
            SetJobState(STATUS_STOPPED, i);
    }
    {
        std::lock_guard guard(m_runEndLock);
        m_nState = STATUS_STOPPED;
    }
    Report(EVENT_RUN_STATE, -1, STATUS_STOPPED);
}
