#include "builder/number_text.h"

#include <charconv>
#include <cstdio>

namespace {

// Appends the characters from `first` to `last`, after blanks up to `width` characters.
void appendPadded(std::string& out, const char* first, const char* last, int width) {
    if (last - first < width) out.append(size_t(width - (last - first)), ' ');
    out.append(first, last);
}

}  // namespace

void appendFixed(std::string& out, double value, int width, int precision) {
    // std::to_chars writes a fixed-point number as printf does in the "C" locale, without
    // printf's format parsing and big-number arithmetic; the largest double takes 309 digits
    // before the point.
    char text[400];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision);
    if (error == std::errc()) {
        appendPadded(out, text, end, width);
        return;
    }
    std::string wide(size_t(std::snprintf(nullptr, 0, "%*.*f", width, precision, value)) + 1, '\0');
    wide.resize(size_t(std::snprintf(wide.data(), wide.size(), "%*.*f", width, precision, value)));
    out += wide;
}

void appendInteger(std::string& out, int value, int width) {
    char text[16];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    appendPadded(out, text, error == std::errc() ? end : text, width);
}
