#include "lookup/time_range.h"

#include <gtest/gtest.h>

#include "lookup/lookup.h"
#include "tz_scope.h"

namespace {

struct year_case {
    const char *zone;
    std::int64_t t;
    std::int64_t expected;
};

// 1970-01-01 00:00:00 UTC is 0; 3000-12-31 23:59:59 UTC is 32535215999.
const year_case YEAR_CASES[] = {
    {"UTC", 0, 0},
    {"UTC", -1, NO_TIME},
    {"UTC", -86400, NO_TIME},
    {"UTC", 1796993355, 1796993355},
    {"UTC", 32535215999, 32535215999},
    {"UTC", 32535216000, NO_TIME},
    // East of UTC the first local hour of 1970 lies before the epoch: the
    // year rule lets it pass, and the record shows it as an empty column.
    {"Europe/Berlin", -3600, -3600},
    {"Europe/Berlin", -3601, NO_TIME},
    // West of UTC the epoch itself is still 1969 in local time.
    {"America/New_York", 0, NO_TIME},
    {"America/New_York", 18000, 18000},
    // At UTC-8 the last second of the year 3000 is the last time with any
    // calendar form; at UTC-10 the year rule passes times past it.
    {"America/Los_Angeles", 32535244799, 32535244799},
    {"America/Los_Angeles", 32535244800, NO_TIME},
    {"Pacific/Honolulu", 32535251999, 32535251999},
    {"Asia/Kolkata", 32535196199, 32535196199},
    {"Asia/Kolkata", 32535196200, NO_TIME},
    // The largest offset a TZ string can give, either way.
    {"XXX+24:59:59", 89999, 89999},
    {"XXX+24:59:59", 89998, NO_TIME},
    {"XXX-24:59:59", 32535216000 - 90000, 32535216000 - 90000},
    {"XXX-24:59:59", 32535216000 - 89999, NO_TIME},
    // Far outside anything a calendar of int years holds.
    {"UTC", INT64_MAX, NO_TIME},
    {"UTC", INT64_MIN, NO_TIME},
};

TEST(checked_file_time, local_year_between_1970_and_3000)
{
    for (const year_case &c : YEAR_CASES) {
        const tz_scope zone(c.zone);
        const std::int64_t got = checked_file_time(c.t);
        EXPECT_EQ(got, c.expected)
            << c.zone << " " << c.t << ": want " << c.expected << ", got " << got;
    }
}

TEST(has_calendar_form, from_the_epoch_to_the_conversion_limit)
{
    EXPECT_FALSE(has_calendar_form(NO_TIME));
    EXPECT_FALSE(has_calendar_form(INT64_MIN));
    EXPECT_TRUE(has_calendar_form(0));
    EXPECT_TRUE(has_calendar_form(LAST_CALENDAR_TIME));
    EXPECT_FALSE(has_calendar_form(LAST_CALENDAR_TIME + 1));
}

} // namespace
