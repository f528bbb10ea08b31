// The working copy AlignmentsChecked: the Alignments text without gap marks, tabs written
// as blanks, followed by a blank tail that every record search runs into before the end.
#pragma once

#include <cstdio>

// The number of blanks that follow the newline at the end of the working copy.
inline constexpr int kCopyTailBlanks = 4151;

// Copies every byte of `alignments` to `copy` up to the true end of the file, leaving out the
// gap mark and writing each tab as a blank, then writes one newline and kCopyTailBlanks
// blanks. Returns nothing; the caller tests both streams with ferror.
void makeWorkingCopy(std::FILE* alignments, std::FILE* copy);
