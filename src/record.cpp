#include "record.h"

#include <cinttypes>
#include <cstring>
#include <ctime>

#include "lookup/time_range.h"

namespace {

constexpr int QUOTE = 34;

// Writes the name between double quotes. A quote inside the name is written
// twice, as CSV readers expect, so that no name can end its column early
// and pass off the rest of itself as further columns.
void write_name_column(std::FILE *out, const char *name)
{
    if (std::strchr(name, QUOTE) == nullptr) {
        std::fprintf(out, "%c%s%c,", QUOTE, name, QUOTE);
        return;
    }
    std::fprintf(out, "%c", QUOTE);
    for (const char *quote; (quote = std::strchr(name, QUOTE)) != nullptr; name = quote + 1) {
        std::fprintf(out, "%.*s%c%c", static_cast<int>(quote - name), name, QUOTE, QUOTE);
    }
    std::fprintf(out, "%s%c,", name, QUOTE);
}

void write_file_time_column(std::FILE *out, std::int64_t t)
{
    char buffer[TIMESTAMP_BUFFER_SIZE];
    format_timestamp(t, buffer);
    std::fprintf(out, "%c%s%c,", QUOTE, buffer, QUOTE);
}

} // namespace

void format_timestamp(std::int64_t t, char (&buffer)[TIMESTAMP_BUFFER_SIZE])
{
    buffer[0] = '\0';
    if (!has_calendar_form(t)) {
        return;
    }
    const auto as_time = static_cast<std::time_t>(t);
    const std::tm *local = std::localtime(&as_time);
    if (local == nullptr || std::strftime(buffer, sizeof buffer, "%Y%m%d %H%M%S", local) == 0) {
        buffer[0] = '\0';
    }
}

void write_entry_columns(std::FILE *out, const file_entry &entry)
{
    write_name_column(out, entry.filename);
    std::fprintf(out, "%" PRIu64 ",", entry.size);
    write_file_time_column(out, entry.created);
    write_file_time_column(out, entry.updated);
    write_file_time_column(out, entry.accessed);
}

void write_time_column(std::FILE *out, std::int64_t now)
{
    char buffer[TIMESTAMP_BUFFER_SIZE];
    format_timestamp(now, buffer);
    std::fprintf(out, "%c%s%c\n", QUOTE, buffer, QUOTE);
}

void write_record(const file_entry &entry)
{
    write_entry_columns(stdout, entry);
    write_time_column(stdout, static_cast<std::int64_t>(std::time(nullptr)));
}
