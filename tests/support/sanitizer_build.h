// Whether the tests and the programs they run were built with
// AddressSanitizer, whose shadow memory and quarantine of freed memory
// change how much memory a program holds: bounds on memory are checked
// only without it.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif
