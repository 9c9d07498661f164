// The wildcard matcher for the last component of an operand.
//
// Only '*' (any run of characters, none included) and '?' (exactly one
// character) are special; every other byte stands for itself, so '[', ']'
// and '\' are ordinary. A character is a valid UTF-8 sequence or, failing
// that, a single byte. Matching is case-sensitive. A name that begins with
// '.' matches only a pattern that begins with '.', and "." and ".." match
// no pattern.
#pragma once

#include <cstddef>

// True when `name` matches `pattern`. The work is at most proportional to
// the pattern's length times the name's length.
bool wildcard_match(const char *pattern, std::size_t pattern_len, const char *name,
                    std::size_t name_len);

// The lengths of the literal bytes before the pattern's first wildcard
// (`*head`) and after its last one (`*tail`); a pattern without wildcards is
// all head. Worked out once, they let a scan over many names compare those
// parts as plain bytes.
void literal_ends(const char *pattern, std::size_t pattern_len, std::size_t *head,
                  std::size_t *tail);

// The match, given the lengths that literal_ends gives for `pattern`, adding
// to `*steps` the steps of the character-wise part (the only part whose work
// can grow with pattern length times name length).
bool wildcard_match_prepared(const char *pattern, std::size_t pattern_len, std::size_t head,
                             std::size_t tail, const char *name, std::size_t name_len,
                             unsigned long long *steps);

// The same match, working out the literal ends itself and adding its steps
// to `*steps`, so that a test can hold the matcher to its bound.
bool wildcard_match_counted(const char *pattern, std::size_t pattern_len, const char *name,
                            std::size_t name_len, unsigned long long *steps);
