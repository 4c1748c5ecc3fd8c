#include "input/coordinates.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <string>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::size_t MAX_TOKEN_LENGTH = 255;

bool is_white_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::size_t skip_digits(std::string_view text, std::size_t at) {
    while (at < text.size() && is_digit(text[at])) ++at;
    return at;
}

// The parts of the longest leading decimal number of a token.
struct NumberPrefix {
    bool negative = false;
    std::size_t mantissa_begin = 0;  // after the sign
    std::size_t end = 0;             // 0: the token has no number
    std::size_t exponent_at = 0;     // position of 'e'/'E', or end when absent
};

NumberPrefix find_number(std::string_view token) {
    NumberPrefix number;
    std::size_t at = 0;
    if (at < token.size() && (token[at] == '+' || token[at] == '-')) {
        number.negative = token[at] == '-';
        ++at;
    }
    number.mantissa_begin = at;
    const std::size_t integer_end = skip_digits(token, at);
    std::size_t mantissa_end = integer_end;
    bool has_digit = integer_end > at;
    if (mantissa_end < token.size() && token[mantissa_end] == '.') {
        const std::size_t fraction_end = skip_digits(token, mantissa_end + 1);
        has_digit = has_digit || fraction_end > mantissa_end + 1;
        mantissa_end = fraction_end;
    }
    if (!has_digit) return NumberPrefix{};
    number.end = mantissa_end;
    number.exponent_at = mantissa_end;
    if (mantissa_end < token.size() && (token[mantissa_end] == 'e' || token[mantissa_end] == 'E')) {
        std::size_t digits = mantissa_end + 1;
        if (digits < token.size() && (token[digits] == '+' || token[digits] == '-')) ++digits;
        const std::size_t exponent_end = skip_digits(token, digits);
        if (exponent_end > digits) number.end = exponent_end;
    }
    return number;
}

// A number too large or too small for a double: infinity or zero, decided by
// the power of ten of its leading significant digit.
double out_of_range_value(std::string_view token, const NumberPrefix& number) {
    std::string_view mantissa = token.substr(number.mantissa_begin, number.exponent_at - number.mantissa_begin);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) return number.negative ? -0.0 : 0.0;
    // 10^power is the place value of the first significant digit.
    long long power = first < point ? static_cast<long long>(point - first) - 1
                                    : -static_cast<long long>(first - point);
    long long exponent = 0;
    std::size_t at = number.exponent_at + 1;
    if (at < number.end) {
        const bool negative = token[at] == '-';
        if (token[at] == '+' || token[at] == '-') ++at;
        for (; at < number.end && exponent < 1000000; ++at) exponent = exponent * 10 + (token[at] - '0');
        if (negative) exponent = -exponent;
    }
    const double magnitude = power + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return number.negative ? -magnitude : magnitude;
}

}  // namespace

double coordinate_token_value(std::string_view token) {
    const NumberPrefix number = find_number(token);
    if (number.end == 0) return 0.0;
    // from_chars takes no '+' sign; the '-' sign is applied here.
    const char* first = token.data() + number.mantissa_begin;
    const char* last = token.data() + number.end;
    double value = 0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) return out_of_range_value(token, number);
    if (result.ec != std::errc()) return 0.0;
    return number.negative ? -value : value;
}

Coordinates read_coordinates(std::istream& in, std::size_t sample_count) {
    Coordinates coordinates;
    coordinates.longitude.assign(sample_count, 0.0);
    coordinates.latitude.assign(sample_count, 0.0);
    std::string token;
    double longitude = 0;
    bool have_longitude = false;
    auto finish_token = [&] {
        const double value = coordinate_token_value(token);
        token.clear();
        if (!have_longitude) {
            longitude = value;
            have_longitude = true;
            return;
        }
        coordinates.longitude[coordinates.pairs_read] = longitude;
        coordinates.latitude[coordinates.pairs_read] = value;
        ++coordinates.pairs_read;
        have_longitude = false;
    };
    char c = 0;
    while (coordinates.pairs_read < sample_count && in.get(c)) {
        if (is_white_space(c)) {
            if (!token.empty()) finish_token();
            continue;
        }
        token.push_back(c);
        if (token.size() == MAX_TOKEN_LENGTH) finish_token();
    }
    if (!token.empty() && coordinates.pairs_read < sample_count) finish_token();
    return coordinates;
}

Coordinates read_coordinates_file(const std::string& path, std::size_t sample_count) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError(strprintf("\nOpening %s failed!", path.c_str()));
    return read_coordinates(in, sample_count);
}

}  // namespace phenostat
