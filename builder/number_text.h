// Numbers in the output files' fixed-point form.
#pragma once

#include <string>

// Appends `value` as printf's "%W.Pf" writes it, with W = width and P = precision (the
// shortest exact form rounded as printf rounds, padded with blanks on the left to width).
void appendFixed(std::string& out, double value, int width, int precision);

// Appends `value` as printf's "%Wd" writes it, with W = width.
void appendInteger(std::string& out, int value, int width);
