/*
 * libvips keeps caches and type tables for the life of a process, which LeakSanitizer
 * reports as leaks. Under the sanitizer build the command tests, and the kavdb processes
 * they start (which inherit the environment), run without leak detection; address and
 * undefined-behaviour checks stay on. Set here rather than in each test's environment,
 * of which ctest's test discovery carries one entry only, and the server cases need the
 * test server's address there.
 */
#include <cstdlib>

extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

namespace {

[[maybe_unused]] const bool childrenInherit = ::setenv("ASAN_OPTIONS", "detect_leaks=0", 0) == 0;

} // namespace
