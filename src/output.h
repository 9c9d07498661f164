// Standard output that takes a record whole or not at all.
#pragma once

#include <cstddef>

// The most that one call of write_whole takes.
inline constexpr std::size_t WHOLE_WRITE_MAX = 2048;

// Writes `len` bytes (at most WHOLE_WRITE_MAX) to standard output as a text
// stream would, in a single write when nothing goes wrong, and returns 0; or
// returns the errno value of the failure.
//
// Where standard output is a regular file, a log, the bytes reach it whole or
// not at all: a write that the file takes only in part (a full disk, a
// file-size limit, a quota) is taken back, so that no fragment is left for
// the next record to be glued onto. Runs that append to the same log take
// turns for this, so that taking a fragment back can never take another
// run's record with it. On a pipe or a terminal what was written stays, as
// nothing can take it back there.
int write_whole(const char *data, std::size_t len);
