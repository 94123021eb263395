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
    return LocalTimeOf(static_cast<int64_t>(std::time(nullptr)));
}

TLocalDateTime LocalTimeOf(int64_t unixSeconds)
{
    const std::time_t when = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    TLocalDateTime result;
    if (localtime_r(&when, &parts) == nullptr)
        return result;
    result.Year = parts.tm_year + 1900;
    result.Month = parts.tm_mon + 1;
    result.Day = parts.tm_mday;
    result.Hour = parts.tm_hour;
    result.Minute = parts.tm_min;
    result.Second = parts.tm_sec;
    return result;
}
