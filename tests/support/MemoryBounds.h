// Bounds on the process's resident memory hold for the program as it ships. AddressSanitizer (and the
// thread and memory sanitizers) keep shadow memory, red zones and a quarantine of freed blocks beside
// every allocation, so under them such a bound measures the sanitizer, not our code. Whether one is
// built in is known when the test is compiled; under one, EXPECT_MEMORY_BELOW leaves out only the
// bound itself and the rest of the test runs as usual.
#pragma once

#include <gtest/gtest.h>

namespace testsupport {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kMemoryIsSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
inline constexpr bool kMemoryIsSanitized = true;
#else
inline constexpr bool kMemoryIsSanitized = false;
#endif
#else
inline constexpr bool kMemoryIsSanitized = false;
#endif

// Passes when `megabytes` is below `bound`, or under a sanitizer whatever it is; the measured
// work runs either way.
inline ::testing::AssertionResult memoryBelow(const char *measured, const char *limit, double megabytes, double bound)
{
    if (kMemoryIsSanitized || megabytes < bound)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << measured << " came to " << megabytes << " MB, not below " << limit << " ("
                                         << bound << " MB)";
}

} // namespace testsupport

// EXPECT_LT(megabytes, bound) where memory bounds hold; under a sanitizer only `megabytes` is worked out.
#define EXPECT_MEMORY_BELOW(megabytes, bound) EXPECT_PRED_FORMAT2(testsupport::memoryBelow, megabytes, bound)
