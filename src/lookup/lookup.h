// The directory-entry lookup: turns the operand (a name, or a pattern in its
// last component) into the attributes of one entry.
#pragma once

#include <cstddef>
#include <cstdint>

// A time the file system did not record, or one that has no local calendar
// form between the years 1970 and 3000.
inline constexpr std::int64_t NO_TIME = -1;

// The longest name that find_first_entry yields, without its terminating
// NUL: what a Windows path of MAX_PATH characters leaves for it.
inline constexpr unsigned FILENAME_MAX_BYTES = 259;

// Room for the longest name that find_first_entry_utf8 yields and its NUL:
// on Windows a name of 255 UTF-16 units takes up to three bytes a unit.
inline constexpr unsigned FILENAME_CAPACITY = 3 * 255 + 1;

struct file_entry {
    // The entry's own name, without any directory part, NUL-terminated.
    char filename[FILENAME_CAPACITY];
    // The full size in bytes.
    std::uint64_t size;
    // Seconds since 1970-01-01 00:00:00 UTC, or NO_TIME.
    std::int64_t created;
    std::int64_t accessed;
    std::int64_t updated;
};

// What a lookup came to.
enum lookup_result {
    // The entry was found.
    ENTRY_FOUND,
    // Nothing is there: no such entry or directory, an operand that cannot
    // name an entry, or an entry that vanished while it was looked at.
    ENTRY_ABSENT,
    // The system could not say whether an entry is there (no permission,
    // an I/O error, no file descriptor or memory left).
    LOOKUP_FAILED,
};

// Why a lookup failed.
struct lookup_failure {
    // What failed: "list" a directory, or "look up" the operand.
    const char *action;
    // How many leading bytes of the operand name what failed: the directory
    // part of a pattern (0 for the current directory), or the whole operand.
    std::size_t name_len;
    // The errno value of the cause.
    int error;
};

// Fills `entry` with the first entry that `operand` names or matches and
// returns ENTRY_FOUND. Otherwise the content of `entry` is of no use, and
// for LOOKUP_FAILED `*failure` says why.
lookup_result find_first_entry(const char *operand, file_entry *entry, lookup_failure *failure);

// The same lookup for an operand in UTF-8, yielding the name in UTF-8 (up
// to FILENAME_CAPACITY - 1 bytes), whatever code page the system would
// use: the same matching, the same first entry, the same times. On Linux,
// where names are bytes, it is find_first_entry.
lookup_result find_first_entry_utf8(const char *operand, file_entry *entry,
                                    lookup_failure *failure);

// Writes one line to standard error that names the program, what failed of
// `operand` and the cause, such as "morlith: cannot list logs/: Permission
// denied".
void report_lookup_failure(const char *program, const char *operand, const lookup_failure &failure);
