#include "base/console.h"

#include <cctype>

namespace phenostat {

int Console::read_char() {
    out_.flush();
    const auto c = in_.get();
    if (c == std::istream::traits_type::eof()) return -1;
    return static_cast<unsigned char>(c);
}

bool Console::read_line(std::string& line) {
    out_.flush();
    line.clear();
    int c = in_.get();
    if (c == std::istream::traits_type::eof()) return false;
    while (c != std::istream::traits_type::eof() && c != '\n') {
        line.push_back(static_cast<char>(c));
        c = in_.get();
    }
    return true;
}

bool Console::read_word(std::string& word) {
    out_.flush();
    word.clear();
    int c = in_.get();
    while (c != std::istream::traits_type::eof() && std::isspace(c)) c = in_.get();
    if (c == std::istream::traits_type::eof()) return false;
    while (c != std::istream::traits_type::eof() && !std::isspace(c)) {
        word.push_back(static_cast<char>(c));
        c = in_.get();
    }
    if (c != std::istream::traits_type::eof()) in_.unget();
    return true;
}

void Console::discard_line() {
    int c = in_.get();
    while (c != std::istream::traits_type::eof() && c != '\n') c = in_.get();
}

}  // namespace phenostat
