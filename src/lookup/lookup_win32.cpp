// The lookup on Windows: the system's own find-first search, which matches
// wildcards without regard to case and lists entries in its own order.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "lookup/lookup.h"
#include "lookup/time_range.h"
#include "win32_error.h"

namespace {

// The longest path the wide file functions take, terminator included.
constexpr int WIDE_PATH_CAPACITY = 32768;

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01, and per second.
constexpr std::int64_t TICKS_TO_1970 = 116444736000000000;
constexpr std::int64_t TICKS_PER_SECOND = 10000000;

// A file time as seconds since 1970, the fraction of a second dropped. The
// exact arithmetic gives the instant itself; a round trip through local
// calendar fields could land an hour off inside the repeated hour at the end
// of daylight saving.
std::int64_t seconds_since_1970(const FILETIME &time)
{
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (ticks == 0 || ticks > static_cast<std::uint64_t>(INT64_MAX)) {
        return NO_TIME;
    }
    const std::int64_t since_1970 = static_cast<std::int64_t>(ticks) - TICKS_TO_1970;
    // Round towards the past, so that a time just before 1970 stays before it.
    std::int64_t seconds = since_1970 / TICKS_PER_SECOND;
    if (since_1970 % TICKS_PER_SECOND < 0) {
        --seconds;
    }
    return checked_file_time(seconds);
}

// The errors of a search that mean nothing is there to report: no such
// entry or directory, or an operand that cannot name an entry.
bool means_absence(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
        return true;
    default:
        return false;
    }
}

// The lookup with the operand and the name in `code_page`, the name at most
// `name_capacity` bytes with its terminator. A strict lookup counts an
// operand or a name that the code page cannot spell as nothing matched;
// otherwise the code page is UTF-8, which spells every name (a UTF-16 unit
// without its pair, which some names hold, becomes U+FFFD).
lookup_result find_in_code_page(const char *operand, UINT code_page, bool strict, int name_capacity,
                                file_entry *entry, lookup_failure *failure)
{
    // The operand in the system's wide form.
    static wchar_t wide[WIDE_PATH_CAPACITY];
    // An operand that the code page cannot read, or too long for a path,
    // names no entry.
    if (MultiByteToWideChar(code_page, strict ? MB_ERR_INVALID_CHARS : 0, operand, -1, wide,
                            WIDE_PATH_CAPACITY) == 0) {
        return ENTRY_ABSENT;
    }
    WIN32_FIND_DATAW found;
    const HANDLE search =
        FindFirstFileExW(wide, FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (means_absence(error)) {
            return ENTRY_ABSENT;
        }
        *failure = lookup_failure{"look up", std::strlen(operand), errno_from_win32(error)};
        return LOOKUP_FAILED;
    }
    FindClose(search);

    // A name that a strict code page cannot spell would reach the log
    // mangled, with '?' for what is missing; it counts as nothing matched
    // instead. UTF-8 reports such a name as invalid rather than by a default
    // character.
    BOOL used_default = FALSE;
    const bool utf8 = code_page == CP_UTF8;
    const DWORD flags = strict && utf8 ? WC_ERR_INVALID_CHARS : 0;
    if (WideCharToMultiByte(code_page, flags, found.cFileName, -1, entry->filename, name_capacity,
                            nullptr, strict && !utf8 ? &used_default : nullptr) == 0 ||
        used_default != FALSE) {
        return ENTRY_ABSENT;
    }
    entry->size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entry->created = seconds_since_1970(found.ftCreationTime);
    entry->updated = seconds_since_1970(found.ftLastWriteTime);
    entry->accessed = seconds_since_1970(found.ftLastAccessTime);
    return ENTRY_FOUND;
}

} // namespace

lookup_result find_first_entry(const char *operand, file_entry *entry, lookup_failure *failure)
{
    // File names travel in the code page that the file functions use: the
    // ANSI one, or the OEM one when the process has switched them to it.
    const UINT code_page = AreFileApisANSI() != FALSE ? GetACP() : GetOEMCP();
    return find_in_code_page(operand, code_page, true, FILENAME_MAX_BYTES + 1, entry, failure);
}

lookup_result find_first_entry_utf8(const char *operand, file_entry *entry, lookup_failure *failure)
{
    return find_in_code_page(operand, CP_UTF8, false, sizeof entry->filename, entry, failure);
}
