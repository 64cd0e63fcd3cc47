#pragma once
// Waiting in tests for something that the event loop or another thread brings about.

#include <functional>

/**
 * Runs the calling thread's event loop until done() holds; false when it still does not after
 * timeoutMs. The loop sleeps while no event comes and wakes every 20 ms to ask done() again,
 * so a condition another thread makes true is seen without a busy loop. The time-out only
 * stops a hang; it never decides a test by timing.
 */
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
