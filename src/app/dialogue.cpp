#include "app/dialogue.h"

#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/fatal_error.h"
#include "input/phenotype_coding.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr const char* END_OF_INPUT = "\n\nEnd of input while waiting for an answer: exiting.";

constexpr const char* INPUT_PROMPT = "\n-> Enter the name of the input file (including extension): ";
constexpr const char* STEM_PROMPT = "\n-> Enter the stem for the output file names: ";
constexpr const char* OPTIONS_NOTE = "\nThe options below are not exclusive - you may answer YES to all of them\n\n";

constexpr const char* ALL_SAMPLES_QUESTION =
    "\nDo you wish to calculate statistics for all samples together?\n(type y/n):  ";
constexpr const char* PER_SAMPLE_QUESTION =
    "\nDo you wish to calculate appropriate single-sample statistics for each sample in turn?\n(type y/n):  ";
constexpr const char* PAIRWISE_QUESTION =
    "\nDo you wish to Calculate F'st (the modified Fst) between all pairs of samples?\n(type y/n):  ";
constexpr const char* GROUPS_QUESTION =
    "\nDo you wish to Calculate statistics for each group of samples separately,\n(this uses a permutation "
    "test for the p-values of differences between them)?\n(type y/n):  ";

constexpr const char* COORDINATES_PROMPT =
    "\nIf you wish to calculate geographic distances, enter the name of the file here\n otherwise type n and "
    "press <return>:   ";
constexpr const char* COORDINATES_NOT_FOUND = "\n File not found! re-enter to continue:";

constexpr const char* PERMUTATIONS_PROMPT = "\nHow many permutations do you wish to use?\n(enter an integer > 100):   ";
constexpr const char* INVALID_NUMBER = "\nWARNING: you did not enter a valid number\n";

// A whole line that the dialogue cannot do without.
std::string read_answer_line(Console& console) {
    std::string line;
    if (!console.read_line(line)) throw FatalError(END_OF_INPUT);
    return line;
}

}  // namespace

bool is_readable_file(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    return file.is_open();
}

void print_banner(Console& console) {
    console.print("\t\t***************************");
    console.print("\n\t\t*    This is PHENOSTAT    *");
    console.print("\n\t\t***************************");
    console.print("\n\nThis program calculates a set of Population-Genetic\nstatistics from allelic phenotype data.");
    console.print(
        strprintf("\n\nNote that this version is compiled to handle a maximum of\n\t%i alleles per locus\n\t%i "
                  "phenotypes per locus, and \n\t%i alleles per phenotype",
                  MAX_ALLELES_PER_LOCUS, MAX_PHENOTYPES_PER_LOCUS, MAX_ALLELES_PER_PHENOTYPE));
    console.print("\n\nSignificant differences in statsistics between user-\ndefined groups are calculated by "
                  "shuffling samples between groups");
}

void ask_file_names(Console& console, RunPlan& plan) {
    // The data file: the same prompt, silently, until a readable file is named.
    do {
        console.print(INPUT_PROMPT);
        plan.data_path = read_answer_line(console);
    } while (!is_readable_file(plan.data_path));

    console.print(STEM_PROMPT);
    plan.stem = read_answer_line(console);
    plan.stats_path = plan.stem + "_stats.txt";
    plan.summary_path = plan.stem + "_summary.txt";
}

bool ask_yes_no(Console& console, const char* question) {
    for (;;) {
        console.print(question);
        const int answer = console.read_char();
        if (answer < 0) throw FatalError(END_OF_INPUT);
        console.read_char();  // normally the line end; the end of input here keeps the answer
        if (answer == 'y') return true;
        if (answer == 'n') return false;
    }
}

std::string ask_coordinates_file(Console& console) {
    console.print(COORDINATES_PROMPT);
    std::string path = read_answer_line(console);
    if (path.empty() || path == "n") return {};
    // From here on every line is a file name: there is no way back to "n".
    while (!is_readable_file(path)) {
        console.print(COORDINATES_NOT_FOUND);
        path = read_answer_line(console);
    }
    return path;
}

bool parse_leading_int(const std::string& word, int& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    // Accumulate the magnitude, saturating well beyond the range of int.
    constexpr std::int64_t LIMIT = std::int64_t{INT_MAX} + 2;
    std::int64_t magnitude = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (word[i] - '0');
        if (magnitude > LIMIT) magnitude = LIMIT;
    }
    const std::int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value < INT_MIN || signed_value > INT_MAX) return false;
    value = static_cast<int>(signed_value);
    return true;
}

int ask_permutations(Console& console) {
    int value = 0;
    do {
        console.print(PERMUTATIONS_PROMPT);
        std::string word;
        if (!console.read_word(word)) throw FatalError(END_OF_INPUT);
        if (!parse_leading_int(word, value)) {
            console.print(INVALID_NUMBER);
            value = 0;
            continue;
        }
        if (value == 0) console.print(INVALID_NUMBER);
    } while (value < 1);
    return value;
}

void ask_analyses(Console& console, RunPlan& plan) {
    console.print(OPTIONS_NOTE);
    plan.all_samples = ask_yes_no(console, ALL_SAMPLES_QUESTION);
    plan.per_sample = ask_yes_no(console, PER_SAMPLE_QUESTION);
    plan.pairwise = ask_yes_no(console, PAIRWISE_QUESTION);
    plan.coordinates_path = plan.pairwise ? ask_coordinates_file(console) : std::string{};
    const bool groups = ask_yes_no(console, GROUPS_QUESTION);
    plan.permutations = groups ? ask_permutations(console) : 0;
}

}  // namespace phenostat
