#include "lookup/time_range.h"

#include <ctime>

#include "lookup/lookup.h"

namespace {

// No offset from UTC reaches two days (the zone database's largest are
// under 16 hours, a TZ string's at most 24:59:59), so a time more than two
// days inside the range 1970 to 3000 has a local year in it wherever it is
// seen from.
constexpr std::int64_t SAFE_MARGIN = std::int64_t{2} * 86400;
// 3001-01-01 00:00:00 UTC.
constexpr std::int64_t START_OF_3001 = 32535216000;

} // namespace

std::int64_t checked_file_time(std::int64_t t)
{
    // Nearly every file time lies far from both ends; those need no
    // conversion, which is the costliest step of a run.
    if (t >= SAFE_MARGIN && t < START_OF_3001 - SAFE_MARGIN) {
        return t;
    }
    const auto as_time = static_cast<std::time_t>(t);
    const std::tm *local = std::localtime(&as_time);
    if (local == nullptr) {
        return NO_TIME;
    }
    // tm_year counts from 1900, so 70 and 1100 are the years 1970 and 3000.
    if (local->tm_year < 70 || local->tm_year > 1100) {
        return NO_TIME;
    }
    return t;
}
