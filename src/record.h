// The attribute record: one comma-delimited line per run.
#pragma once

#include <cstdint>
#include <cstdio>

#include "lookup/lookup.h"

// Room for one rendered timestamp and its terminator.
inline constexpr std::size_t TIMESTAMP_BUFFER_SIZE = 32;

// Renders `t` as local time in the form "YYYYMMDD HHMMSS" into `buffer`, or
// as an empty text when `t` has no calendar form.
void format_timestamp(std::int64_t t, char (&buffer)[TIMESTAMP_BUFFER_SIZE]);

// Writes the first five columns of the record for `entry` to `out`: the
// quoted name, the size and the three quoted file times, each followed by a
// comma.
void write_entry_columns(std::FILE *out, const file_entry &entry);

// Writes the last column, the quoted time `now`, and ends the line.
void write_time_column(std::FILE *out, std::int64_t now);

// Writes the whole record for `entry` to standard output, reading the clock
// once the file times have been written.
void write_record(const file_entry &entry);
