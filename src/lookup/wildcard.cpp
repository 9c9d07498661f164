#include "lookup/wildcard.h"

#include <cstring>

namespace {

bool is_continuation(unsigned char c)
{
    return (c & 0xC0U) == 0x80U;
}

// True when the characters that start at `a` and `b` are the same and
// `a_len` bytes long.
bool same_char(const unsigned char *a, std::size_t a_len, const unsigned char *b,
               std::size_t b_left)
{
    return utf8_char_len(b, b_left) == a_len && std::memcmp(a, b, a_len) == 0;
}

bool is_dot_name(const char *name, std::size_t len)
{
    return (len == 1 && name[0] == '.') || (len == 2 && name[0] == '.' && name[1] == '.');
}

} // namespace

std::size_t utf8_char_len(const unsigned char *s, std::size_t len)
{
    const unsigned char c = s[0];
    std::size_t need = 0;
    // The second byte's range excludes overlong forms, UTF-16 surrogates
    // and code points above U+10FFFF, as RFC 3629 does.
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        need = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 3;
        if (c == 0xE0) {
            lo = 0xA0;
        } else if (c == 0xED) {
            hi = 0x9F;
        }
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 4;
        if (c == 0xF0) {
            lo = 0x90;
        } else if (c == 0xF4) {
            hi = 0x8F;
        }
    } else {
        return 1;
    }
    if (len < need || s[1] < lo || s[1] > hi) {
        return 1;
    }
    for (std::size_t i = 2; i < need; ++i) {
        if (!is_continuation(s[i])) {
            return 1;
        }
    }
    return need;
}

bool has_wildcard(const char *pattern, std::size_t pattern_len)
{
    for (std::size_t i = 0; i < pattern_len; ++i) {
        if (pattern[i] == '*' || pattern[i] == '?') {
            return true;
        }
    }
    return false;
}

bool wildcard_match_counted(const char *pattern, std::size_t pattern_len, const char *name,
                            std::size_t name_len, unsigned long long *steps)
{
    if (is_dot_name(name, name_len)) {
        return false;
    }
    if (name_len > 0 && name[0] == '.' && (pattern_len == 0 || pattern[0] != '.')) {
        return false;
    }
    const auto *pat = reinterpret_cast<const unsigned char *>(pattern);
    const auto *str = reinterpret_cast<const unsigned char *>(name);

    // Greedy matching with a single resume point: when a literal run after
    // the latest '*' fails, that '*' takes one more character and the run is
    // tried again. An earlier '*' never needs to take more, because anything
    // it could take the latest '*' can take as well; so the work stays within
    // pattern length times name length, whatever the pattern.
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
            const std::size_t len = utf8_char_len(pat + p, pattern_len - p);
            if (same_char(pat + p, len, str + n, name_len - n)) {
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
    while (p < pattern_len && pat[p] == '*') {
        ++p;
    }
    *steps += count;
    return p == pattern_len;
}

bool wildcard_match(const char *pattern, std::size_t pattern_len, const char *name,
                    std::size_t name_len)
{
    unsigned long long steps = 0;
    return wildcard_match_counted(pattern, pattern_len, name, name_len, &steps);
}
