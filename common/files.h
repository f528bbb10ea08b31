// Whole files: read at once, and written whole or not at all; the advisory locks that keep two
// runs from writing or reading the same files at once.
#pragma once

#include <string>
#include <vector>

// Returns the bytes of the file at `path`, read under a shared lock; throws RunError
// "<program>: cannot read \"PATH\": <reason>" when it cannot be read (a directory among them),
// and the RunError of failInUse while another run holds it for writing.
std::string readWholeFile(const char* program, const std::string& path);

// Writes `text` to the file at `path`, or to standard output when `path` is ""; throws RunError
// "<program>: cannot write \"PATH\": <reason>" when it cannot be written whole. A regular file
// is written under a temporary name in its directory and renamed over `path` only when whole,
// so a failed write leaves an older file as it was and never a part of the new one; the new
// file keeps the older one's permissions, an older file that may not be written is refused,
// and a directory where no file can be made is named as such. A device, a pipe or a link is
// written in place.
void writeWholeFile(const char* program, const std::string& path, const std::string& text);

// Throws RunError "<program>: will not write \"OUTPUT\": it is the input file \"INPUT\", ..."
// when `output` names the same file as one of `inputs` (through links too); "" names none.
void refuseToOverwriteInput(const char* program, const std::string& output,
                            const std::vector<std::string>& inputs);

// Opens the file at `path` for writing without emptying it, creating it (mode 0666 less the
// umask) when there is none. Returns the descriptor (close-on-exec), or -1 with errno set;
// `created` tells whether this call made the file.
int openForWriting(const std::string& path, bool& created);

// Empties the open file `descriptor` when it is a regular file (a device or a pipe has
// nothing to empty). Returns false, with errno set, when it cannot.
bool emptyFile(int descriptor);

// Takes an advisory lock (flock) on the open file `descriptor` without waiting, when it is a
// regular file: shared to read it, exclusive to write it. Returns false only when another
// process holds a lock that excludes this one.
bool lockFile(int descriptor, bool exclusive);

// Returns `paths` quoted and joined as a sentence names them: "A", "B" and "C".
std::string quotedNames(const std::vector<std::string>& paths);

// Throws RunError "<program>: \"A\" and \"B\" are in use by another run ..." for the files
// `paths` whose lock another process holds.
[[noreturn]] void failInUse(const char* program, const std::vector<std::string>& paths);
