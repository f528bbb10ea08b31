#include "common/symbols.h"

#include <algorithm>

int findStateSymbol(unsigned char symbol, int count) {
    const int limit = std::clamp(count, 0, kStateSymbolCount);
    for (int i = 0; i < limit; ++i) {
        if (kStateSymbols[i] == symbol) return i;
    }
    return -1;
}
