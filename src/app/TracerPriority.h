#pragma once
// The path tracer takes every core; the window's thread must still get one the moment it has
// something to do (a paint, a click), or a busy tracer stalls the window for a scheduler's time
// slice. The tracer's threads therefore run at a lower priority than the window's (a nice of
// TracerNice on Linux; elsewhere they run as they are).

constexpr int TracerNice = 5;

// Lowers the calling thread, and every thread of the task scheduler the tracer runs on as it
// joins in (the scheduler's threads work for the tracer alone in the window program).
void LowerTracerPriority();
