#include <cstdio>
#include <cstring>

#include "lookup/lookup.h"

void report_lookup_failure(const char *program, const char *operand, const lookup_failure &failure)
{
    // The current directory, which a pattern without a directory part
    // lists, is named as the directory part "./" would name it.
    const bool current = failure.name_len == 0;
    std::fprintf(stderr, "%s: cannot %s %.*s: %s\n", program, failure.action,
                 current ? 2 : static_cast<int>(failure.name_len), current ? "./" : operand,
                 std::strerror(failure.error));
}
