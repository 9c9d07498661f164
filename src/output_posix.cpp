// Standard output on Linux: write(2), with a lock and ftruncate(2) for logs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "output.h"

namespace {

constexpr int OUT = STDOUT_FILENO;

// Writes as much of `data` as standard output takes and returns how much
// that was; `*error` is the errno value of the write that failed, or 0.
std::size_t write_all(const char *data, std::size_t len, int *error)
{
    std::size_t done = 0;
    *error = 0;
    while (done < len) {
        const ssize_t n = write(OUT, data + done, len - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            *error = n == 0 ? EIO : errno;
            break;
        }
    }
    return done;
}

// Cuts the last `written` bytes off the log, provided that they are still
// its end, which the lock makes sure of among runs of this program.
bool take_back(std::size_t written)
{
    const off_t end = lseek(OUT, 0, SEEK_CUR);
    struct stat st {};
    if (end < 0 || fstat(OUT, &st) != 0 || st.st_size != end ||
        static_cast<std::size_t>(end) < written) {
        return false;
    }
    return ftruncate(OUT, end - static_cast<off_t>(written)) == 0;
}

} // namespace

int write_whole(const char *data, std::size_t len)
{
    struct stat st {};
    if (fstat(OUT, &st) != 0) {
        return errno;
    }
    int error = 0;
    if (!S_ISREG(st.st_mode)) {
        write_all(data, len, &error);
        return error;
    }
    // Past a file-size limit the write fails with EFBIG and is taken back
    // like any other, instead of the process dying of SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    // A POSIX lock on the whole log, held until the process ends, lets runs
    // that append to it take turns. It belongs to the process, so it works
    // also for runs that share one open file (a shell's "{ ...; } >> log").
    // Where the file system has no locks the write goes ahead without one.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (fcntl(OUT, F_SETLKW, &lock) != 0 && errno == EINTR) {
    }
    const std::size_t written = write_all(data, len, &error);
    if (error != 0 && written > 0) {
        take_back(written);
    }
    return error;
}
