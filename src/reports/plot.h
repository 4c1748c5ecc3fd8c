#pragma once
// SVG figures from plain data: scales with round ticks, a frame with axes,
// points coloured by category, lines in data coordinates, legends, titles and
// captions. Every text is escaped here and every number written without the
// locale, so a figure's bytes depend on its data alone.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analyses/upgma.h"

namespace phenostat {

// Text as XML character data or as a double-quoted attribute value. Bytes XML
// cannot hold (control characters, broken UTF-8) become U+FFFD.
std::string xml_escape(std::string_view text);

struct Tick {
    double value;
    std::string label;
};

// Data values to pixels along one axis, linear or logarithmic, over the
// domain [low, high], whose ends are the first and last ticks.
struct Scale {
    bool log = false;
    double low = 0, high = 1;
    std::vector<Tick> ticks;
    double from = 0, to = 1;  // the pixels of low and high, set by Plot::axes

    double operator()(double value) const;
    // Whether a value can be drawn: within 1e300 of 0, and at least 1e-300
    // on a log scale.
    bool holds(double value) const;
};

// Steps of 1, 2 or 5 times a power of ten giving about five ticks, the
// domain widened to whole steps; one value gets a unit around it, none [0, 1].
// Values the scale cannot hold are ignored.
Scale linear_scale(const std::vector<double>& values);
// Ticks at 1, 2 and 5 times powers of ten from the one at or below the
// smallest value to the one at or above the largest, or at powers of ten
// (every so many) when that makes more than ten. Values the scale cannot
// hold are ignored.
Scale log_scale(const std::vector<double>& values);

enum class Shape { circle, square, triangle, diamond, triangle_down };
struct Marker {
    const char* colour;
    Shape shape;
};
// Category k's marker: the 8 colours of the Okabe-Ito palette (told apart
// with most kinds of colour blindness) in turn, then the same colours with
// the next shape; markers repeat after 40 categories.
Marker category_marker(std::size_t category);

// Points to plot. `category`, `label` and `tip` are empty or hold one entry
// per point; an empty label or tip draws none.
struct Points {
    std::vector<double> x, y;
    std::vector<std::size_t> category;  // colour and shape from category_marker
    std::vector<std::string> label;     // written beside the point
    std::vector<std::string> tip;       // shown when the pointer rests on it
    std::vector<double> radius;         // in pixels; empty: the style's
};
struct PointStyle {
    double radius = 2.5;
    const char* colour = "steelblue";  // of points without a category
    double opacity = 0.6;
};

// A scatter draws at most this many points: past it, an even subset (every
// k-th point, the same for the same data), which its caption should say.
inline constexpr std::size_t MOST_POINTS = 20000;
// "" when every point is drawn, else " (every 3rd of 45,000 points drawn)".
std::string thinned_note(std::size_t points);

// A square matrix drawn as coloured cells, rows and columns in `order`.
struct Heatmap {
    std::size_t count = 0;
    std::vector<double> values;       // count x count, row by row; not finite: a grey cell
    std::vector<std::string> labels;  // one per row; drawn when `show_labels`
    std::vector<std::size_t> order;
    bool show_labels = true;
    bool show_values = false;  // each cell's value written in it
    bool tips = true;          // each cell's pair and value shown under the pointer
    std::string value_name;    // in the tips and above the colour bar
    // count x count, row by row, or empty: a cell whose entry is not 0 gets a
    // mark (a white dot ringed in black, seen on any colour and in print),
    // which the legend under the colour bar calls `mark_name`.
    std::vector<char> marked;
    std::string mark_name;
};
// The colour of `value` on [low, high]: a perceptually even ramp from dark
// blue to yellow (viridis), readable with most kinds of colour blindness.
std::string ramp_colour(double value, double low, double high);

struct Margins {
    double left = 80, right = 30, top = 50, bottom = 80;
};

// A figure built piece by piece, in drawing order.
class Plot {
public:
    // `id` names the figure's clip path; figures shown on one page need
    // different ones.
    Plot(double width, double height, std::string id = "plot");

    void title(std::string_view text);    // centred above
    void caption(std::string_view text);  // centred below, in grey
    // The frame inside the margins, with the scales' ticks and labels and
    // the axis titles. Later pieces draw in its data coordinates.
    void axes(const Margins& margins, Scale x, Scale y, std::string_view x_title, std::string_view y_title);
    // Points the scales cannot hold are left out.
    void scatter(const Points& points, const PointStyle& style = {});
    // A line between two points in data coordinates, clipped to the frame.
    void segment(double x0, double y0, double x1, double y1, const char* colour, double width);
    // A marker and name per category from (x, y) down; past `most` rows, the
    // last row says how many more there are.
    void legend(double x, double y, const std::vector<std::string>& names, std::size_t most);
    // Hollow circles of the given radii in a row from (x, y), each with its
    // name below, under a title: the key to points sized by a quantity.
    void size_legend(double x, double y, std::string_view title, const std::vector<double>& radii,
                     const std::vector<std::string>& names);
    // The cells of `map` from (x, y), each `cell` pixels square, coloured on
    // [low, high], labels left of the rows and under the columns; then a
    // colour bar to the right.
    void heatmap(const Heatmap& map, double x, double y, double cell, double low, double high);
    // The tree over leaves `spacing` pixels apart from x (leaf k of
    // tree.order at x + (k + 0.5) * spacing), its root at y and its leaves at
    // y + height.
    void dendrogram(const Clustering& tree, double x, double y, double spacing, double height);
    // The ramp from `low` (bottom) to `high` (top) from (x, y) down, titled `name`.
    void colour_bar(double x, double y, double low, double high, std::string_view name);

    // The document: no fixed size (the viewBox lets it scale to its window),
    // with a title and a description for screen readers.
    std::string svg(std::string_view title, std::string_view description) const;

private:
    double width_, height_;
    std::string id_;
    double left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    Scale x_, y_;
    bool clipped_ = false;  // the clip path is written
    std::string body_;
};

}  // namespace phenostat
