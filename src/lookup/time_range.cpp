#include "lookup/time_range.h"

#include <ctime>

#include "lookup/lookup.h"

std::int64_t checked_file_time(std::int64_t t)
{
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
