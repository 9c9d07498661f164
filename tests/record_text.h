// The record text that the writer produces for an entry at a given time,
// for the unit tests and the fuzz target.
#pragma once

#include <cstdint>
#include <string>

#include "record.h"

inline std::string record_text(const file_entry &entry, std::int64_t now)
{
    char record[RECORD_BUFFER_SIZE];
    const std::size_t at = format_entry_columns(entry, record);
    return std::string(record, format_time_column(now, record, at));
}
