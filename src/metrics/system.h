// What the metrics program needs of the system beyond the lookup: its
// arguments in UTF-8, standard output as bytes, and a file replaced whole.
// One source file per platform.
#pragma once

#include <cstdio>
#include <string>

// The program itself, called by the platform's entry point with the
// arguments in UTF-8 (on Linux, the bytes as given).
int metrics_main(int argc, char **argv);

// Standard output as a stream of bytes: a line feed stays a line feed on
// every platform.
std::FILE *binary_stdout();

// Opens a new temporary file in the directory of `path`, for writing bytes,
// and leaves its name in `*temp`; its name never ends in ".prom", so that a
// collector does not read it. Returns nullptr, with errno set, on failure.
std::FILE *open_replacement(const char *path, std::string *temp);

// Makes what was written through `file` durable on disk; returns 0 or the
// errno value of the failure.
int sync_file(std::FILE *file);

// Renames the file `temp` over `path`, replacing it; returns 0 or the errno
// value of the failure.
int replace_file(const std::string &temp, const char *path);

// Removes the file `temp`.
void remove_file(const std::string &temp);
