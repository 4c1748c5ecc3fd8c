#pragma once
// The console: standard input and output, or any pair of streams in tests.
// Reads are unbuffered in meaning (one character, one word, one line) and
// never skip anything they are not asked to skip.

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace phenostat {

class Console {
public:
    Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    void print(std::string_view text) { out_.write(text.data(), static_cast<std::streamsize>(text.size())); }
    void flush() { out_.flush(); }

    // One character, or -1 at the end of input.
    int read_char();
    // A whole line without its line end; false at the end of input with nothing read.
    bool read_line(std::string& line);
    // Skips white space (line ends included), then reads one word; false at the end of input.
    bool read_word(std::string& word);
    // Discards the rest of the current line, its line end included.
    void discard_line();
    // Waits for the user's Enter: reads one character (the end of input also goes on).
    void pause() { read_char(); }

private:
    std::istream& in_;
    std::ostream& out_;
};

}  // namespace phenostat
