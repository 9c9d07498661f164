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

// Reads the attributes of `path` (relative to `dir_fd`) into `entry`. A
// symbolic link is followed; one whose target is missing is reported from
// the link itself, so that it still leaves a line in the log.
bool read_attributes(int dir_fd, const char *path, file_entry *entry)
{
    struct statx st {};
    if (statx(dir_fd, path, 0, STATX_WANTED, &st) != 0) {
        if (errno != ENOENT && errno != ELOOP) {
            return false;
        }
        if (statx(dir_fd, path, AT_SYMLINK_NOFOLLOW, STATX_WANTED, &st) != 0 ||
            !S_ISLNK(st.stx_mode)) {
            return false;
        }
    }
    entry->size = st.stx_size;
    // Without a recorded birth time the column stays empty: the change time
    // is no creation time, however often it is offered as one.
    entry->created =
        (st.stx_mask & STATX_BTIME) != 0 ? checked_file_time(st.stx_btime.tv_sec) : NO_TIME;
    entry->updated =
        (st.stx_mask & STATX_MTIME) != 0 ? checked_file_time(st.stx_mtime.tv_sec) : NO_TIME;
    entry->accessed =
        (st.stx_mask & STATX_ATIME) != 0 ? checked_file_time(st.stx_atime.tv_sec) : NO_TIME;
    return true;
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
// directory `dir_path` in constant memory, and reports it.
bool find_in_directory(const char *dir_path, const char *pattern, std::size_t pattern_len,
                       std::size_t head, std::size_t tail, file_entry *entry)
{
    const int dir_fd = open(dir_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) {
        return false;
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
    // unknown: that counts as nothing matched, never as the first of the
    // names seen so far. An entry removed since the scan makes the statx fail.
    const bool ok = got == 0 && best_len > 0 && set_filename(entry, best, best_len) &&
                    read_attributes(dir_fd, best, entry);
    close(dir_fd);
    return ok;
}

} // namespace

bool find_first_entry(const char *operand, file_entry *entry)
{
    const std::size_t len = std::strlen(operand);
    if (len == 0) {
        return false;
    }
    std::size_t end = len;
    while (end > 0 && operand[end - 1] == '/') {
        --end;
    }
    if (end == 0) {
        return set_filename(entry, "/", 1) && read_attributes(AT_FDCWD, operand, entry);
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
        return set_filename(entry, last, last_len) && read_attributes(AT_FDCWD, operand, entry);
    }
    // A pattern names entries of any kind; a trailing slash would ask for
    // directories only, which no pattern can say, so it matches nothing.
    if (end != len) {
        return false;
    }
    if (start == 0) {
        return find_in_directory(".", last, last_len, head, tail, entry);
    }
    char dir_path[PATH_MAX];
    if (start >= sizeof dir_path) {
        return false;
    }
    std::memcpy(dir_path, operand, start);
    dir_path[start] = '\0';
    return find_in_directory(dir_path, last, last_len, head, tail, entry);
}
