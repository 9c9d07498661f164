#include "metrics/exposition.h"

#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "lookup/utf8.h"

namespace {

// U+FFFD REPLACEMENT CHARACTER in UTF-8.
constexpr char REPLACEMENT[] = "\xEF\xBF\xBD";

// The families, in the order they are written. The four per-entry families
// share the labels operand and file; morlith_file_matched has operand alone.
enum family {
    MATCHED,
    SIZE,
    CREATED,
    UPDATED,
    ACCESSED,
    FAMILY_COUNT,
};

struct family_text {
    const char *name;
    const char *help;
};

constexpr family_text FAMILIES[FAMILY_COUNT] = {
    {"morlith_file_matched",
     "1 when the operand named or matched a directory entry, 0 when nothing matched."},
    {"morlith_file_size_bytes", "Size of the entry that the operand named or matched, in bytes."},
    {"morlith_file_created_time_seconds",
     "Birth time of the entry, in seconds since 1970-01-01 UTC; no sample where the file "
     "system records none."},
    {"morlith_file_updated_time_seconds",
     "Last-write time of the entry, in seconds since 1970-01-01 UTC."},
    {"morlith_file_accessed_time_seconds",
     "Last-access time of the entry, in seconds since 1970-01-01 UTC."},
};

// The sample's value of a per-entry family, or false when it has none.
bool time_value(family f, const file_entry &entry, std::int64_t *value)
{
    switch (f) {
    case CREATED:
        *value = entry.created;
        break;
    case UPDATED:
        *value = entry.updated;
        break;
    default:
        *value = entry.accessed;
        break;
    }
    return *value != NO_TIME;
}

} // namespace

std::string label_value(const char *text, std::size_t len)
{
    std::string out;
    out.reserve(len + 2);
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    for (std::size_t i = 0; i < len;) {
        const std::size_t n = utf8_char_len(bytes + i, len - i);
        const char c = text[i];
        if (n == 1 && bytes[i] >= 0x80U) {
            out += REPLACEMENT;
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out.append(text + i, n);
        }
        i += n;
    }
    return out;
}

void write_exposition(std::FILE *out, const operand_report *reports, std::size_t count)
{
    // The label values of the reports that are written, in their order.
    std::vector<std::string> operands;
    std::vector<std::string> files;
    std::vector<const operand_report *> kept;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < count; ++i) {
        std::string operand = label_value(reports[i].operand, std::strlen(reports[i].operand));
        if (!seen.insert(operand).second) {
            continue;
        }
        operands.push_back(std::move(operand));
        files.push_back(reports[i].matched ? label_value(reports[i].entry.filename,
                                                         std::strlen(reports[i].entry.filename))
                                           : std::string());
        kept.push_back(&reports[i]);
    }

    for (int f = MATCHED; f < FAMILY_COUNT; ++f) {
        const family_text &text = FAMILIES[f];
        std::fprintf(out, "# HELP %s %s\n# TYPE %s gauge\n", text.name, text.help, text.name);
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const operand_report &report = *kept[i];
            if (f == MATCHED) {
                std::fprintf(out, "%s{operand=\"%s\"} %d\n", text.name, operands[i].c_str(),
                             report.matched ? 1 : 0);
                continue;
            }
            std::int64_t t = 0;
            if (!report.matched ||
                (f != SIZE && !time_value(static_cast<family>(f), report.entry, &t))) {
                continue;
            }
            std::fprintf(out, "%s{operand=\"%s\",file=\"%s\"} ", text.name, operands[i].c_str(),
                         files[i].c_str());
            if (f == SIZE) {
                std::fprintf(out, "%" PRIu64 "\n", report.entry.size);
            } else {
                std::fprintf(out, "%" PRId64 "\n", t);
            }
        }
    }
}
