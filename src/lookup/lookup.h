// The directory-entry lookup: turns the operand (a name, or a pattern in its
// last component) into the attributes of one entry.
#pragma once

#include <cstdint>

// A time the file system did not record, or one that has no local calendar
// form between the years 1970 and 3000.
inline constexpr std::int64_t NO_TIME = -1;

// The largest name the entry can hold, without its terminating NUL.
inline constexpr unsigned FILENAME_MAX_BYTES = 259;

struct file_entry {
    // The entry's own name, without any directory part, NUL-terminated.
    char filename[FILENAME_MAX_BYTES + 1];
    // The full size in bytes.
    std::uint64_t size;
    // Seconds since 1970-01-01 00:00:00 UTC, or NO_TIME.
    std::int64_t created;
    std::int64_t accessed;
    std::int64_t updated;
};

// Fills `entry` with the first entry that `operand` names or matches and
// returns true; returns false when nothing matches, whatever the cause, and
// then the content of `entry` is of no use.
bool find_first_entry(const char *operand, file_entry *entry);
