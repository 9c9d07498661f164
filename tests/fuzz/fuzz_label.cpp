// Fuzzing of the metrics' label values: for any bytes, the label value must
// be valid UTF-8 (checked by a decoder written from RFC 3629 that shares
// nothing with the writer), hold no line feed and no double quote or
// backslash that is not escaped, and give back, once unescaped, the input
// with every byte that is not part of valid UTF-8 replaced by U+FFFD.
//
// Input: the bytes of the name.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "metrics/exposition.h"

namespace {

[[noreturn]] void fail(const char *why, const std::string &in, const std::string &out)
{
    std::fprintf(stderr, "%s: %zu bytes in, %zu out\n", why, in.size(), out.size());
    std::abort();
}

// The length of the valid UTF-8 sequence at `s[i]`, or 0.
std::size_t valid_at(const std::string &s, std::size_t i)
{
    const auto byte = [&](std::size_t k) {
        return k < s.size() ? static_cast<unsigned char>(s[k]) : 0x100U;
    };
    const unsigned c = byte(i);
    const auto cont = [&](std::size_t k, unsigned lo, unsigned hi) {
        return byte(k) >= lo && byte(k) <= hi;
    };
    if (c < 0x80) {
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        return cont(i + 1, 0x80, 0xBF) ? 2 : 0;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned hi = c == 0xED ? 0x9F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2, 0x80, 0xBF) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2, 0x80, 0xBF) && cont(i + 3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string in(reinterpret_cast<const char *>(data), size);
    if (in.find('\0') != std::string::npos) {
        return 0;
    }
    const std::string out = label_value(in.data(), in.size());

    std::string want;
    for (std::size_t i = 0; i < in.size();) {
        const std::size_t n = valid_at(in, i);
        want += n == 0 ? std::string("\xEF\xBF\xBD") : in.substr(i, n);
        i += n == 0 ? 1 : n;
    }
    std::string unescaped;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::size_t n = valid_at(out, i);
        if (n == 0) {
            fail("not valid UTF-8", in, out);
        }
        if (n > 1) {
            unescaped += out.substr(i, n);
            i += n - 1;
            continue;
        }
        if (out[i] == '\n' || out[i] == '"') {
            fail("a line feed or a double quote not escaped", in, out);
        }
        if (out[i] != '\\') {
            unescaped += out[i];
            continue;
        }
        if (++i == out.size()) {
            fail("a backslash at the end", in, out);
        }
        if (out[i] == 'n') {
            unescaped += '\n';
        } else if (out[i] == '"' || out[i] == '\\') {
            unescaped += out[i];
        } else {
            fail("an escape the format does not know", in, out);
        }
    }
    if (unescaped != want) {
        fail("the unescaped label is not the input made valid", in, out);
    }
    return 0;
}
