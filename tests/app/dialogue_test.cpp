// The console dialogue over string streams: what is asked, how often, and
// what each answer leaves unread.

#include "app/dialogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include "base/fatal_error.h"
#include "support/e2e.h"

namespace phenostat {
namespace {

constexpr const char* END_OF_INPUT = "\n\nEnd of input while waiting for an answer: exiting.";
constexpr const char* WARNING = "\nWARNING: you did not enter a valid number\n";
constexpr const char* QUESTION = "\nQ?\n(type y/n):  ";

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A console over typed text.
struct Typed {
    explicit Typed(const std::string& text) : in(text), console(in, out) {}
    std::string unread() { return std::string(std::istreambuf_iterator<char>(in), {}); }
    std::istringstream in;
    std::ostringstream out;
    Console console;
};

void expect_end_of_input(const std::function<void(Console&)>& ask, const std::string& typed) {
    Typed t(typed);
    try {
        ask(t.console);
        ADD_FAILURE() << "no FatalError for input \"" << typed << "\"";
    } catch (const FatalError& error) {
        EXPECT_STREQ(error.what(), END_OF_INPUT);
    }
}

TEST(DialogueYesNo, ReadsOneCharacterAndDiscardsOne) {
    {  // "yes": y answers, e is discarded, and the next question starts at s.
        Typed t("yes\nn\n");
        EXPECT_TRUE(ask_yes_no(t.console, QUESTION));
        EXPECT_FALSE(ask_yes_no(t.console, "\nQ2?"));
        EXPECT_EQ(occurrences(t.out.str(), "\nQ2?"), 2u);  // s is invalid (its line end discarded)
        EXPECT_EQ(t.unread(), "");
    }
    {  // An empty line is an invalid answer; the next line's first character is discarded.
        Typed t("\nxy\n");
        EXPECT_TRUE(ask_yes_no(t.console, QUESTION));
        EXPECT_EQ(occurrences(t.out.str(), QUESTION), 2u);
    }
    {  // Upper case is not accepted.
        Typed t("Y\nN\nn\n");
        EXPECT_FALSE(ask_yes_no(t.console, QUESTION));
        EXPECT_EQ(occurrences(t.out.str(), QUESTION), 3u);
    }
}

TEST(DialogueYesNo, EndOfInput) {
    expect_end_of_input([](Console& c) { ask_yes_no(c, QUESTION); }, "");
    expect_end_of_input([](Console& c) { ask_yes_no(c, QUESTION); }, "Y\n");
    expect_end_of_input([](Console& c) { ask_yes_no(c, QUESTION); }, "x");  // invalid, then nothing more
    // The end of input on the discarded character keeps a valid answer.
    Typed t("y");
    EXPECT_TRUE(ask_yes_no(t.console, QUESTION));
}

TEST(DialoguePermutations, AcceptsTheLeadingIntegerOfOneWord) {
    struct Case {
        const char* typed;
        int value;
        std::size_t prompts;
        std::size_t warnings;
        const char* unread;
    };
    const Case cases[] = {
        {"50\n", 50, 1, 0, "\n"},
        {"  \n 250x more\n", 250, 1, 0, " more\n"},
        {"+7\n", 7, 1, 0, "\n"},
        {"1\n", 1, 1, 0, "\n"},  // 100 and below are not refused
        {"0\n50\n", 50, 2, 1, "\n"},
        {"many\n50\n", 50, 2, 1, "\n"},
        {"-5\n50\n", 50, 2, 0, "\n"},
        {"- 5\n", 5, 2, 1, "\n"},  // "-" alone has no digits; 5 is the next word
        {"2147483647\n", 2147483647, 1, 0, "\n"},
        {"2147483648\n50\n", 50, 2, 1, "\n"},
        {"99999999999\n50\n", 50, 2, 1, "\n"},
        {"-2147483648\n50\n", 50, 2, 0, "\n"},   // in range, below 1
        {"-99999999999\n50\n", 50, 2, 1, "\n"},  // out of range
        {"0 0 12 34\n", 12, 3, 2, " 34\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Typed t(c.typed);
        EXPECT_EQ(ask_permutations(t.console), c.value);
        EXPECT_EQ(occurrences(t.out.str(), "\nHow many permutations do you wish to use?\n(enter an integer > 100):   "),
                  c.prompts);
        EXPECT_EQ(occurrences(t.out.str(), WARNING), c.warnings);
        EXPECT_EQ(t.unread(), c.unread);
    }
    expect_end_of_input([](Console& c) { ask_permutations(c); }, "");
    expect_end_of_input([](Console& c) { ask_permutations(c); }, " \n\n ");
    expect_end_of_input([](Console& c) { ask_permutations(c); }, "0\n-3\n");
}

TEST(DialogueFiles, InputFileIsReaskedUntilAReadableFile) {
    e2e::TempDir dir;
    e2e::write_file(dir / "data.txt", "H\n");
    const std::string data = (dir / "data.txt").string();
    const std::string prompt = "\n-> Enter the name of the input file (including extension): ";

    Typed t(dir.path().string() + "\n" + (dir / "missing.txt").string() + "\n\n" + data + "\n" +
            std::string(1000, 's') + "\n");
    RunOptions options;
    ask_file_names(t.console, options);
    EXPECT_EQ(options.input_path, data);
    EXPECT_EQ(options.stats_path, std::string(1000, 's') + "_stats.txt");
    EXPECT_EQ(options.summary_path, std::string(1000, 's') + "_summary.txt");
    // Three silent repeats, then the stem's prompt.
    EXPECT_EQ(t.out.str(), prompt + prompt + prompt + prompt + "\n-> Enter the stem for the output file names: ");

    Typed empty_stem(data + "\n\n");
    ask_file_names(empty_stem.console, options);
    EXPECT_EQ(options.stem, "");
    EXPECT_EQ(options.stats_path, "_stats.txt");
    EXPECT_EQ(options.summary_path, "_summary.txt");

    RunOptions ignored;
    expect_end_of_input([&](Console& c) { ask_file_names(c, ignored); }, "");
    expect_end_of_input([&](Console& c) { ask_file_names(c, ignored); }, dir.path().string() + "\n");
    expect_end_of_input([&](Console& c) { ask_file_names(c, ignored); }, data + "\n");
}

TEST(DialogueFiles, CoordinatesFile) {
    e2e::TempDir dir;
    e2e::write_file(dir / "coords.txt", "0 0\n");
    const std::string coords = (dir / "coords.txt").string();
    const std::string not_found = "\n File not found! re-enter to continue:";
    {
        Typed t("n\nrest");
        EXPECT_EQ(ask_coordinates_file(t.console), "");
        EXPECT_EQ(t.unread(), "rest");
    }
    {
        Typed t("\nrest");
        EXPECT_EQ(ask_coordinates_file(t.console), "");
        EXPECT_EQ(t.unread(), "rest");
    }
    {  // Once a name is given, even "n" and the empty line are file names.
        Typed t("missing.txt\nn\n\n" + dir.path().string() + "\n" + coords + "\n");
        EXPECT_EQ(ask_coordinates_file(t.console), coords);
        EXPECT_EQ(occurrences(t.out.str(), not_found), 4u);
    }
    expect_end_of_input([](Console& c) { ask_coordinates_file(c); }, "");
    expect_end_of_input([](Console& c) { ask_coordinates_file(c); }, "missing.txt\n");
}

TEST(DialogueAnalyses, FollowUpQuestionsOnlyAfterYes) {
    e2e::TempDir dir;
    e2e::write_file(dir / "coords.txt", "0 0\n");
    {
        Typed t("n\nn\nn\nn\n");
        RunOptions options;
        ask_analyses(t.console, options);
        EXPECT_FALSE(options.all_samples || options.per_sample || options.pairwise || options.groups);
        EXPECT_EQ(t.out.str().find("geographic"), std::string::npos);
        EXPECT_EQ(t.out.str().find("permutations"), std::string::npos);
        EXPECT_EQ(t.out.str().rfind("\nThe options below are not exclusive - you may answer YES to all of them\n\n", 0),
                  0u);
    }
    {
        Typed t("y\ny\ny\n" + (dir / "coords.txt").string() + "\ny\n250 x\n");
        RunOptions options;
        ask_analyses(t.console, options);
        EXPECT_TRUE(options.all_samples && options.per_sample && options.pairwise && options.groups);
        EXPECT_EQ(options.coordinates_path, (dir / "coords.txt").string());
        EXPECT_EQ(options.permutations, 250);
        EXPECT_EQ(t.unread(), " x\n");
    }
    // The end of input at each question in turn.
    for (const char* typed : {"", "n\n", "n\nn\n", "n\nn\ny\n", "n\nn\nn\n", "n\nn\nn\ny\n"}) {
        SCOPED_TRACE(typed);
        RunOptions ignored;
        expect_end_of_input([&](Console& c) { ask_analyses(c, ignored); }, typed);
    }
}

}  // namespace
}  // namespace phenostat
