// The record text that the writer produces for an entry at a given time,
// captured in memory, for the unit tests and the fuzz target.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "record.h"

inline std::string record_text(const file_entry &entry, std::int64_t now)
{
    char *data = nullptr;
    std::size_t size = 0;
    std::FILE *out = open_memstream(&data, &size);
    write_entry_columns(out, entry);
    write_time_column(out, now);
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}
