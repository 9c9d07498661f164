// Differential fuzzing of the wildcard matcher against a plain recursive
// reference that works on decoded characters.
//
// Input: one byte giving the pattern's length, then the pattern, then the
// name. Any difference in the result, or more steps than pattern length
// times name length, aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lookup/wildcard.h"

namespace {

// Inputs are kept short so that the memo of the reference stays small; the
// bound on steps is checked on every input, short or long.
constexpr std::size_t MAX_PART = 96;

struct token {
    std::size_t start;
    std::size_t len;
};

// The length of the RFC 3629 UTF-8 sequence at `s`, decoded to its code
// point and checked against the ranges it may encode, or 1 for a byte that
// starts no valid sequence.
std::size_t reference_char_len(const unsigned char *s, std::size_t left)
{
    std::size_t len = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if (s[0] < 0x80) {
        return 1;
    }
    if ((s[0] & 0xE0) == 0xC0) {
        len = 2, cp = s[0] & 0x1F, min = 0x80;
    } else if ((s[0] & 0xF0) == 0xE0) {
        len = 3, cp = s[0] & 0x0F, min = 0x800;
    } else if ((s[0] & 0xF8) == 0xF0) {
        len = 4, cp = s[0] & 0x07, min = 0x10000;
    } else {
        return 1;
    }
    if (left < len) {
        return 1;
    }
    for (std::size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return 1;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 1;
    }
    return len;
}

std::vector<token> tokenize(const unsigned char *s, std::size_t len)
{
    std::vector<token> out;
    for (std::size_t i = 0; i < len;) {
        const std::size_t l = reference_char_len(s + i, len - i);
        out.push_back({i, l});
        i += l;
    }
    return out;
}

struct reference {
    const unsigned char *pat;
    const unsigned char *str;
    std::vector<token> p;
    std::vector<token> n;
    std::vector<signed char> memo;

    bool is(std::size_t i, char c) const
    {
        return p[i].len == 1 && pat[p[i].start] == static_cast<unsigned char>(c);
    }

    bool match(std::size_t i, std::size_t j)
    {
        signed char &m = memo[i * (n.size() + 1) + j];
        if (m >= 0) {
            return m != 0;
        }
        bool r = false;
        if (i == p.size()) {
            r = j == n.size();
        } else if (is(i, '*')) {
            r = match(i + 1, j) || (j < n.size() && match(i, j + 1));
        } else if (j < n.size()) {
            const bool same =
                is(i, '?') || (p[i].len == n[j].len &&
                               std::memcmp(pat + p[i].start, str + n[j].start, p[i].len) == 0);
            r = same && match(i + 1, j + 1);
        }
        m = r ? 1 : 0;
        return r;
    }
};

bool reference_match(const unsigned char *pat, std::size_t pat_len, const unsigned char *str,
                     std::size_t str_len)
{
    if ((str_len == 1 && str[0] == '.') || (str_len == 2 && str[0] == '.' && str[1] == '.')) {
        return false;
    }
    if (str_len > 0 && str[0] == '.' && (pat_len == 0 || pat[0] != '.')) {
        return false;
    }
    reference ref{pat, str, tokenize(pat, pat_len), tokenize(str, str_len), {}};
    ref.memo.assign((ref.p.size() + 1) * (ref.n.size() + 1), -1);
    return ref.match(0, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    std::size_t pat_len = data[0];
    const std::uint8_t *rest = data + 1;
    const std::size_t rest_len = size - 1;
    if (pat_len > rest_len) {
        pat_len = rest_len;
    }
    const std::uint8_t *pat = rest;
    const std::uint8_t *str = rest + pat_len;
    std::size_t str_len = rest_len - pat_len;
    if (pat_len > MAX_PART || str_len > MAX_PART) {
        return 0;
    }
    const auto *p = reinterpret_cast<const char *>(pat);
    const auto *s = reinterpret_cast<const char *>(str);
    unsigned long long steps = 0;
    const bool got = wildcard_match_counted(p, pat_len, s, str_len, &steps);
    const bool want = reference_match(pat, pat_len, str, str_len);
    if (got != want) {
        std::fprintf(stderr, "pattern of %zu bytes, name of %zu bytes: want %d, got %d\n", pat_len,
                     str_len, want, got);
        std::abort();
    }
    if (steps > (pat_len + 1) * (str_len + 1)) {
        std::fprintf(stderr, "%llu steps for a pattern of %zu and a name of %zu bytes\n", steps,
                     pat_len, str_len);
        std::abort();
    }
    return 0;
}
