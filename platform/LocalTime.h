#pragma once
// The local wall-clock time.

struct TLocalDateTime {
    int Year = 0;    // full year, e.g. 2026
    int Month = 0;   // 1..12
    int Day = 0;     // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

TLocalDateTime LocalNow();

// Tests stop the clock to compare archives written at different moments;
// nullptr puts the system clock back.
using TLocalClock = TLocalDateTime (*)();
void SetLocalClock(TLocalClock clock);
