// The lookup on Linux: statx for a plain name, one pass over the directory
// for a pattern.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "lookup/lookup.h"
#include "lookup/time_range.h"
#include "lookup/wildcard.h"

namespace {

constexpr unsigned STATX_WANTED = STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;

// Reads the attributes of `path` (relative to `dir_fd`) into `entry` and
// returns 0, or the errno value of the failure. A symbolic link is
// followed; one whose target is missing is reported from the link itself,
// so that it still leaves a line in the log.
int read_attributes(int dir_fd, const char *path, file_entry *entry)
{
    struct statx st {};
    if (statx(dir_fd, path, 0, STATX_WANTED, &st) != 0) {
        const int error = errno;
        if (error != ENOENT && error != ELOOP) {
            return error;
        }
        if (statx(dir_fd, path, AT_SYMLINK_NOFOLLOW, STATX_WANTED, &st) != 0) {
            return errno;
        }
        if (!S_ISLNK(st.stx_mode)) {
            return error;
        }
    }
    entry->size = st.stx_size;
    // Without a recorded birth time the column stays empty: the change time
    // is no creation time, however often it is offered as one. A birth time
    // of exactly zero is none either: ext4 gives it for inodes whose
    // creation time was never written (file systems made from a directory
    // tree, older kernels), and nobody made a file at the first instant of
    // 1970.
    const bool born =
        (st.stx_mask & STATX_BTIME) != 0 && (st.stx_btime.tv_sec != 0 || st.stx_btime.tv_nsec != 0);
    entry->created = born ? checked_file_time(st.stx_btime.tv_sec) : NO_TIME;
    entry->updated =
        (st.stx_mask & STATX_MTIME) != 0 ? checked_file_time(st.stx_mtime.tv_sec) : NO_TIME;
    entry->accessed =
        (st.stx_mask & STATX_ATIME) != 0 ? checked_file_time(st.stx_atime.tv_sec) : NO_TIME;
    return 0;
}

// The errors that mean nothing is there to report: no such entry, a
// directory part that is no directory (a trailing slash after a file among
// them), a name too long to name anything, a loop of links on the way.
bool means_absence(int error)
{
    return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP;
}

// The outcome of a step that failed with `error`: absence, or a failure of
// `action` on the first `name_len` bytes of the operand.
lookup_result outcome_of(int error, const char *action, std::size_t name_len,
                         lookup_failure *failure)
{
    if (error == 0) {
        return ENTRY_FOUND;
    }
    if (means_absence(error)) {
        return ENTRY_ABSENT;
    }
    *failure = lookup_failure{action, name_len, error};
    return LOOKUP_FAILED;
}

bool set_filename(file_entry *entry, const char *name, std::size_t len)
{
    if (len > FILENAME_MAX_BYTES) {
        return false;
    }
    std::memcpy(entry->filename, name, len);
    entry->filename[len] = '\0';
    return true;
}

// Room for the directory entries that one getdents64 call returns. Larger
// buffers save no measurable time, since the kernel's work per entry
// dominates, and would only raise the peak memory of a large scan.
constexpr std::size_t DIRENT_BUFFER_SIZE = std::size_t{32} * 1024;

// Finds the name that matches `pattern` (with the literal ends that
// literal_ends gives) and sorts first in byte order, in one pass over the
// directory `dir_path` in constant memory, and reports it. `operand` and
// `dir_len` name the directory and the whole operand in a failure.
lookup_result find_in_directory(const char *operand, std::size_t dir_len, const char *dir_path,
                                const char *pattern, std::size_t pattern_len, std::size_t head,
                                std::size_t tail, file_entry *entry, lookup_failure *failure)
{
    const int dir_fd = open(dir_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) {
        return outcome_of(errno, "list", dir_len, failure);
    }

    alignas(dirent64) static char buffer[DIRENT_BUFFER_SIZE];
    // No name is empty, so an empty best means none has matched yet.
    char best[NAME_MAX + 1];
    std::size_t best_len = 0;
    unsigned long long steps = 0;
    ssize_t got;
    while ((got = getdents64(dir_fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < got;) {
            const auto *d = reinterpret_cast<const dirent64 *>(buffer + at);
            at += d->d_reclen;
            const std::size_t len = std::strlen(d->d_name);
            if (len > NAME_MAX || !wildcard_match_prepared(pattern, pattern_len, head, tail,
                                                           d->d_name, len, &steps)) {
                continue;
            }
            if (best_len == 0 || std::strcmp(d->d_name, best) < 0) {
                std::memcpy(best, d->d_name, len + 1);
                best_len = len;
            }
        }
    }
    // A read that failed part of the way through leaves the first name
    // unknown: that is a failure to list the directory, never the first of
    // the names seen so far. An entry removed since the scan is absent.
    lookup_result result = ENTRY_ABSENT;
    if (got < 0) {
        result = outcome_of(errno, "list", dir_len, failure);
    } else if (best_len > 0 && set_filename(entry, best, best_len)) {
        result = outcome_of(read_attributes(dir_fd, best, entry), "look up", std::strlen(operand),
                            failure);
    }
    close(dir_fd);
    return result;
}

} // namespace

lookup_result find_first_entry(const char *operand, file_entry *entry, lookup_failure *failure)
{
    const std::size_t len = std::strlen(operand);
    if (len == 0) {
        return ENTRY_ABSENT;
    }
    std::size_t end = len;
    while (end > 0 && operand[end - 1] == '/') {
        --end;
    }
    if (end == 0) {
        set_filename(entry, "/", 1);
        return outcome_of(read_attributes(AT_FDCWD, operand, entry), "look up", len, failure);
    }
    std::size_t start = end;
    while (start > 0 && operand[start - 1] != '/') {
        --start;
    }
    const char *last = operand + start;
    const std::size_t last_len = end - start;

    std::size_t head = 0;
    std::size_t tail = 0;
    literal_ends(last, last_len, &head, &tail);
    if (head == last_len) {
        // No wildcard: the name is looked up directly, without a scan.
        if (!set_filename(entry, last, last_len)) {
            return ENTRY_ABSENT;
        }
        return outcome_of(read_attributes(AT_FDCWD, operand, entry), "look up", len, failure);
    }
    // A pattern names entries of any kind; a trailing slash would ask for
    // directories only, which no pattern can say, so it matches nothing.
    if (end != len) {
        return ENTRY_ABSENT;
    }
    if (start == 0) {
        return find_in_directory(operand, 0, ".", last, last_len, head, tail, entry, failure);
    }
    // A directory part that does not fit a path names nothing.
    char dir_path[PATH_MAX];
    if (start >= sizeof dir_path) {
        return ENTRY_ABSENT;
    }
    std::memcpy(dir_path, operand, start);
    dir_path[start] = '\0';
    return find_in_directory(operand, start, dir_path, last, last_len, head, tail, entry, failure);
}

lookup_result find_first_entry_utf8(const char *operand, file_entry *entry, lookup_failure *failure)
{
    return find_first_entry(operand, entry, failure);
}
