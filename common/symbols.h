// The state symbol table shared by vornax and quillet: state i of a region is written
// as the one byte at position i.
#pragma once

#include <array>

inline constexpr int kStateSymbolCount = 96;

// The 96 state symbols in their fixed order: digits, upper-case and lower-case letters
// other than A C G I N O T, then 48 single bytes above 0x7F.
inline constexpr std::array<unsigned char, kStateSymbolCount> kStateSymbols = {
    '0',  '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  'B',  'D',  'E',  'F',
    'H',  'J',  'K',  'L',  'M',  'P',  'Q',  'R',  'S',  'U',  'V',  'W',  'X',  'Y',
    'Z',  'b',  'd',  'e',  'f',  'h',  'j',  'k',  'l',  'm',  'p',  'q',  'r',  's',
    'u',  'v',  'w',  'x',  'y',  'z',  0x9F, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA7, 0xA8,
    0xA9, 0xAA, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9,
    0xBA, 0xBD, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xCB,
    0xCC, 0xCD, 0xCE, 0xCF, 0xD6, 0xD7, 0xD8, 0xD9, 0xDB, 0xDE, 0xDF, 0xE0};

// The byte that marks a gap in the rows of the Alignments file.
inline constexpr unsigned char kGapMark = 0xA5;

// Returns the symbol of state `index` (0 <= index < kStateSymbolCount) as a char.
inline char stateSymbol(int index) { return static_cast<char>(kStateSymbols[index]); }

// Returns the position of `symbol` among the first min(count, 96) symbols, or -1.
int findStateSymbol(unsigned char symbol, int count);
