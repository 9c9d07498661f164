// What counts as one character in a name: a valid UTF-8 sequence as RFC
// 3629 defines it or, failing that, a single byte. The matcher and the
// metrics' label values both follow this rule.
#pragma once

#include <cstddef>

inline bool is_continuation(unsigned char c)
{
    return (c & 0xC0U) == 0x80U;
}

// The length in bytes of the character that starts at `s[0]`, given that
// `len` bytes (at least one) are left: the length of a valid UTF-8 sequence,
// or 1.
inline std::size_t utf8_char_len(const unsigned char *s, std::size_t len)
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
