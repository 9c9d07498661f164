// The metrics program's system interface on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "metrics/system.h"

int main(int argc, char **argv)
{
    return metrics_main(argc, argv);
}

std::FILE *binary_stdout()
{
    return stdout;
}

std::FILE *open_replacement(const char *path, std::string *temp)
{
    // ".NAME.XXXXXX" beside NAME: hidden, and made by mkstemp, so that no
    // other file, nor a link planted in a shared directory, is written.
    const char *slash = std::strrchr(path, '/');
    const std::size_t dir_len = slash == nullptr ? 0 : static_cast<std::size_t>(slash - path) + 1;
    *temp = std::string(path, dir_len) + "." + (path + dir_len) + ".XXXXXX";
    const int fd = mkstemp(temp->data());
    if (fd < 0) {
        return nullptr;
    }
    // mkstemp makes the file for its owner alone; the collector runs as
    // another user, and gets what a file made by the shell would give it.
    const mode_t mask = umask(0);
    umask(mask);
    std::FILE *file = nullptr;
    if (fchmod(fd, 0666 & ~mask) != 0 || (file = fdopen(fd, "wb")) == nullptr) {
        const int error = errno;
        close(fd);
        unlink(temp->c_str());
        errno = error;
    }
    return file;
}

int sync_file(std::FILE *file)
{
    return fsync(fileno(file)) == 0 ? 0 : errno;
}

int replace_file(const std::string &temp, const char *path)
{
    return rename(temp.c_str(), path) == 0 ? 0 : errno;
}

void remove_file(const std::string &temp)
{
    unlink(temp.c_str());
}
