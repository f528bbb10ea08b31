// Whole files: read at once, and written whole or not at all.
#pragma once

#include <string>

// Returns the bytes of the file at `path`; throws RunError "<program>: cannot read \"PATH\":
// <reason>" when it cannot be read (a directory among them).
std::string readWholeFile(const char* program, const std::string& path);

// Writes `text` to the file at `path`, or to standard output when `path` is ""; throws RunError
// "<program>: cannot write \"PATH\": <reason>" when it cannot be written whole. A regular file
// is written under a temporary name in its directory and renamed over `path` only when whole,
// so a failed write leaves an older file as it was and never a part of the new one; a device,
// a pipe or a link is written in place.
void writeWholeFile(const char* program, const std::string& path, const std::string& text);
