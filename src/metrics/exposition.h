// The Prometheus text exposition (format 0.0.4) of what the lookup found for
// each operand.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "lookup/lookup.h"

// What the lookup found for one operand.
struct operand_report {
    // The operand as given.
    const char *operand;
    // True when the operand named or matched an entry, which `entry` holds.
    bool matched;
    file_entry entry;
};

// `text` as a label value: valid UTF-8, every byte that is not part of a
// valid sequence turned into U+FFFD, and backslash, double quote and line
// feed escaped as the format asks.
std::string label_value(const char *text, std::size_t len);

// Writes the exposition of `reports` to `out`: a HELP and a TYPE line for
// every family, then the family's samples together. A report whose operand
// gives the same label value as an earlier one is left out, so that no two
// samples of a family share their labels; a time without a calendar form
// (NO_TIME) has no sample.
void write_exposition(std::FILE *out, const operand_report *reports, std::size_t count);
