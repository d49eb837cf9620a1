// Windows: the script runs through the command interpreter with no console
// window, inside a job object so that ending it ends what it started.
#include "child_process.h"

#include "debug_log.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Handle {
    HANDLE h = nullptr;
    ~Handle() { if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h); }
    HANDLE Take() { HANDLE t = h; h = nullptr; return t; }
};

// Ends every process of the job and waits until they are gone: a process
// that is terminated goes on closing its files for a moment, and what it
// was writing can only be removed once it has.
void EndJob(HANDLE job)
{
    TerminateJobObject(job, 1);
    std::vector<unsigned char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + 255 * sizeof(ULONG_PTR));
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, static_cast<DWORD>(buffer.size()),
                                   nullptr) &&
        GetLastError() != ERROR_MORE_DATA)
        return;
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
        Handle process;
        process.h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(list->ProcessIdList[i]));
        if (process.h)
            WaitForSingleObject(process.h, 10000);  // bounded: a process stuck in the kernel can't hold us
    }
}

// The program's environment block with `extra` in place of variables of the
// same name (names compare without case, as Windows does).
std::wstring EnvironmentBlockWith(const ChildEnvironment& extra)
{
    std::wstring block;
    for (const auto& [name, value] : extra)
        block += name + L"=" + value + L'\0';
    if (wchar_t* own = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
            bool replaced = false;
            for (const auto& [name, value] : extra)
                replaced = replaced || (_wcsnicmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == L'=');
            if (!replaced)
                block += std::wstring(entry) + L'\0';
        }
        FreeEnvironmentStringsW(own);
    }
    return block + L'\0';
}

}  // namespace

ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess()
{
    if (m_hProcess && !m_bEnded)
        Terminate();
    if (m_hProcess) CloseHandle(m_hProcess);
    if (m_hJob) CloseHandle(m_hJob);
    if (m_hOutputRead) CloseHandle(m_hOutputRead);
}

bool ChildProcess::Start(const std::wstring& scriptPath, const ChildEnvironment& extra)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle outRead, outWrite, inRead, inWrite;
    if (!CreatePipe(&outRead.h, &outWrite.h, &inherit, 0))
        DebugOutput("StdoutRd CreatePipe\n");
    else if (!SetHandleInformation(outRead.h, HANDLE_FLAG_INHERIT, 0))
        DebugOutput("Stdout SetHandleInformation\n");
    if (!CreatePipe(&inRead.h, &inWrite.h, &inherit, 0))
        DebugOutput("Stdin CreatePipe\n");
    else if (!SetHandleInformation(inWrite.h, HANDLE_FLAG_INHERIT, 0))
        DebugOutput("Stdin SetHandleInformation\n");

    Handle job;
    job.h = CreateJobObjectW(nullptr, nullptr);
    if (job.h) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead.h;
    startup.hStdOutput = outWrite.h;
    startup.hStdError = outWrite.h;

    std::wstring commandLine = L"cmd.exe /d /c \"\"" + scriptPath + L"\"\"";
    std::wstring environment = EnvironmentBlockWith(extra);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                        &startup, &process)) {
        DebugOutput("CreateProcess\n");
        return false;
    }
    if (job.h)
        AssignProcessToJobObject(job.h, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    m_hProcess = process.hProcess;
    m_hJob = job.Take();
    m_hOutputRead = outRead.Take();
    return true;
}

bool ChildProcess::Wait(int milliseconds)
{
    if (m_bEnded || !m_hProcess)
        return true;
    // Pipes cannot be waited on: look for output in short steps.
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (WaitForSingleObject(m_hProcess, 50) == WAIT_OBJECT_0) {
            Reap();
            return true;
        }
        DWORD pending = 0;
        if (m_hOutputRead && PeekNamedPipe(m_hOutputRead, nullptr, 0, nullptr, &pending, nullptr) &&
            pending > 0)
            return false;
    }
    if (WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0) {
        Reap();
        return true;
    }
    return false;
}

size_t ChildProcess::ReadPending(char* buffer, size_t size)
{
    DWORD pending = 0;
    if (!m_hOutputRead || !PeekNamedPipe(m_hOutputRead, nullptr, 0, nullptr, &pending, nullptr) ||
        pending == 0)
        return 0;
    DWORD read = 0;
    const DWORD want = static_cast<DWORD>(pending < size ? pending : size);
    if (!ReadFile(m_hOutputRead, buffer, want, &read, nullptr))
        return 0;
    return read;
}

void ChildProcess::Terminate()
{
    if (!m_hProcess || m_bEnded)
        return;
    if (m_hJob)
        EndJob(m_hJob);
    else
        TerminateProcess(m_hProcess, 1);
    WaitForSingleObject(m_hProcess, INFINITE);
    Reap();
}

void ChildProcess::Reap()
{
    if (m_hJob)
        EndJob(m_hJob);  // whatever the script left running
    m_bEnded = true;
}
