#include "LocalTime.h"

#include <ctime>

namespace {

TLocalClock& Clock()
{
    static TLocalClock clock = nullptr;
    return clock;
}

} // namespace

void SetLocalClock(TLocalClock clock)
{
    Clock() = clock;
}

TLocalDateTime LocalNow()
{
    if (Clock())
        return Clock()();
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    TLocalDateTime result;
    result.Year = parts.tm_year + 1900;
    result.Month = parts.tm_mon + 1;
    result.Day = parts.tm_mday;
    result.Hour = parts.tm_hour;
    result.Minute = parts.tm_min;
    result.Second = parts.tm_sec;
    return result;
}
