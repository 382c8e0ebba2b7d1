// The main of the test programs that drive SANE's test backend through failing pages. That backend (like others built
// on SANE's thread helper) ends its reader thread by asynchronous cancellation, which can leave a lock of the C
// library (the dynamic loader's, or the allocator's) held by a thread that no longer exists; the normal exit would then
// wait on it for ever after every test has passed. These programs therefore end with _Exit once the tests have run and
// their output is flushed: no exit handler runs after the tests, so neither does the sanitizer's leak check.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    std::_Exit(result);
}
