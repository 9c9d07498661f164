// The entry point: banner, argument rule, usage text or lookup and record.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "lookup/lookup.h"
#include "record.h"

namespace {

// Large enough for the usage text, so that it leaves the program in a single
// write. The record has a write of its own.
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
    lookup_failure failure{};
    switch (find_first_entry(operand, &entry, &failure)) {
    case ENTRY_FOUND:
        break;
    case ENTRY_ABSENT:
        return 0;
    case LOOKUP_FAILED:
        // A record was due and none can be written: a cron job must not go
        // on logging nothing without anyone being told.
        report_lookup_failure("morlith", operand, failure);
        return 2;
    }
    // A log line that never reached its file must not pass for success.
    const int error = write_record(entry);
    if (error != 0) {
        std::fprintf(stderr, "morlith: cannot write the record to standard output: %s\n",
                     std::strerror(error));
        return 2;
    }
    return 0;
}
