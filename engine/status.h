// Types shared by the engine and its owner: run and job states, the events
// of the status callback, and one queued file.
#pragma once

#include <cstdint>
#include <string>

// One numbering serves both the run state and the job states.
enum ConvertStatus : int32_t {
    STATUS_NONE = 0,
    STATUS_WAITING = 1,
    STATUS_STARTED = 2,
    STATUS_PAUSING = 3,
    STATUS_STOPPED = 4,
    STATUS_FINISHED = 5,
    STATUS_FAILED = 6,
    STATUS_PROCESSING = 7,
};

enum EngineEvent : int32_t {
    EVENT_ASK_OVERWRITE = 1,  // index: the job; return 1 to replace the target
    EVENT_RUN_STATE = 2,      // index -1; code: the new run state
    EVENT_JOB_STATE = 3,      // index: the job; code: its new state
};

// Called for every event: (user data, event, index, code). Runs on the worker
// thread, except for the run-state events STATUS_STARTED and STATUS_PAUSING,
// which Start and RequestStop send on the thread that calls them.
using StatusCallback = int32_t (*)(intptr_t userData, int32_t event, int32_t index, int32_t code);

struct JobItem {
    std::wstring source;  // full path as given to AddJob
    std::wstring target;  // full path of the result; empty until the job's turn
    int32_t state = STATUS_NONE;
    // Why the job did not finish, in plain words for the user ("the book is
    // protected by DRM"); empty when it finished, when a stop cut it off, and
    // before its turn. Set before the event that brings the job's final state.
    std::wstring reason;
    // What a reader of a finished job's PDF should know it lacks ("no font
    // could draw its Chinese text"); empty otherwise. Set before the event
    // that brings STATUS_FINISHED.
    std::wstring note;
};
