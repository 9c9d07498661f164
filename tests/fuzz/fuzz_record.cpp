// Fuzzing of the record writer: any name bytes, size and four time values
// must give exactly one RFC 4180 record of six fields, whose first field is
// the name, whose second is the size, and whose time fields are empty or 15
// characters of the form "YYYYMMDD HHMMSS".
//
// Input: 8 bytes of size, 4 x 8 bytes of time values, then the name (cut at
// the first NUL and at the longest name an entry holds).
#include <cctype>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lookup/lookup.h"
#include "lookup/time_range.h"
#include "record_text.h"

namespace {

[[noreturn]] void fail(const char *why, const std::string &record)
{
    std::fprintf(stderr, "%s in the record of %zu bytes:\n", why, record.size());
    std::fwrite(record.data(), 1, record.size(), stderr);
    std::fputc('\n', stderr);
    std::abort();
}

// Splits one RFC 4180 record ending in a line feed into its fields; each
// field is returned with whether it was quoted.
std::vector<std::pair<std::string, bool>> parse_record(const std::string &text)
{
    std::vector<std::pair<std::string, bool>> fields;
    std::size_t i = 0;
    for (;;) {
        std::string field;
        bool quoted = false;
        if (i < text.size() && text[i] == '"') {
            quoted = true;
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    fail("a quoted field does not end", text);
                }
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\n') {
                if (text[i] == '"') {
                    fail("a quote inside an unquoted field", text);
                }
                field += text[i++];
            }
        }
        fields.emplace_back(field, quoted);
        if (i >= text.size()) {
            fail("the record does not end in a line feed", text);
        }
        if (text[i] == ',') {
            ++i;
            continue;
        }
        if (text[i] != '\n' || i + 1 != text.size()) {
            fail("something follows a field other than a comma or the final line feed", text);
        }
        return fields;
    }
}

bool is_timestamp(const std::string &s)
{
    if (s.size() != 15 || s[8] != ' ') {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i != 8 && std::isdigit(static_cast<unsigned char>(s[i])) == 0) {
            return false;
        }
    }
    return true;
}

std::int64_t read_i64(const std::uint8_t *p)
{
    std::uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return static_cast<std::int64_t>(v);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t FIXED = 5 * 8;
    if (size < FIXED) {
        return 0;
    }
    file_entry entry{};
    std::memcpy(&entry.size, data, sizeof entry.size);
    entry.created = read_i64(data + 8);
    entry.updated = read_i64(data + 16);
    entry.accessed = read_i64(data + 24);
    const std::int64_t now = read_i64(data + 32);
    std::size_t name_len = 0;
    while (FIXED + name_len < size && name_len < FILENAME_MAX_BYTES &&
           data[FIXED + name_len] != 0) {
        entry.filename[name_len] = static_cast<char>(data[FIXED + name_len]);
        ++name_len;
    }
    entry.filename[name_len] = '\0';

    const std::string record = record_text(entry, now);

    const auto fields = parse_record(record);
    if (fields.size() != 6) {
        fail("not six fields", record);
    }
    if (!fields[0].second || fields[0].first != std::string(entry.filename, name_len)) {
        fail("the first field does not give back the name", record);
    }
    char size_text[32];
    std::snprintf(size_text, sizeof size_text, "%" PRIu64, entry.size);
    if (fields[1].second || fields[1].first != size_text) {
        fail("the second field is not the size", record);
    }
    const std::int64_t times[] = {entry.created, entry.updated, entry.accessed, now};
    for (int i = 0; i < 4; ++i) {
        const auto &[text, quoted] = fields[2 + i];
        if (!quoted || (!text.empty() && !is_timestamp(text))) {
            fail("a time field is neither empty nor a timestamp", record);
        }
        if (text.empty() == has_calendar_form(times[i])) {
            fail("a time field is empty for a time with a calendar form, or the other way", record);
        }
    }
    return 0;
}
