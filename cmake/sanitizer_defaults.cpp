// The sanitizers' settings built into every program of a sanitizer build
// (ASAN_OPTIONS and the like still override them). A report aborts the
// program, so that a test sees a crash even where it expects the tool to
// fail with a reason. Leaks are looked for everywhere: the libraries these
// programs use (libmobi, libqpdf, libpng, libjpeg, giflib, GoogleTest) free
// what they take, so no report needs to be hidden.
extern "C" {

const char* __asan_default_options()
{
    return "abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:"
           "check_initialization_order=1";
}

const char* __ubsan_default_options() { return "halt_on_error=1:abort_on_error=1:print_stacktrace=1"; }

}
