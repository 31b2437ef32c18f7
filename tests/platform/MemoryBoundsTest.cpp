// The memory bounds of the tests are left out exactly when a sanitizer's runtime is in the process:
// a plain build that took itself for a sanitized one would drop every bound without a word.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include "support/MemoryBounds.h"

TEST(MemoryBounds, AreLeftOutOnlyUnderASanitizerRuntime)
{
    const bool runtime =
        dlsym(RTLD_DEFAULT, "__asan_init") || dlsym(RTLD_DEFAULT, "__tsan_init") || dlsym(RTLD_DEFAULT, "__msan_init");
    EXPECT_EQ(testsupport::kMemoryIsSanitized, runtime);
    // A measure over its bound passes only there.
    EXPECT_EQ(bool(testsupport::memoryBelow("peak", "bound", 2.0, 1.0)), runtime);
}
