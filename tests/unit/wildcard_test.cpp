#include "lookup/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct match_case {
    const char *pattern;
    const char *name;
    bool expected;
};

// Pattern, name, expected. Names in "\x.." are raw bytes: "\xC3\xA9" is the
// two-byte UTF-8 form of e-acute, "\xE2\x82\xAC" the euro sign.
const match_case MATCH_CASES[] = {
    // Literals and the two wildcards.
    {"app.log", "app.log", true},
    {"app.log", "app.lo", false},
    {"app.log", "App.log", false},
    {"*", "a", true},
    {"*", "", true},
    {"", "", true},
    {"", "a", false},
    {"*.log", "app.log", true},
    {"*.log", ".log", false},
    {"*.log", "app.log.1", false},
    {"app*", "app", true},
    {"app*", "ap", false},
    {"a*b*c", "abc", true},
    {"a*b*c", "aXbYc", true},
    {"a*b*c", "acb", false},
    {"*ab", "aab", true},
    {"*ab", "abab", true},
    {"*aab", "aaaab", true},
    {"*aab", "aaaba", false},
    {"?", "a", true},
    {"?", "", false},
    {"?", "ab", false},
    {"???", "abc", true},
    {"a?c", "abc", true},
    {"a?c", "ac", false},
    {"*?", "", false},
    {"*?", "x", true},
    {"?*?", "xy", true},
    {"?*?", "x", false},
    {"**", "anything", true},
    {"a**b", "ab", true},
    // Only '*' and '?' are special.
    {"[ab]*", "[ab]x", true},
    {"[ab]*", "a", false},
    {"x\\*", "x\\y", true},
    {"x\\*", "x*", false},
    {"x]?", "x]1", true},
    // Case counts.
    {"*.LOG", "app.log", false},
    {"A*", "app", false},
    // Dot files only for a pattern with a leading dot; never "." or "..".
    {"*", ".hidden", false},
    {"?hidden", ".hidden", false},
    {".*", ".hidden", true},
    {".h*", ".hidden", true},
    {"*", ".", false},
    {"*", "..", false},
    {".*", ".", false},
    {".*", "..", false},
    {".?", "..", false},
    {"?", ".", false},
    {"*.", "a.", true},
    // '?' takes a whole UTF-8 character, or a single byte that is none.
    {"?", "\xC3\xA9", true},
    {"??", "\xC3\xA9", false},
    {"?", "\xE2\x82\xAC", true},
    {"?", "\xF0\x9F\x98\x80", true},
    {"a?b", "a\xC3\xA9\x62", true},
    {"?", "\xC3", true},
    {"??", "\xC3(", true},
    {"?", "\xC3(", false},
    {"??", "\xE2\x82", true},
    {"??", "\xC0\x80", true},
    {"??", "\xED\xA0\x80", false},
    {"???", "\xED\xA0\x80", true},
    {"?", "\xFF", true},
    {"*?", "\xC3\xA9", true},
    {"*??", "\xC3\xA9", false},
    // The limits of the start bytes: E0 needs a second byte from A0 (an
    // overlong form is three characters), E1 takes any continuation, F1 too,
    // F4 stops at U+10FFFF, and F5 starts nothing.
    {"???", "\xE0\x80\x80", true},
    {"?", "\xE0\x80\x80", false},
    {"?", "\xE0\xA0\x80", true},
    {"?", "\xE1\x80\x80", true},
    {"?", "\xF1\x90\x80\x80", true},
    {"?", "\xF4\x8F\xBF\xBF", true},
    {"????", "\xF4\x90\x80\x80", true},
    {"?", "\xF4\x90\x80\x80", false},
    {"????", "\xF5\x80\x80\x80", true},
    {"?", "\xF5\x80\x80\x80", false},
    // A '?' before a literal tail that repeats the byte before it.
    {"*?b", "xbb", true},
    {"*?b", "bb", true},
    {"*?b", "b", false},
    {"*?.log", "a..log", true},
    {"*?.log", ".log", false},
    // A literal matches whole characters, never half of one.
    {"\xC3*", "\xC3\xA9", false},
    {"*\xA9", "\xC3\xA9", false},
    {"\xC3\xA9*", "\xC3\xA9x", true},
    {"*\xC3\xA9", "x\xC3\xA9", true},
    // Patterns that make a backtracking matcher take exponential time.
    {"*a*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    {"*a*a*a*a*a*a*a*a*a*a", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", true},
};

TEST(wildcard_match, table)
{
    for (const match_case &c : MATCH_CASES) {
        const std::string pattern = c.pattern;
        const std::string name = c.name;
        const bool got = wildcard_match(pattern.data(), pattern.size(), name.data(), name.size());
        EXPECT_EQ(got, c.expected) << "pattern \"" << pattern << "\", name \"" << name
                                   << "\": want " << c.expected << ", got " << got;
    }
}

TEST(wildcard_match, hostile_patterns_stay_within_pattern_times_name_steps)
{
    const std::string name(255, 'a');
    std::string pattern;
    for (int i = 0; i < 120; ++i) {
        pattern += "*a";
    }
    pattern += "*b";
    const std::string long_literal = "*" + std::string(200, 'a') + "b";
    for (const std::string &p : {pattern, long_literal}) {
        unsigned long long steps = 0;
        EXPECT_FALSE(wildcard_match_counted(p.data(), p.size(), name.data(), name.size(), &steps));
        EXPECT_LE(steps, (p.size() + 1) * (name.size() + 1)) << "pattern of " << p.size();
    }
}

TEST(literal_ends, count_the_bytes_around_the_wildcards)
{
    struct ends_case {
        const char *pattern;
        std::size_t len;
        std::size_t head;
        std::size_t tail;
    } cases[] = {
        {"app-*.log", 9, 4, 4},
        {"a*", 2, 1, 0},
        {"?", 1, 0, 0},
        {"*a?b*cd", 7, 0, 2},
        {"", 0, 0, 0},
        {"[a]\\", 4, 4, 0},
        {"\xC3\xA9*", 3, 2, 0},
        // The length bounds the search: a wildcard past it does not count.
        {"ab*", 2, 2, 0},
    };
    for (const ends_case &c : cases) {
        std::size_t head = 99;
        std::size_t tail = 99;
        literal_ends(c.pattern, c.len, &head, &tail);
        EXPECT_EQ(head, c.head) << "head of \"" << c.pattern << "\"";
        EXPECT_EQ(tail, c.tail) << "tail of \"" << c.pattern << "\"";
    }
}

} // namespace
