// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace rz {

// The one place the system clock is read. Tests replace it for their own scope.
double SystemSecondsNow();

// Installs a fake clock for its lifetime: DateNow() and TickNow() then read it on every thread.
// Only one may be installed at a time.
class ScopedFakeClock
{
public:
    explicit ScopedFakeClock(double secondsSince1970);
    ~ScopedFakeClock();
    ScopedFakeClock(const ScopedFakeClock&) = delete;
    ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

    void Set(double secondsSince1970);
    void Advance(double seconds);
    double Now() const;
};

} // namespace rz
