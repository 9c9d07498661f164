#include "lookup/wildcard.h"

#include <cstring>

#include "lookup/utf8.h"

namespace {

// True when the characters that start at `a` and `b` are the same and
// `a_len` bytes long.
bool same_char(const unsigned char *a, std::size_t a_len, const unsigned char *b,
               std::size_t b_left)
{
    return utf8_char_len(b, b_left) == a_len && std::memcmp(a, b, a_len) == 0;
}

// The literal parts of a pattern are a few bytes long, too short for a
// call to memcmp to pay off.
bool same_bytes(const unsigned char *a, const unsigned char *b, std::size_t len)
{
    for (std::size_t i = 0; i < len; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

bool is_dot_name(const char *name, std::size_t len)
{
    return (len == 1 && name[0] == '.') || (len == 2 && name[0] == '.' && name[1] == '.');
}

// One character of the pattern, at `pat`, against the name's character at
// `str`: the lengths both take when they are the same, 0 when they are not.
// An ASCII byte is always a whole character on its own, so it is compared
// directly.
std::size_t match_char(const unsigned char *pat, std::size_t pat_left, const unsigned char *str,
                       std::size_t str_left)
{
    if (pat[0] < 0x80U) {
        return pat[0] == str[0] ? 1 : 0;
    }
    const std::size_t len = utf8_char_len(pat, pat_left);
    return same_char(pat, len, str, str_left) ? len : 0;
}

// The greedy match of a pattern that holds wildcards, with a single resume
// point: when the characters after the latest '*' fail, that '*' takes one
// more character and they are tried again. An earlier '*' never needs to
// take more, because whatever it could take the latest '*' can take as well;
// so the work stays within pattern length times name length. It is kept out
// of line, so that the byte comparisons that settle most names do not pay
// for its registers.
[[gnu::noinline]] bool match_greedy(const unsigned char *pat, std::size_t pattern_len,
                                    const unsigned char *str, std::size_t name_len,
                                    unsigned long long *steps)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star_p = 0;
    std::size_t star_n = 0;
    bool have_star = false;
    unsigned long long count = 0;
    while (n < name_len) {
        ++count;
        if (p < pattern_len && pat[p] == '*') {
            have_star = true;
            star_p = ++p;
            star_n = n;
            if (p == pattern_len) {
                // A final '*' takes whatever is left of the name.
                *steps += count;
                return true;
            }
            continue;
        }
        if (p < pattern_len) {
            if (pat[p] == '?') {
                ++p;
                n += utf8_char_len(str + n, name_len - n);
                continue;
            }
            const std::size_t len = match_char(pat + p, pattern_len - p, str + n, name_len - n);
            if (len != 0) {
                p += len;
                n += len;
                continue;
            }
        }
        if (!have_star) {
            *steps += count;
            return false;
        }
        star_n += utf8_char_len(str + star_n, name_len - star_n);
        n = star_n;
        p = star_p;
    }
    *steps += count;
    while (p < pattern_len && pat[p] == '*') {
        ++p;
    }
    return p == pattern_len;
}

} // namespace

void literal_ends(const char *pattern, std::size_t pattern_len, std::size_t *head,
                  std::size_t *tail)
{
    std::size_t first = 0;
    while (first < pattern_len && pattern[first] != '*' && pattern[first] != '?') {
        ++first;
    }
    *head = first;
    std::size_t last = pattern_len;
    while (last > first && pattern[last - 1] != '*' && pattern[last - 1] != '?') {
        --last;
    }
    *tail = first == pattern_len ? 0 : pattern_len - last;
}

bool wildcard_match_prepared(const char *pattern, std::size_t pattern_len, std::size_t head,
                             std::size_t tail, const char *name, std::size_t name_len,
                             unsigned long long *steps)
{
    if (is_dot_name(name, name_len)) {
        return false;
    }
    if (name_len > 0 && name[0] == '.' && (pattern_len == 0 || pattern[0] != '.')) {
        return false;
    }
    if (head == pattern_len) {
        // No wildcard: equal bytes are equal characters.
        return name_len == pattern_len && std::memcmp(name, pattern, name_len) == 0;
    }
    const auto *pat = reinterpret_cast<const unsigned char *>(pattern);
    const auto *str = reinterpret_cast<const unsigned char *>(name);

    // Every matching name starts with the literal head and ends with the
    // literal tail, byte for byte.
    if (name_len < head + tail || !same_bytes(str, pat, head) ||
        !same_bytes(str + name_len - tail, pat + pattern_len - tail, tail)) {
        return false;
    }
    // The bytes decide the match of head and tail exactly when both end on
    // character boundaries of the name: a byte that cannot continue a UTF-8
    // sequence always starts a character. Otherwise a character of the name
    // might straddle one of them, and the whole goes to the character-wise
    // match.
    if ((head > 0 && head < name_len && is_continuation(str[head])) ||
        (tail > 0 && is_continuation(pat[pattern_len - tail]))) {
        return match_greedy(pat, pattern_len, str, name_len, steps);
    }
    const std::size_t middle_len = pattern_len - head - tail;
    std::size_t stars = 0;
    while (stars < middle_len && pat[head + stars] == '*') {
        ++stars;
    }
    if (stars == middle_len) {
        // Nothing but stars between head and tail: they take whatever is there.
        return true;
    }
    return match_greedy(pat + head, middle_len, str + head, name_len - head - tail, steps);
}

bool wildcard_match_counted(const char *pattern, std::size_t pattern_len, const char *name,
                            std::size_t name_len, unsigned long long *steps)
{
    std::size_t head = 0;
    std::size_t tail = 0;
    literal_ends(pattern, pattern_len, &head, &tail);
    return wildcard_match_prepared(pattern, pattern_len, head, tail, name, name_len, steps);
}

bool wildcard_match(const char *pattern, std::size_t pattern_len, const char *name,
                    std::size_t name_len)
{
    unsigned long long steps = 0;
    return wildcard_match_counted(pattern, pattern_len, name, name_len, &steps);
}
