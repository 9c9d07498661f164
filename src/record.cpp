#include "record.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "lookup/time_range.h"
#include "output.h"

static_assert(RECORD_BUFFER_SIZE <= WHOLE_WRITE_MAX, "a record goes out in one piece");

namespace {

constexpr char QUOTE = 34;

static_assert(2 * FILENAME_CAPACITY + 3 + 21 + 4 * (TIMESTAMP_BUFFER_SIZE + 3) < RECORD_BUFFER_SIZE,
              "the record buffer holds the longest record");

// Renders the name between double quotes. A quote inside the name is written
// twice, as CSV readers expect, so that no name can end its column early
// and pass off the rest of itself as further columns.
std::size_t format_name_column(const char *name, char (&record)[RECORD_BUFFER_SIZE])
{
    std::size_t at = 0;
    record[at++] = QUOTE;
    for (; *name != '\0'; ++name) {
        if (*name == QUOTE) {
            record[at++] = QUOTE;
        }
        record[at++] = *name;
    }
    record[at++] = QUOTE;
    record[at++] = ',';
    return at;
}

// Renders `t` as a quoted time column followed by `end` at offset `at`.
std::size_t format_time(std::int64_t t, char end, char (&record)[RECORD_BUFFER_SIZE],
                        std::size_t at)
{
    char buffer[TIMESTAMP_BUFFER_SIZE];
    format_timestamp(t, buffer);
    const int len =
        std::snprintf(record + at, RECORD_BUFFER_SIZE - at, "%c%s%c%c", QUOTE, buffer, QUOTE, end);
    return at + static_cast<std::size_t>(len);
}

} // namespace

void format_timestamp(std::int64_t t, char (&buffer)[TIMESTAMP_BUFFER_SIZE])
{
    buffer[0] = '\0';
    if (!has_calendar_form(t)) {
        return;
    }
    const auto as_time = static_cast<std::time_t>(t);
    const std::tm *local = std::localtime(&as_time);
    if (local == nullptr || std::strftime(buffer, sizeof buffer, "%Y%m%d %H%M%S", local) == 0) {
        buffer[0] = '\0';
    }
}

std::size_t format_entry_columns(const file_entry &entry, char (&record)[RECORD_BUFFER_SIZE])
{
    std::size_t at = format_name_column(entry.filename, record);
    at += static_cast<std::size_t>(
        std::snprintf(record + at, RECORD_BUFFER_SIZE - at, "%" PRIu64 ",", entry.size));
    at = format_time(entry.created, ',', record, at);
    at = format_time(entry.updated, ',', record, at);
    return format_time(entry.accessed, ',', record, at);
}

std::size_t format_time_column(std::int64_t now, char (&record)[RECORD_BUFFER_SIZE], std::size_t at)
{
    return format_time(now, '\n', record, at);
}

int write_record(const file_entry &entry)
{
    char record[RECORD_BUFFER_SIZE];
    const std::size_t at = format_entry_columns(entry, record);
    const std::size_t len =
        format_time_column(static_cast<std::int64_t>(std::time(nullptr)), record, at);
    return write_whole(record, len);
}
