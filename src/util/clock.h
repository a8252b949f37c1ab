// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace rz {

// The one place the system clock is read. Tests replace it for their own scope.
double SystemSecondsNow();
// Seconds of a clock that never goes back, for timing intervals: it starts at the wall time of the
// process's first reading and then counts elapsed time, a suspend included, so a wall clock set
// back or forward does not move it, and a stamp of 0 lies long before any reading.
double MonotonicSecondsNow();

// Installs a fake clock for its lifetime: DateNow(), TickNow() and MonotonicSecondsNow() then read
// it on every thread. Set and Advance move wall and monotonic time alike; SetWallClock moves the
// wall clock alone, as a user or a time service setting the clock does. Only one may be installed at
// a time.
class ScopedFakeClock
{
public:
    explicit ScopedFakeClock(double secondsSince1970);
    ~ScopedFakeClock();
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

    void Set(double secondsSince1970);
    void SetWallClock(double secondsSince1970);
    void Advance(double seconds);
    double Now() const;
};

} // namespace rz
