// morlith-metrics: the entries that morlith would log, as Prometheus metrics.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lookup/lookup.h"
#include "metrics/exposition.h"
#include "metrics/system.h"

namespace {

constexpr const char *PROGRAM = "morlith-metrics";

void write_help(std::FILE *out)
{
    std::fprintf(out,
                 "Usage: morlith-metrics [--output FILE] [--] OPERAND...\n"
                 "       morlith-metrics --help | --version\n"
                 "\n"
                 "Writes the size and the creation, last-write and last-access times of the\n"
                 "entry that each OPERAND names or matches (a name, or a pattern with * and ?\n"
                 "in its last component, as morlith takes it) in the Prometheus text format,\n"
                 "for the textfile collector of node_exporter or windows_exporter.\n"
                 "\n"
                 "  --output FILE  write FILE through a temporary file in its directory,\n"
                 "                 renamed over FILE once whole (default: standard output)\n"
                 "  --             end of options: an operand may begin with '-'\n"
                 "  --help         show this text\n"
                 "  --version      show the version\n"
                 "\n"
                 "Metrics (gauges): morlith_file_matched{operand}, and for a matched entry\n"
                 "morlith_file_size_bytes, morlith_file_created_time_seconds,\n"
                 "morlith_file_updated_time_seconds and morlith_file_accessed_time_seconds,\n"
                 "each {operand,file}; times in seconds since 1970-01-01 UTC.\n"
                 "\n"
                 "Exit status: 0 written, also when an operand matched nothing; 1 wrong usage;\n"
                 "2 the output was not written whole, or a lookup failed (standard error says\n"
                 "which and why).\n");
}

int usage_error(const char *what, const char *arg)
{
    std::fprintf(stderr,
                 "%s: %s%s\n"
                 "Usage: morlith-metrics [--output FILE] [--] OPERAND...\n"
                 "Try 'morlith-metrics --help' for more information.\n",
                 PROGRAM, what, arg);
    return 1;
}

// Closes the temporary file `temp`, written through `file`, once it is whole
// on disk, and renames it over `path`; returns 0. On failure returns the
// errno value and removes the temporary file, so that `path` keeps its
// whole content.
int commit_replacement(std::FILE *file, const std::string &temp, const char *path)
{
    int error = 0;
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        error = errno != 0 ? errno : EIO;
    } else {
        error = sync_file(file);
    }
    if (std::fclose(file) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        error = replace_file(temp, path);
    }
    if (error != 0) {
        remove_file(temp);
    }
    return error;
}

// Writes the exposition to standard output, or through a temporary file
// over `output`; returns 0, or the errno value of the failure.
int write_out(std::FILE *out, const char *output, const std::vector<operand_report> &reports)
{
    errno = 0;
    if (output == nullptr) {
        write_exposition(out, reports.data(), reports.size());
        if (std::fflush(out) != 0 || std::ferror(out) != 0) {
            return errno != 0 ? errno : EIO;
        }
        return 0;
    }
    std::string temp;
    std::FILE *file = open_replacement(output, &temp);
    if (file == nullptr) {
        return errno;
    }
    write_exposition(file, reports.data(), reports.size());
    return commit_replacement(file, temp, output);
}

} // namespace

int metrics_main(int argc, char **argv)
{
    // Everything on standard output ends its lines in a line feed alone, as
    // the exposition format asks.
    std::FILE *out = binary_stdout();
    const char *output = nullptr;
    std::vector<const char *> operands;
    bool options_end = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (options_end || arg[0] != '-' || arg[1] == '\0') {
            operands.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            options_end = true;
        } else if (std::strcmp(arg, "--help") == 0) {
            write_help(out);
            return std::fflush(out) == 0 ? 0 : 2;
        } else if (std::strcmp(arg, "--version") == 0) {
            std::fprintf(out, "morlith-metrics 1.0\n");
            return std::fflush(out) == 0 ? 0 : 2;
        } else if (std::strcmp(arg, "--output") == 0) {
            if (i + 1 == argc) {
                return usage_error("--output needs a file name", "");
            }
            output = argv[++i];
        } else if (std::strncmp(arg, "--output=", 9) == 0) {
            output = arg + 9;
        } else {
            return usage_error("unknown option ", arg);
        }
    }
    if (operands.empty()) {
        return usage_error("no operand", "");
    }
    if (output != nullptr && output[0] == '\0') {
        return usage_error("--output needs a file name", "");
    }

    // An operand whose lookup failed has no series at all: neither a false
    // 0 for morlith_file_matched nor the figures of an earlier run.
    int status = 0;
    std::vector<operand_report> reports;
    reports.reserve(operands.size());
    for (const char *operand : operands) {
        operand_report report{};
        report.operand = operand;
        lookup_failure failure{};
        const lookup_result result = find_first_entry_utf8(operand, &report.entry, &failure);
        if (result == LOOKUP_FAILED) {
            report_lookup_failure(PROGRAM, operand, failure);
            status = 2;
            continue;
        }
        report.matched = result == ENTRY_FOUND;
        reports.push_back(report);
    }

    const int error = write_out(out, output, reports);
    if (error != 0) {
        std::fprintf(stderr, "%s: cannot write %s: %s\n", PROGRAM,
                     output != nullptr ? output : "to standard output", std::strerror(error));
        return 2;
    }
    return status;
}
