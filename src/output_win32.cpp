// Standard output on Windows: WriteFile, with a lock and SetEndOfFile for
// logs.
#include <windows.h>

#include <cerrno>

#include "output.h"
#include "win32_error.h"

namespace {

// Writes as much of `data` as `out` takes and returns how much that was;
// `*error` is the errno value of the write that failed, or 0.
DWORD write_all(HANDLE out, const char *data, DWORD len, int *error)
{
    DWORD done = 0;
    *error = 0;
    while (done < len) {
        DWORD n = 0;
        if (WriteFile(out, data + done, len - done, &n, nullptr) == FALSE) {
            *error = errno_from_win32(GetLastError());
            break;
        }
        if (n == 0) {
            *error = ENOSPC;
            break;
        }
        done += n;
    }
    return done;
}

} // namespace

int write_whole(const char *data, std::size_t len)
{
    // Standard output is a text stream: a line feed reaches it as CR LF.
    static char text[2 * WHOLE_WRITE_MAX];
    DWORD text_len = 0;
    for (std::size_t i = 0; i < len; ++i) {
        if (data[i] == '\n') {
            text[text_len++] = '\r';
        }
        text[text_len++] = data[i];
    }

    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == INVALID_HANDLE_VALUE || out == nullptr) {
        return EBADF;
    }
    int error = 0;
    if (GetFileType(out) != FILE_TYPE_DISK) {
        write_all(out, text, text_len, &error);
        return error;
    }
    // Runs that append to the same log take turns by a lock on one byte far
    // beyond any real end of file, which keeps no one from the data itself.
    OVERLAPPED far_byte{};
    far_byte.Offset = 0xFFFFFFFE;
    far_byte.OffsetHigh = 0x7FFFFFFF;
    const bool locked = LockFileEx(out, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &far_byte) != FALSE;
    // cmd.exe's ">>" leaves the handle where the log ended when it was
    // opened; under the lock the record goes to where it ends now.
    LARGE_INTEGER start{};
    const LARGE_INTEGER zero{};
    const bool at_end = SetFilePointerEx(out, zero, &start, FILE_END) != FALSE;
    const DWORD written = write_all(out, text, text_len, &error);
    // A fragment is cut off again, provided that it is still the end of the
    // log.
    LARGE_INTEGER size{};
    if (error != 0 && written > 0 && at_end && GetFileSizeEx(out, &size) != FALSE &&
        size.QuadPart == start.QuadPart + written &&
        SetFilePointerEx(out, start, nullptr, FILE_BEGIN) != FALSE) {
        SetEndOfFile(out);
    }
    if (locked) {
        UnlockFileEx(out, 0, 1, 0, &far_byte);
    }
    return error;
}
