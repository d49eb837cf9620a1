// libjpeg's fatal errors as a jump back to the caller's setjmp, and its
// warnings kept quiet, for the program and its tools alike. libjpeg calls
// error_exit on a fatal error and that call must not return.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] inline void JumpOnJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

inline void IgnoreJpegMessage(j_common_ptr) {}

// Sets up `errors`; the result goes into the codec's `err`.
inline jpeg_error_mgr* SetUpJpegErrors(JpegErrors& errors)
{
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpOnJpegError;
    errors.manager.output_message = IgnoreJpegMessage;
    return &errors.manager;
}
