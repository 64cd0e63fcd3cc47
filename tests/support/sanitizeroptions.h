#pragma once
// Defaults for the test programs when they are built with ThreadSanitizer.
//
// Debian's Qt is not built with ThreadSanitizer: its mutexes are futexes the sanitizer cannot
// see, so every hand-over through Qt's event queue, thread pool or thread start would look like
// a race. Accesses made by Qt's own code are therefore left out (ignore_noninstrumented_modules),
// and the program's threads hand data over through std::mutex, std::atomic and std::thread,
// which the sanitizer sees; a report is then a race in the program's code.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1:second_deadlock_stack=1";
}
#endif
