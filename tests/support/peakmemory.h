#pragma once

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif

namespace kestrovalin::test {

// The most memory the process has held so far, in MB.
inline long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Whether that figure is the program's: under AddressSanitizer its shadow memory, red zones and quarantine
// of freed blocks alone pass the bounds the tests hold the program to.
#ifdef KV_ADDRESS_SANITIZER
inline constexpr bool kPeakMemoryMeasured = false;
#else
inline constexpr bool kPeakMemoryMeasured = true;
#endif

} // namespace kestrovalin::test
