// The attribute record: one comma-delimited line per run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lookup/lookup.h"

// Room for one rendered timestamp and its terminator.
inline constexpr std::size_t TIMESTAMP_BUFFER_SIZE = 32;

// Room for the longest record and its terminator: a name that fills the
// entry with double quotes, each written twice, between quotes, a size of at
// most 20 digits, four quoted timestamps, five commas and the line feed.
inline constexpr std::size_t RECORD_BUFFER_SIZE = 2048;

// Renders `t` as local time in the form "YYYYMMDD HHMMSS" into `buffer`, or
// as an empty text when `t` has no calendar form.
void format_timestamp(std::int64_t t, char (&buffer)[TIMESTAMP_BUFFER_SIZE]);

// Renders the first five columns of the record for `entry` at the start of
// `record`: the quoted name, the size and the three quoted file times, each
// followed by a comma. Returns their length.
std::size_t format_entry_columns(const file_entry &entry, char (&record)[RECORD_BUFFER_SIZE]);

// Renders the last column, the quoted time `now`, and the line feed at
// offset `at` of `record`. Returns the length of the whole record.
std::size_t format_time_column(std::int64_t now, char (&record)[RECORD_BUFFER_SIZE],
                               std::size_t at);

// Writes the whole record for `entry` to standard output, reading the clock
// once the file times have been rendered. Returns 0, or the errno value of
// the failure when standard output did not take the record whole.
int write_record(const file_entry &entry);
