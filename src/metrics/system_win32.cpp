// The metrics program's system interface on Windows: arguments and names in
// the system's wide form, turned into UTF-8, whatever the console's code
// page.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <string>
#include <vector>

#include "metrics/system.h"
#include "win32_error.h"

namespace {

std::string utf8_of(const wchar_t *wide)
{
    // A UTF-16 unit without its pair becomes U+FFFD.
    const int len = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string out(len > 0 ? static_cast<std::size_t>(len) : 1, '\0');
    if (len > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), len, nullptr, nullptr);
    }
    out.resize(std::char_traits<char>::length(out.c_str()));
    return out;
}

std::wstring wide_of(const char *utf8)
{
    const int len = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring out(len > 0 ? static_cast<std::size_t>(len) : 1, L'\0');
    if (len > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), len);
    }
    out.resize(std::char_traits<wchar_t>::length(out.c_str()));
    return out;
}

} // namespace

// The wide entry point (-municode): the C runtime splits the command line
// as it would for main, without passing it through a code page.
int wmain(int argc, wchar_t **wargv)
{
    std::vector<std::string> args;
    args.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        args.push_back(utf8_of(wargv[i]));
    }
    std::vector<char *> argv(args.size() + 1, nullptr);
    for (std::size_t i = 0; i < args.size(); ++i) {
        argv[i] = args[i].data();
    }
    return metrics_main(argc, argv.data());
}

std::FILE *binary_stdout()
{
    _setmode(_fileno(stdout), _O_BINARY);
    return stdout;
}

std::FILE *open_replacement(const char *path, std::string *temp)
{
    // NAME.tmp-PID beside NAME: one per process, and not read as ".prom".
    *temp = std::string(path) + ".tmp-" + std::to_string(GetCurrentProcessId());
    std::FILE *file = _wfopen(wide_of(temp->c_str()).c_str(), L"wb");
    return file;
}

int sync_file(std::FILE *file)
{
    return _commit(_fileno(file)) == 0 ? 0 : errno;
}

int replace_file(const std::string &temp, const char *path)
{
    // rename() on Windows does not replace an existing file; this does.
    if (MoveFileExW(wide_of(temp.c_str()).c_str(), wide_of(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
        return errno_from_win32(GetLastError());
    }
    return 0;
}

void remove_file(const std::string &temp)
{
    DeleteFileW(wide_of(temp.c_str()).c_str());
}
