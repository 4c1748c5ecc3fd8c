#include "input/coordinates.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <string>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/input_file.h"

namespace phenostat {
namespace {

constexpr std::size_t MAX_TOKEN_LENGTH = 255;

bool is_white_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

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
    coordinates.known.assign(sample_count, 0);
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
        coordinates.known[coordinates.pairs_read] = 1;
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

namespace {

std::vector<std::string> split_fields(const std::string& line, bool on_tabs) {
    std::vector<std::string> fields;
    std::string field;
    bool in_field = false;
    for (const char c : line) {
        const bool separator = on_tabs ? c == '\t' : is_white_space(c);
        if (separator) {
            if (on_tabs || in_field) fields.push_back(field);
            field.clear();
            in_field = false;
        } else {
            field.push_back(c);
            in_field = true;
        }
    }
    if (on_tabs || in_field) fields.push_back(field);
    return fields;
}

// The whole text as a number, or nothing.
std::optional<double> strict_number(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

[[noreturn]] void bad_line(const std::string& path, std::size_t line, const std::string& what) {
    throw FatalError(strprintf("%s, line %zu: %s", path.c_str(), line, what.c_str()));
}

void check_site(const std::string& path, std::size_t line, double longitude, double latitude) {
    if (longitude < -180 || longitude > 180)
        bad_line(path, line, strprintf("longitude %g is outside -180..180 (is latitude given first?)", longitude));
    if (latitude < -90 || latitude > 90)
        bad_line(path, line, strprintf("latitude %g is outside -90..90 (is latitude given first?)", latitude));
}

double number_on_line(const std::string& path, std::size_t line, const std::string& text) {
    const std::optional<double> value = strict_number(text);
    if (!value) bad_line(path, line, "'" + text + "' is not a number");
    return *value;
}

Coordinates read_sites(const std::string& path, const std::vector<std::string>& sample_names,
                       std::vector<std::string>& unmatched) {
    require_readable(path, "coordinates file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError(strprintf("Opening the coordinates file %s failed.", path.c_str()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    const std::size_t count = sample_names.size();
    Coordinates sites;
    sites.longitude.assign(count, 0.0);
    sites.latitude.assign(count, 0.0);
    sites.known.assign(count, 0);
    // Named lines: three tab-separated fields on every line that is not blank.
    bool named = false, blank = true;
    for (const std::string& line : lines) {
        if (split_fields(line, false).empty()) continue;
        named = (blank || named) && split_fields(line, true).size() == 3;
        blank = false;
    }
    if (!named) {
        std::size_t value_count = 0;
        double longitude = 0;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            for (const std::string& token : split_fields(lines[l], false)) {
                const double value = number_on_line(path, l + 1, token);
                if (value_count++ % 2 == 0) {
                    longitude = value;
                    continue;
                }
                check_site(path, l + 1, longitude, value);
                if (sites.pairs_read == count) continue;
                sites.longitude[sites.pairs_read] = longitude;
                sites.latitude[sites.pairs_read] = value;
                sites.known[sites.pairs_read++] = 1;
            }
        }
        // Pairs matched by their order only: one too many or too few puts
        // every site after it on the wrong sample.
        if (value_count != 2 * count)
            throw FatalError(strprintf("%s holds %s%s and the data %s: give a longitude and a latitude for every "
                                       "sample in sample order, or lines of name, longitude and latitude.",
                                       path.c_str(),
                                       count_of(value_count / 2, "coordinate pair", "coordinate pairs").c_str(),
                                       value_count % 2 != 0 ? " and a lone value" : "",
                                       count_of(count, "sample", "samples").c_str()));
        return sites;
    }
    std::vector<std::string> seen;
    for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::vector<std::string> fields = split_fields(lines[l], true);
        if (fields.size() != 3) continue;
        if (l == 0 && (!strict_number(fields[1]) || !strict_number(fields[2]))) continue;  // a header
        const double longitude = number_on_line(path, l + 1, fields[1]);
        const double latitude = number_on_line(path, l + 1, fields[2]);
        check_site(path, l + 1, longitude, latitude);
        if (std::find(seen.begin(), seen.end(), fields[0]) != seen.end())
            bad_line(path, l + 1, "the sample " + fields[0] + " was given a site before");
        seen.push_back(fields[0]);
        bool matched = false;
        for (std::size_t s = 0; s < count; ++s) {
            if (sample_names[s] != fields[0]) continue;
            sites.longitude[s] = longitude;
            sites.latitude[s] = latitude;
            sites.known[s] = 1;
            matched = true;
        }
        if (matched)
            ++sites.pairs_read;
        else
            unmatched.push_back(fields[0]);
    }
    if (sites.pairs_read == 0)
        throw FatalError(strprintf("%s names %s and %s one of the data's %s.", path.c_str(),
                                   count_of(unmatched.size(), "sample", "samples").c_str(),
                                   unmatched.size() == 1 ? "it is not" : "none of them is",
                                   count_of(count, "sample", "samples").c_str()));
    return sites;
}

}  // namespace

Coordinates read_sites_file(const std::string& path, const std::vector<std::string>& sample_names,
                            std::vector<Warning>& warnings) {
    std::vector<std::string> unmatched, missing;
    Coordinates sites = read_sites(path, sample_names, unmatched);
    for (std::size_t s = 0; s < sample_names.size(); ++s)
        if (!sites.has(s)) missing.push_back(sample_names[s]);
    if (!missing.empty())
        warnings.push_back({WarningKind::missing_coordinates, join_names(missing),
                            "no coordinates for " + join_names(missing) +
                                (missing.size() == 1 ? "; its distances are NA." : "; their distances are NA.")});
    if (!unmatched.empty())
        warnings.push_back({WarningKind::unmatched_coordinates, path,
                            path + (unmatched.size() == 1 ? " names a sample" : " names samples") +
                                " the data lack: " + join_names(unmatched) + "."});
    return sites;
}

}  // namespace phenostat
