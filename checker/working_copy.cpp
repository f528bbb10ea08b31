#include "checker/working_copy.h"

#include "common/symbols.h"

void makeWorkingCopy(std::FILE* alignments, std::FILE* copy) {
    // Every byte value is data: only EOF from getc ends the file.
    for (int c = std::getc(alignments); c != EOF; c = std::getc(alignments)) {
        if (c == kGapMark) continue;
        std::putc(c == '\t' ? ' ' : c, copy);
    }
    std::putc('\n', copy);
    for (int i = 0; i < kCopyTailBlanks; ++i) std::putc(' ', copy);
}
