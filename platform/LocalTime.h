#pragma once
// The local wall-clock time.

#include <cstdint>

struct TLocalDateTime {
    int Year = 0;    // full year, e.g. 2026
    int Month = 0;   // 1..12
    int Day = 0;     // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

TLocalDateTime LocalNow();
// A moment in seconds since 1970 (UTC) on the local wall clock.
TLocalDateTime LocalTimeOf(int64_t unixSeconds);

// Tests stop the clock to compare archives written at different moments;
// nullptr puts the system clock back.
using TLocalClock = TLocalDateTime (*)();
void SetLocalClock(TLocalClock clock);
