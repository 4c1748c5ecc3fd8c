// The drawing module: tick choices, escaping, legends that cap, markers by
// category, and whole figures read back by an XML parser.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "reports/isolation_report.h"
#include "reports/plot.h"

namespace phenostat {
namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(Plot, TicksAreRoundCoverTheValuesAndTellThemApart) {
    const double nan = std::nan("");
    const struct {
        bool log;
        std::vector<double> values;
        const char* ticks;
    } cases[] = {
        {false, {}, "0 0.2 0.4 0.6 0.8 1"},
        {false, {3, 3}, "2.4 2.6 2.8 3 3.2 3.4 3.6"},
        {false, {0, nan, INFINITY, -1e308}, "-0.6 -0.4 -0.2 0 0.2 0.4 0.6"},
        {false, {-7.2, -3.1, -5}, "-8 -7 -6 -5 -4 -3"},
        {false, {-0.0, 0.3}, "0 0.1 0.2 0.3"},
        {false, {1000000.1, 1000000.9}, "1000000 1000000.2 1000000.4 1000000.6 1000000.8 1000001"},
        {true, {3, 7, 0, -1, 1e-310}, "2 5 10"},
        {true, {7}, "5 10"},
        {true, {100}, "100 200"},
        {true, {0.02, 0.3}, "0.02 0.05 0.1 0.2 0.5"},
        {true, {1, 900}, "1 2 5 10 20 50 100 200 500 1000"},
        {true, {1, 1001}, "1 10 100 1000 10000"},
        {true, {0.005, 3e7}, "0.001 0.1 10 1000 100000 10000000 1000000000"},
        {true, {}, "1 10"},
    };
    for (const auto& c : cases) {
        Scale scale = c.log ? log_scale(c.values) : linear_scale(c.values);
        std::string labels;
        for (const Tick& tick : scale.ticks) labels += (labels.empty() ? "" : " ") + tick.label;
        EXPECT_EQ(labels, c.ticks);
        EXPECT_EQ(scale.low, scale.ticks.front().value) << c.ticks;
        EXPECT_EQ(scale.high, scale.ticks.back().value) << c.ticks;
        scale.from = 100;
        scale.to = 0;
        for (const double value : c.values) {
            if (!scale.holds(value)) continue;
            EXPECT_GE(scale(value), 0) << c.ticks << " " << value;
            EXPECT_LE(scale(value), 100) << c.ticks << " " << value;
        }
    }
}

TEST(Plot, EscapingKeepsEveryTextWellFormed) {
    const std::pair<std::string, std::string> cases[] = {
        {"Bari & Taranto", "Bari &amp; Taranto"},
        {"<\"F'st\">", "&lt;&quot;F'st&quot;&gt;"},
        {"Z\xC3\xBCrich\t\xF0\x9F\x8C\x8D\xEF\xBC\x81",
         "Z\xC3\xBCrich\t\xF0\x9F\x8C\x8D\xEF\xBC\x81"},    // UTF-8 (a fullwidth !) and tabs kept
        {"caf\xE9 a\x01z", "caf? a?z"},                     // Latin-1, a control character
        {"\xE0\x80\xAF\xF0\x9F\x8C", std::string(6, '?')},  // overlong, cut short
        {"\xED\xA0\x80\xEF\xBF\xBE", std::string(6, '?')},  // a surrogate, U+FFFE
    };
    for (const auto& [text, escaped] : cases) {
        std::string want;
        for (const char c : escaped) want += c == '?' ? "\xEF\xBF\xBD" : std::string(1, c);
        EXPECT_EQ(xml_escape(text), want) << text;
    }
}

TEST(Plot, LegendsAndScattersCapWithACountOfTheRest) {
    const struct {
        std::size_t names, most, shown;
        const char* more;
    } cases[] = {{3, 5, 3, nullptr}, {5, 5, 5, nullptr}, {6, 5, 4, "+ 2 more"}, {12, 1, 0, "+ 12 more"}};
    for (const auto& c : cases) {
        std::vector<std::string> names;
        for (std::size_t k = 0; k < c.names; ++k) names.push_back("name" + std::to_string(k) + "!");
        Plot plot(200, 200);
        plot.legend(10, 10, names, c.most);
        const std::string svg = plot.svg("", "");
        EXPECT_EQ(occurrences(svg, "!</text>"), c.shown) << svg;
        EXPECT_EQ(occurrences(svg, "<circle"), c.shown) << svg;
        EXPECT_EQ(occurrences(svg, ">name" + std::to_string(c.shown) + "!<"), 0u) << svg;
        EXPECT_EQ(occurrences(svg, " more<"), c.more ? 1u : 0u) << svg;
        EXPECT_TRUE(!c.more || occurrences(svg, std::string(">") + c.more + "<") == 1) << svg;
    }
    // A scatter past MOST_POINTS draws 1 point in k, and its note says so.
    const struct {
        std::size_t points;
        const char* note;
    } scatters[] = {{MOST_POINTS - 1, ""},
                    {MOST_POINTS, ""},
                    {MOST_POINTS + 1, " (1 in 2 of the 20001 points drawn)"},
                    {3 * MOST_POINTS + 1, " (1 in 4 of the 60001 points drawn)"}};
    for (const auto& c : scatters) EXPECT_EQ(thinned_note(c.points), c.note) << c.points;
}

TEST(Plot, CategoriesGetDistinctMarkersColourBlindColoursFirst) {
    std::set<std::string> colours;
    std::set<std::pair<std::string, Shape>> markers;
    for (std::size_t k = 0; k < 40; ++k) {
        const Marker marker = category_marker(k);
        if (k < 8) colours.insert(marker.colour);
        markers.insert({marker.colour, marker.shape});
    }
    EXPECT_EQ(colours.size(), 8u);
    EXPECT_EQ(markers.size(), 40u);
    // Each shape drawn over a circle at the same point: its corners lie
    // around the circle's centre, about one radius out.
    for (const std::size_t category : {8u, 16u, 24u, 32u}) {
        Plot plot(300, 300);
        plot.axes({}, linear_scale({0, 1}), linear_scale({0, 1}), "", "");
        plot.scatter({{0.5, 0.5}, {0.5, 0.5}, {0, category}, {}, {}, {}}, {10, "black", 1});
        const std::string svg = plot.svg("", "");
        double cx = 0, cy = 0, r = 0;
        ASSERT_EQ(
            std::sscanf(svg.c_str() + svg.find("<circle"), "<circle cx=\"%lf\" cy=\"%lf\" r=\"%lf\"", &cx, &cy, &r), 3);
        std::string path = svg.substr(svg.find(" d=\"M", svg.find("<circle")) + 4);
        path = path.substr(0, path.find('"'));
        for (char& c : path) c = c == 'M' || c == 'L' || c == 'Z' ? ' ' : c;
        std::istringstream corners(path);
        double x = 0, y = 0, left = cx, right = cx, top = cy, bottom = cy;
        for (int corner = 0; corner < 4; ++corner) {
            ASSERT_TRUE(corners >> x >> y) << path;
            EXPECT_LE(std::hypot(x - cx, y - cy), 1.5 * r) << path;
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
        EXPECT_GE(right - left, 1.5 * r) << path;
        EXPECT_GE(bottom - top, 1.5 * r) << path;
    }
}

// Python's XML parser reads the document as an <svg> with role="img" whose
// first children are its <title> and <desc>.
bool reads_as_svg(const std::string& svg) {
    const char* check = "'" PHENOSTAT_PYTHON "' -c \"import sys, xml.etree.ElementTree as E; "
                        "r = E.fromstring(sys.stdin.buffer.read()); n = '{http://www.w3.org/2000/svg}'; "
                        "sys.exit(r.tag != n + 'svg' or r.get('role') != 'img' or [c.tag for c in r[:2]] != [n + "
                        "'title', n + 'desc'])\"";
    FILE* pipe = popen(check, "w");
    if (pipe == nullptr) return false;
    std::fwrite(svg.data(), 1, svg.size(), pipe);
    return pclose(pipe) == 0;
}

TEST(Plot, FiguresWithAwkwardNamesAreWellFormedXml) {
    const std::string awkward = "Bari & <Taranto> \"north\" caf\xE9\x01";
    Points points;
    std::vector<std::string> names;
    for (std::size_t k = 0; k < 45; ++k) {
        points.x.push_back(k == 3 ? std::nan("") : std::pow(1.5, static_cast<double>(k)));
        points.y.push_back(std::sin(static_cast<double>(k)));
        points.category.push_back(k);
        points.label.push_back(k % 2 ? awkward : "");
        points.tip.push_back(k % 3 ? awkward : "");
        names.push_back(awkward + std::to_string(k));
    }
    points.x.push_back(0);  // not on a log scale
    points.y.push_back(0);
    Plot plot(800, 500, "figure \"1\"");
    plot.title(awkward);
    plot.axes({.left = 80, .right = 200}, log_scale(points.x), linear_scale(points.y), awkward, awkward);
    plot.scatter(points);
    plot.segment(1, -1, 1e9, 1, "black", 1);
    for (std::size_t end = 0; end < 4; ++end) {  // a segment with an end the scales cannot place is left out
        double ends[4] = {10, 0, 1e3, 0.5};
        ends[end] = end % 2 ? std::nan("") : -1;
        plot.segment(ends[0], ends[1], ends[2], ends[3], "black", 1);
    }
    plot.legend(610, 50, names, 20);
    plot.caption(awkward);
    const std::string figure = plot.svg(awkward, awkward);
    EXPECT_TRUE(reads_as_svg(figure));
    EXPECT_EQ(occurrences(figure, "<circle") + occurrences(figure, "<path"), 44u + 19u);
    EXPECT_EQ(occurrences(figure, "clip-path="), 1u);
    EXPECT_EQ(figure.find("nan"), std::string::npos);
    EXPECT_EQ(figure.find("inf"), std::string::npos);
    EXPECT_TRUE(reads_as_svg(isolation_plot(IsolationResult{}, {GeneticScale::fst, GeographicScale::log}, awkward)));
}

}  // namespace
}  // namespace phenostat
