// The lines of a file that vornax wrote, read one at a time, with the messages that name the
// file, the line and what was expected there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/run_error.h"
#include "exporter/stepmatrix_file.h"

// The lines of `text`, read one at a time, with the messages that name them. A file whose
// first line ends with CR LF (copied through Windows) is read with CR LF line ends.
class Lines {
  public:
    Lines(const std::string& text, const std::string& path)
        : text_(text), path_(path), crlf_(firstLineEndsWithCr(text)) {}

    // Returns whether all lines are read.
    bool atEnd() const { return next_ >= text_.size(); }
    // Returns the next line without its line end; the file must not be at its end.
    std::string_view peek() const {
        std::string_view line = rawLine();
        if (crlf_ && line.ends_with('\r')) line.remove_suffix(1);
        return line;
    }
    // Returns the next line and moves past it; fails naming `expected` at the end of the file.
    std::string_view take(const std::string& expected) {
        if (atEnd()) {
            throw RunError("vornax-export: \"" + path_ + "\" ends after line " +
                           std::to_string(number_) + ", where " + expected +
                           " was expected: did vornax stop before it finished?\n");
        }
        const std::string_view line = peek();
        next_ += rawLine().size() + 1;
        ++number_;
        return line;
    }
    // Returns the number of the line last taken, from 1 (0 before the first).
    int64_t number() const { return number_; }
    // Skips empty lines.
    void skipEmpty() {
        while (!atEnd() && peek().empty()) take("");
    }
    // Throws the error for the line just taken, which is not `expected`.
    [[noreturn]] void fail(const std::string& expected, std::string_view found) const {
        throw RunError("vornax-export: \"" + path_ + "\" line " + std::to_string(number_) +
                       ": expected " + expected + ", found " + shown(found) + "\n");
    }
    // Takes the next line and fails unless it is `line`.
    void expect(std::string_view line, const std::string& expected) {
        const std::string_view found = take(expected);
        if (found != line) fail(expected, found);
    }

  private:
    // Returns whether the first line of `text` ends with CR LF.
    static bool firstLineEndsWithCr(const std::string& text) {
        const std::size_t end = text.find('\n');
        return end != std::string::npos && end > 0 && text[end - 1] == '\r';
    }
    // Returns the next line up to its line feed.
    std::string_view rawLine() const {
        const std::size_t end = text_.find('\n', next_);
        return std::string_view(text_).substr(
            next_, (end == std::string::npos ? text_.size() : end) - next_);
    }

    const std::string& text_;
    const std::string& path_;
    const bool crlf_;
    std::size_t next_ = 0;
    int64_t number_ = 0;  // a file may hold more than 2^31 lines
};
