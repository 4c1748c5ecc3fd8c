// Fuzz target: the phenotype-text coder (parse_phenotype, then
// normalise_phenotype) against a plain restatement of the rule: the text is
// split at commas; in each item only the digits after its last other
// character count; a code of value 0 is no allele; codes above 999999999 are
// over the limit (their exact value does not matter).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"

using namespace phenostat;
using phenostat::fuzz::check;

namespace {

constexpr std::int64_t OVER_THE_LIMIT = -1;  // stands for any code above MAX_ALLELE_CODE

// The codes of one text by the rule above, in field order.
std::vector<std::int64_t> reference_codes(std::string_view text) {
    std::vector<std::int64_t> codes;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        std::string_view item = text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                  : comma - start);
        std::size_t digits = item.size();
        while (digits > 0 && item[digits - 1] >= '0' && item[digits - 1] <= '9') --digits;
        std::string_view number = item.substr(digits);
        while (!number.empty() && number.front() == '0') number.remove_prefix(1);
        if (!number.empty()) codes.push_back(number.size() > 9 ? OVER_THE_LIMIT : std::stoll(std::string(number)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return codes;
}

bool same_code(std::int64_t coded, std::int64_t expected) {
    return expected == OVER_THE_LIMIT ? coded > MAX_ALLELE_CODE : coded == expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    std::vector<std::int64_t> codes{42, 42};  // whatever the list held before is replaced
    parse_phenotype(text, codes);
    const std::vector<std::int64_t> expected = reference_codes(text);
    check(codes.size() == expected.size(), "parse_phenotype: wrong number of codes");
    for (std::size_t i = 0; i < codes.size(); ++i) {
        check(codes[i] > 0, "parse_phenotype: a code of 0 or below");
        check(same_code(codes[i], expected[i]), "parse_phenotype: a code differs from the rule");
    }

    std::vector<std::int64_t> normalised = codes;
    normalise_phenotype(normalised);
    check(std::adjacent_find(normalised.begin(), normalised.end(),
                             [](std::int64_t a, std::int64_t b) { return a >= b; }) == normalised.end(),
          "normalise_phenotype: not strictly ascending");
    for (const std::int64_t code : codes)
        check(std::binary_search(normalised.begin(), normalised.end(), code), "normalise_phenotype: lost a code");
    return 0;
}
