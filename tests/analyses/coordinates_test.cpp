#include "analyses/coordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "base/fatal_error.h"

namespace phenostat {
namespace {

Coordinates read_text(const std::string& text, std::size_t samples) {
    std::istringstream in(text);
    return read_coordinates(in, samples);
}

TEST(CoordinatesTest, TokenValueIsTheLongestLeadingDecimalNumber) {
    EXPECT_EQ(coordinate_token_value("-3.5"), -3.5);
    EXPECT_EQ(coordinate_token_value("+66.5"), 66.5);
    EXPECT_EQ(coordinate_token_value("12abc"), 12);
    EXPECT_EQ(coordinate_token_value("-3.5e2x"), -350);
    EXPECT_EQ(coordinate_token_value("1.5E-1"), 0.15);
    EXPECT_EQ(coordinate_token_value("7e"), 7);
    EXPECT_EQ(coordinate_token_value("7e+"), 7);
    EXPECT_EQ(coordinate_token_value("5."), 5);
    EXPECT_EQ(coordinate_token_value(".5"), 0.5);
    EXPECT_EQ(coordinate_token_value("1.2.3"), 1.2);
    EXPECT_EQ(coordinate_token_value("0x1A"), 0);
    EXPECT_EQ(coordinate_token_value("inf"), 0);
    EXPECT_EQ(coordinate_token_value("-infinity"), 0);
    EXPECT_EQ(coordinate_token_value("nan"), 0);
    EXPECT_EQ(coordinate_token_value("north"), 0);
    EXPECT_EQ(coordinate_token_value("."), 0);
    EXPECT_EQ(coordinate_token_value("-"), 0);
    EXPECT_EQ(coordinate_token_value("1,5"), 1);  // never a decimal comma
    EXPECT_EQ(coordinate_token_value("1e999"), INFINITY);
    EXPECT_EQ(coordinate_token_value("-1e999"), -INFINITY);
    EXPECT_EQ(coordinate_token_value("1e-999"), 0);
}

TEST(CoordinatesTest, ReadsPairsAcrossAnyWhiteSpaceAndStopsAtTheSampleCount) {
    const Coordinates c = read_text("  -3 59\n39\t44\r\n40\n61 0 43 99 99", 3);
    EXPECT_EQ(c.pairs_read, 3u);
    EXPECT_EQ(c.longitude, (std::vector<double>{-3, 39, 40}));
    EXPECT_EQ(c.latitude, (std::vector<double>{59, 44, 61}));
}

TEST(CoordinatesTest, ShortFileLeavesTheLastSamplesWithoutCoordinates) {
    const Coordinates c = read_text("1 2\n3 4\n5", 4);  // a lone longitude makes no pair
    EXPECT_EQ(c.pairs_read, 2u);
    EXPECT_TRUE(c.has(1));
    EXPECT_FALSE(c.has(2));
    ASSERT_EQ(c.longitude.size(), 4u);
    EXPECT_EQ(read_text("", 2).pairs_read, 0u);
}

TEST(CoordinatesTest, TextTokensReadAsZero) {
    const Coordinates c = read_text("lon lat\n12abc nan", 2);
    EXPECT_EQ(c.pairs_read, 2u);
    EXPECT_EQ(c.longitude, (std::vector<double>{0, 12}));
    EXPECT_EQ(c.latitude, (std::vector<double>{0, 0}));
}

TEST(CoordinatesTest, RunsLongerThan255CharactersGiveSeveralTokens) {
    // 300 digits: a 255-digit token and a 45-digit one.
    const std::string run(300, '1');
    const Coordinates c = read_text(run + " 7 8", 2);
    EXPECT_EQ(c.pairs_read, 2u);
    EXPECT_DOUBLE_EQ(c.longitude[0], std::stod(std::string(255, '1')));
    EXPECT_DOUBLE_EQ(c.latitude[0], std::stod(std::string(45, '1')));
    EXPECT_EQ(c.longitude[1], 7);
    EXPECT_EQ(c.latitude[1], 8);
    // Exactly 255 characters stay one token.
    EXPECT_EQ(read_text(std::string(254, '0') + "5 6", 1).longitude[0], 5);
}

TEST(CoordinatesTest, MissingFileIsFatal) {
    EXPECT_THROW(read_coordinates_file("/nonexistent/coords.txt", 1), FatalError);
}

TEST(CoordinatesTest, EchoShowsValuesAndWarnsAboutMissingPairs) {
    SampleCatalogue catalogue;
    for (const char* name : {"P", "Q", "R"}) catalogue.samples.push_back(Sample{name, 0, 0, "", false});
    const std::string prompt =
        "\nAre these correct? if not quit and alter the order of lon/lat data\npress <return> to continue";
    EXPECT_EQ(coordinates_echo(read_text("-5 50 -3.25 58", 3), catalogue),
              "\nP\tlong -5.000000, lat 50.000000"
              "\nQ\tlong -3.250000, lat 58.000000"
              "\nR\tno coordinates"
              "\n\nWarning: the coordinates file holds 2 pairs for 3 samples; distances to the samples "
              "without coordinates are written as NA" +
                  prompt);
    EXPECT_EQ(coordinates_echo(read_text("1 2 3 4 5 6", 3), catalogue),
              "\nP\tlong 1.000000, lat 2.000000\nQ\tlong 3.000000, lat 4.000000\nR\tlong 5.000000, lat 6.000000" +
                  prompt);
}

}  // namespace
}  // namespace phenostat
