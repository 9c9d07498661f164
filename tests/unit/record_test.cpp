#include "record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lookup/time_range.h"
#include "record_text.h"
#include "tz_scope.h"

namespace {

// 2026-07-01 12:00:00 UTC, in summer time in Berlin and New York.
constexpr std::int64_t JULY = 1782907200;
// 2026-01-15 08:30:00 UTC, in standard time.
constexpr std::int64_t JANUARY = 1768465800;

file_entry make_entry(const char *name, std::uint64_t size, std::int64_t created,
                      std::int64_t updated, std::int64_t accessed)
{
    file_entry e{};
    std::strncpy(e.filename, name, FILENAME_MAX_BYTES);
    e.size = size;
    e.created = created;
    e.updated = updated;
    e.accessed = accessed;
    return e;
}

std::string timestamp(std::int64_t t)
{
    char buffer[TIMESTAMP_BUFFER_SIZE];
    format_timestamp(t, buffer);
    return buffer;
}

TEST(write_record, columns_in_order)
{
    const tz_scope zone("UTC");
    EXPECT_EQ(record_text(make_entry("app.log", 1234, JANUARY, JULY, JULY + 61), JULY + 3600),
              "\"app.log\",1234,\"20260115 083000\",\"20260701 120000\","
              "\"20260701 120101\",\"20260701 130000\"\n");
}

TEST(write_record, names_and_sizes)
{
    const tz_scope zone("UTC");
    struct name_case {
        const char *name;
        std::uint64_t size;
        const char *first_columns;
    } cases[] = {
        {"empty", 0, "\"empty\",0,"},
        {"a,b", 7, "\"a,b\",7,"},
        {"say \"hi\"", 1, "\"say \"\"hi\"\"\",1,"},
        {"\"", 1, "\"\"\"\",1,"},
        {"\"\"x\"", 1, "\"\"\"\"\"x\"\"\",1,"},
        {"line\nfeed", 1, "\"line\nfeed\",1,"},
        {"2^32", 4294967296ULL, "\"2^32\",4294967296,"},
        {"max", UINT64_MAX, "\"max\",18446744073709551615,"},
    };
    const std::string rest = "\"20260701 120000\",\"20260701 120000\",\"20260701 120000\","
                             "\"20260701 120000\"\n";
    for (const name_case &c : cases) {
        EXPECT_EQ(record_text(make_entry(c.name, c.size, JULY, JULY, JULY), JULY),
                  c.first_columns + rest);
    }
}

TEST(write_record, times_without_a_calendar_form_leave_empty_columns)
{
    const tz_scope zone("UTC");
    EXPECT_EQ(record_text(make_entry("f", 5, NO_TIME, -3600, LAST_CALENDAR_TIME + 1), NO_TIME),
              "\"f\",5,\"\",\"\",\"\",\"\"\n");
}

TEST(format_timestamp, local_time_with_the_offset_of_its_own_date)
{
    struct zone_case {
        const char *zone;
        std::int64_t t;
        const char *expected;
    } cases[] = {
        {"UTC", 0, "19700101 000000"},
        {"Europe/Berlin", JULY, "20260701 140000"},
        {"Europe/Berlin", JANUARY, "20260115 093000"},
        {"America/New_York", JULY, "20260701 080000"},
        {"America/New_York", JANUARY, "20260115 033000"},
        {"Asia/Kolkata", JANUARY, "20260115 140000"},
        {"Australia/Adelaide", JANUARY, "20260115 190000"},
        {"Australia/Adelaide", JULY, "20260701 213000"},
        // 2026-10-25 00:30 and 01:30 UTC are both 02:30 in Berlin, once in
        // summer time and once after the clocks went back.
        {"Europe/Berlin", 1792888200, "20261025 023000"},
        {"Europe/Berlin", 1792891800, "20261025 023000"},
        {"UTC", LAST_CALENDAR_TIME, "30010101 075959"},
        {"America/Los_Angeles", LAST_CALENDAR_TIME, "30001231 235959"},
        {"UTC", LAST_CALENDAR_TIME + 1, ""},
        {"UTC", -1, ""},
    };
    for (const zone_case &c : cases) {
        const tz_scope zone(c.zone);
        EXPECT_EQ(timestamp(c.t), c.expected) << c.zone << " " << c.t;
    }
}

} // namespace
