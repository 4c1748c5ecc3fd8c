#pragma once
// Checks of the command line's option values, shared by the options of the
// run and those of each analysis.

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"

namespace phenostat {

// A whole number from `low` to `high`, written in decimal digits.
inline CLI::Validator whole_number(std::int64_t low, std::int64_t high) {
    const std::string message = strprintf(" is not a whole number from %lld to %lld", static_cast<long long>(low),
                                          static_cast<long long>(high));
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error == std::errc() && end == text.data() + text.size() && value >= low && value <= high) return {};
            return "'" + text + "'" + message;
        },
        "");
}

// One of the named choices, in the order given: the text becomes the value's
// number, which CLI11 reads into the enum.
template <typename Enum>
CLI::Validator choice(std::vector<std::pair<std::string, Enum>> choices) {
    std::string names;
    for (const auto& [name, value] : choices) names += (names.empty() ? "" : "|") + name;
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            for (const auto& [name, value] : choices) {
                if (text != name) continue;
                text = std::to_string(static_cast<int>(value));
                return {};
            }
            return "'" + text + "' is not one of " + names;
        },
        "");
}

}  // namespace phenostat
