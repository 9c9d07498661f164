// Rules about which time values the program can show as local calendar time.
#pragma once

#include <cstdint>
#include <ctime>

// Every time value must reach the local-time conversion unchanged.
static_assert(sizeof(std::time_t) >= sizeof(std::int64_t), "time_t must hold 64-bit time values");

// 3001-01-01 07:59:59 UTC: the last instant that the Windows C runtime's
// local-time conversion accepts, and so the last one a record may show on
// any platform.
inline constexpr std::int64_t LAST_CALENDAR_TIME = 32535244799;

// True when `t` has a calendar form that a time column can show.
constexpr bool has_calendar_form(std::int64_t t)
{
    return t >= 0 && t <= LAST_CALENDAR_TIME;
}

// A file time as the lookup yields it: `t` itself when its local calendar
// year lies between 1970 and 3000, NO_TIME otherwise (also when the local
// time conversion fails).
std::int64_t checked_file_time(std::int64_t t);
