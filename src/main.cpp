// The entry point: banner, argument rule, usage text or lookup and record.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "lookup/lookup.h"
#include "record.h"

namespace {

// Large enough for the usage text and for the longest record (a name of
// doubled quotes and four timestamps), so that either leaves the program in
// a single write: runs appending to one log at the same moment cannot
// interleave their lines.
char stdout_buffer[4096];

void write_usage()
{
    std::printf("\nUsage:  MORLITH <filename>\n\n");
    std::printf("This program reads the file's attributes and dumps (to stdout)\n");
    std::printf("the following fields in a comma-delimited format:\n");
    std::printf("   filename, size, created, updated, accessed, currenttime\n");
    std::printf("The output can be piped to a file for a running analysis of file growth.\n");
}

} // namespace

int main(int argc, char **argv)
{
    std::setvbuf(stdout, stdout_buffer, _IOFBF, sizeof stdout_buffer);

    std::fprintf(stderr, "Morlith v1.0 - released December 2026 by the morlith developers\n");
    std::fprintf(stderr, "This FREE utility and more can be found at https://morlith.example/.\n");

    // One to four operands; a count of 0 or 1 wraps around to a large value
    // and fails like a count of 6 or more.
    if (static_cast<std::uint32_t>(argc - 2) > 3U) {
        write_usage();
        return 1;
    }
    const char *operand = argv[1];
    std::fprintf(stderr, "Watching File %s...\n", operand);

    file_entry entry;
    if (!find_first_entry(operand, &entry)) {
        return 0;
    }
    // A log line that never reached its file must not pass for success. The
    // failing write may come before the flush (some runtimes write as soon as
    // the line is complete), so errno is cleared before the record.
    errno = 0;
    write_record(entry);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        const int cause = errno;
        std::fprintf(stderr, "morlith: cannot write the record to standard output: %s\n",
                     cause != 0 ? std::strerror(cause) : "write error");
        return 2;
    }
    return 0;
}
