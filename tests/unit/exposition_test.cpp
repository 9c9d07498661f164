#include "metrics/exposition.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(label_value, escapes_and_valid_utf8)
{
    struct label_case {
        const char *text;
        const char *want;
    } cases[] = {
        {"app.log", "app.log"},
        {"", ""},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"C:\\logs\\app.log", "C:\\\\logs\\\\app.log"},
        {"line\nfeed", "line\\nfeed"},
        {"\\\"\n", "\\\\\\\"\\n"},
        // Carriage returns, tabs and other control bytes need no escape.
        {"a\rb\tc\x01", "a\rb\tc\x01"},
        // Valid UTF-8 stays as it is; anything else becomes U+FFFD, a byte
        // at a time.
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xE6\x97\xA5\xF0\x9F\x98\x80", "\xE6\x97\xA5\xF0\x9F\x98\x80"},
        {"bad\xFF.log", "bad\xEF\xBF\xBD.log"},
        {"\xC3", "\xEF\xBF\xBD"},
        {"\xC3(", "\xEF\xBF\xBD("},
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xE2\x82\"", "\xEF\xBF\xBD\xEF\xBF\xBD\\\""},
    };
    for (const label_case &c : cases) {
        EXPECT_EQ(label_value(c.text, std::strlen(c.text)), c.want)
            << "label of \"" << c.text << "\"";
    }
}

file_entry entry_of(const char *name, std::uint64_t size, std::int64_t created,
                    std::int64_t updated, std::int64_t accessed)
{
    file_entry e{};
    std::strncpy(e.filename, name, sizeof e.filename - 1);
    e.size = size;
    e.created = created;
    e.updated = updated;
    e.accessed = accessed;
    return e;
}

std::string exposition_of(const operand_report *reports, std::size_t count)
{
    char *data = nullptr;
    std::size_t size = 0;
    std::FILE *out = open_memstream(&data, &size);
    write_exposition(out, reports, count);
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
}

const std::string HELP_MATCHED =
    "# HELP morlith_file_matched 1 when the operand named or matched a directory entry, 0 "
    "when nothing matched.\n# TYPE morlith_file_matched gauge\n";
const std::string HELP_SIZE = "# HELP morlith_file_size_bytes Size of the entry that the "
                              "operand named or matched, in bytes.\n"
                              "# TYPE morlith_file_size_bytes gauge\n";
const std::string HELP_CREATED =
    "# HELP morlith_file_created_time_seconds Birth time of the entry, in seconds since "
    "1970-01-01 UTC; no sample where the file system records none.\n"
    "# TYPE morlith_file_created_time_seconds gauge\n";
const std::string HELP_UPDATED = "# HELP morlith_file_updated_time_seconds Last-write time of "
                                 "the entry, in seconds since 1970-01-01 UTC.\n"
                                 "# TYPE morlith_file_updated_time_seconds gauge\n";
const std::string HELP_ACCESSED = "# HELP morlith_file_accessed_time_seconds Last-access time "
                                  "of the entry, in seconds since 1970-01-01 UTC.\n"
                                  "# TYPE morlith_file_accessed_time_seconds gauge\n";

TEST(write_exposition, families_grouped_with_their_samples)
{
    const operand_report reports[] = {
        {"logs/app*.log", true, entry_of("app-1.log", 5368709120ULL, 100, 200, 300)},
        {"missing.log", false, {}},
        // No birth time recorded, an empty name, a name that needs escaping.
        {"/proc/version", true, entry_of("version", 0, NO_TIME, 400, 500)},
        {"x/", true, entry_of("", 1, 1, 2, 3)},
        {"q\"\\\n\xFF", true, entry_of("q\"\\\n\xFF", 7, 10, 20, 30)},
    };
    const std::string q = "q\\\"\\\\\\n\xEF\xBF\xBD";
    EXPECT_EQ(
        exposition_of(reports, 5),
        HELP_MATCHED +
            "morlith_file_matched{operand=\"logs/app*.log\"} 1\n"
            "morlith_file_matched{operand=\"missing.log\"} 0\n"
            "morlith_file_matched{operand=\"/proc/version\"} 1\n"
            "morlith_file_matched{operand=\"x/\"} 1\n"
            "morlith_file_matched{operand=\"" +
            q + "\"} 1\n" + HELP_SIZE +
            "morlith_file_size_bytes{operand=\"logs/app*.log\",file=\"app-1.log\"} "
            "5368709120\n"
            "morlith_file_size_bytes{operand=\"/proc/version\",file=\"version\"} 0\n"
            "morlith_file_size_bytes{operand=\"x/\",file=\"\"} 1\n"
            "morlith_file_size_bytes{operand=\"" +
            q + "\",file=\"" + q + "\"} 7\n" + HELP_CREATED +
            "morlith_file_created_time_seconds{operand=\"logs/app*.log\",file=\"app-1.log\"} "
            "100\n"
            "morlith_file_created_time_seconds{operand=\"x/\",file=\"\"} 1\n"
            "morlith_file_created_time_seconds{operand=\"" +
            q + "\",file=\"" + q + "\"} 10\n" + HELP_UPDATED +
            "morlith_file_updated_time_seconds{operand=\"logs/app*.log\",file=\"app-1.log\"} "
            "200\n"
            "morlith_file_updated_time_seconds{operand=\"/proc/version\",file=\"version\"} "
            "400\n"
            "morlith_file_updated_time_seconds{operand=\"x/\",file=\"\"} 2\n"
            "morlith_file_updated_time_seconds{operand=\"" +
            q + "\",file=\"" + q + "\"} 20\n" + HELP_ACCESSED +
            "morlith_file_accessed_time_seconds{operand=\"logs/app*.log\",file=\"app-1.log\"} "
            "300\n"
            "morlith_file_accessed_time_seconds{operand=\"/proc/version\",file=\"version\"} "
            "500\n"
            "morlith_file_accessed_time_seconds{operand=\"x/\",file=\"\"} 3\n"
            "morlith_file_accessed_time_seconds{operand=\"" +
            q + "\",file=\"" + q + "\"} 30\n");
}

TEST(write_exposition, one_series_per_label_value_and_every_family_announced)
{
    // Given twice, and two operands whose different invalid bytes give the
    // same label value: each is reported once, by its first report.
    const operand_report reports[] = {
        {"a.log", true, entry_of("a.log", 1, 1, 1, 1)},
        {"a.log", true, entry_of("a.log", 2, 2, 2, 2)},
        {"\xFE", false, {}},
        {"\xFF", true, entry_of("b", 3, 3, 3, 3)},
    };
    const std::string text = exposition_of(reports, 4);
    EXPECT_NE(text.find("morlith_file_size_bytes{operand=\"a.log\",file=\"a.log\"} 1\n"),
              std::string::npos);
    EXPECT_EQ(text.find("} 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("morlith_file_matched{operand=\"\xEF\xBF\xBD\"} 0\n"), std::string::npos);
    EXPECT_EQ(text.find("} 3\n"), std::string::npos) << text;

    // Nothing matched at all: every family still has its HELP and TYPE.
    const operand_report none[] = {{"gone", false, {}}};
    EXPECT_EQ(exposition_of(none, 1), HELP_MATCHED + "morlith_file_matched{operand=\"gone\"} 0\n" +
                                          HELP_SIZE + HELP_CREATED + HELP_UPDATED + HELP_ACCESSED);
}

} // namespace
