#include "reports/plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <utility>

#include "base/text.h"

namespace phenostat {
namespace {

constexpr double COLOUR_BAR_HEIGHT = 160;  // pixels

// The length of the UTF-8 sequence at text[at] when it is well formed and
// encodes a character XML allows, else 0.
std::size_t xml_character_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(at);
    if (lead < 0x80) return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(at + k) & 0x3F);
    }
    constexpr char32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};  // shorter forms are not UTF-8
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < LEAST[length] || code > 0x10FFFF || surrogate || code == 0xFFFE || code == 0xFFFF) return 0;
    return length;
}

// ` name="value"` for each attribute, the values with `decimals` decimals.
void attributes(std::string& out, std::initializer_list<std::pair<const char*, double>> values, int decimals = 1) {
    for (const auto& [name, value] : values) {
        out += ' ';
        out += name;
        out += "=\"";
        append_fixed(out, value, decimals);
        out += '"';
    }
}

// A <text> element at (x, y) with the extra attributes given (each with its
// leading space).
void text_at(std::string& out, double x, double y, int decimals, std::string_view extra, std::string_view text) {
    out += "<text";
    attributes(out, {{"x", x}, {"y", y}}, decimals);
    out += extra;
    out += '>';
    out += xml_escape(text);
    out += "</text>\n";
}

// `value` as printf's "%.<precision>g" writes it in the C locale; -0 as 0.
std::string general(double value, int precision) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value + 0.0, std::chars_format::general, precision);
    return std::string(buffer, result.ptr);
}

// Round tick steps (1, 2 or 5 times a power of ten) giving about five ticks
// over a span above 0.
double tick_step(double span) {
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// Distances for the ticks of a log axis over [shortest, longest]: 1, 2 and 5
// times powers of ten from the one at or below the shortest to the one at or
// above the longest; powers of ten only when that makes too many.
std::vector<double> log_tick_values(double shortest, double longest) {
    constexpr std::size_t MOST = 10;
    const int low = static_cast<int>(std::floor(std::log10(shortest)));
    const int high = static_cast<int>(std::ceil(std::log10(longest)));
    std::vector<double> ticks;
    for (int e = low; e <= high && (ticks.empty() || ticks.back() < longest); ++e) {
        for (const double m : {1.0, 2.0, 5.0}) {
            const double value = m * std::pow(10.0, e);
            if (value <= shortest)
                ticks.assign(1, value);
            else if (ticks.empty() || ticks.back() < longest)
                ticks.push_back(value);
        }
    }
    if (ticks.size() == 1) ticks.push_back(2 * ticks.front());  // every value the same
    if (ticks.size() <= MOST) return ticks;
    ticks.clear();
    const int stride = (high - low + static_cast<int>(MOST) - 2) / (static_cast<int>(MOST) - 1);
    for (int e = low; e < high + stride; e += stride) ticks.push_back(std::pow(10.0, e));
    return ticks;
}

constexpr double SHAPES[][4][2] = {
    {},                                                    // circle
    {{-0.9, -0.9}, {0.9, -0.9}, {0.9, 0.9}, {-0.9, 0.9}},  // square
    {{0, -1.2}, {1.1, 0.7}, {-1.1, 0.7}, {0, -1.2}},       // triangle
    {{0, -1.3}, {1.3, 0}, {0, 1.3}, {-1.3, 0}},            // diamond
    {{0, 1.2}, {1.1, -0.7}, {-1.1, -0.7}, {0, 1.2}},       // triangle pointing down
};

// A marker of radius r centred at (x, y), with a tooltip when `tip` is not empty.
// A heatmap cell's mark, centred at (x, y), sized to a cell `cell` pixels square.
void cell_mark(std::string& out, double x, double y, double cell) {
    out += "<circle";
    attributes(out, {{"cx", x}, {"cy", y}});
    const double r = std::clamp(cell * 0.14, 1.0, 3.0);
    out += " r=\"" + shortest(r) + "\" fill=\"white\" stroke=\"black\" stroke-width=\"" + shortest(r * 0.4) + "\"/>\n";
}

void marker(std::string& out, double x, double y, double r, Marker look, double opacity, std::string_view tip) {
    const char* element = look.shape == Shape::circle ? "circle" : "path";
    out += '<';
    out += element;
    if (look.shape == Shape::circle) {
        attributes(out, {{"cx", x}, {"cy", y}});
        out += " r=\"" + shortest(r) + "\"";
    } else {
        out += " d=\"";
        const auto& corners = SHAPES[static_cast<int>(look.shape)];
        for (std::size_t k = 0; k < 4; ++k) {
            out += k == 0 ? 'M' : 'L';
            append_fixed(out, x + corners[k][0] * r, 1);
            out += ' ';
            append_fixed(out, y + corners[k][1] * r, 1);
        }
        out += "Z\"";
    }
    out += " fill=\"" + xml_escape(look.colour) + "\"";
    if (opacity < 1) out += " fill-opacity=\"" + shortest(opacity) + "\"";
    if (tip.empty()) {
        out += "/>\n";
        return;
    }
    out += "><title>" + xml_escape(tip) + "</title></" + element + ">\n";
}

}  // namespace

std::string xml_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = xml_character_length(text, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD, one per byte XML cannot hold
            ++at;
            continue;
        }
        switch (text[at]) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.append(text, at, length);
        }
        at += length;
    }
    return out;
}

double Scale::operator()(double value) const {
    const auto axis = [&](double v) { return log ? std::log(v) : v; };
    return from + (axis(value) - axis(low)) / (axis(high) - axis(low)) * (to - from);
}

bool Scale::holds(double value) const {
    constexpr double FAR = 1e300;  // further out, spans and pixels overflow
    return log ? value >= 1 / FAR && value <= FAR : std::abs(value) <= FAR;
}

Scale linear_scale(const std::vector<double>& values) {
    Scale scale;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const double value : values) {
        if (!scale.holds(value)) continue;
        low = std::min(low, value);
        high = std::max(high, value);
    }
    if (low > high) {
        low = 0;
        high = 1;
    } else if (high == low) {
        // A unit around it; around a value so large that half a unit vanishes
        // in rounding, a billionth of it.
        const double half = std::max(0.5, std::abs(low) * 1e-9);
        low -= half;
        high += half;
    }
    const double step = tick_step(high - low);
    scale.low = std::floor(low / step) * step;
    scale.high = std::ceil(high / step) * step;
    // Each tick a whole multiple of the step (a sum of steps would label 0
    // as 1.38778e-17), with the digits that tell it from its neighbours.
    const double first = std::round(scale.low / step);
    const double steps = std::round(scale.high / step) - first;
    const std::size_t count = steps > 0 && steps < 100 ? static_cast<std::size_t>(steps) : 0;
    const int digits =
        static_cast<int>(std::floor(std::log10(std::max(-scale.low, scale.high))) - std::floor(std::log10(step))) + 1;
    for (std::size_t k = 0; k <= count; ++k) {
        const double value = (first + static_cast<double>(k)) * step;
        scale.ticks.push_back({value, general(value, std::clamp(digits, 6, 17))});
    }
    return scale;
}

Scale log_scale(const std::vector<double>& values) {
    Scale scale;
    scale.log = true;
    double shortest = std::numeric_limits<double>::infinity(), longest = 0;
    for (const double value : values) {
        if (!scale.holds(value)) continue;
        shortest = std::min(shortest, value);
        longest = std::max(longest, value);
    }
    for (const double value : longest > 0 ? log_tick_values(shortest, longest) : std::vector<double>{1, 10}) {
        char buffer[400];
        const auto result = value < 1
                                ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6)
                                : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0);
        scale.ticks.push_back({value, std::string(buffer, result.ptr)});
    }
    scale.low = scale.ticks.front().value;
    scale.high = scale.ticks.back().value;
    return scale;
}

Marker category_marker(std::size_t category) {
    static const char* const COLOURS[] = {"#E69F00", "#56B4E9", "#009E73", "#F0E442",
                                          "#0072B2", "#D55E00", "#CC79A7", "#000000"};
    constexpr std::size_t COUNT = std::size(COLOURS), SHAPE_COUNT = std::size(SHAPES);
    return {COLOURS[category % COUNT], static_cast<Shape>(category / COUNT % SHAPE_COUNT)};
}

Plot::Plot(double width, double height, std::string id) : width_(width), height_(height), id_(std::move(id)) {}

void Plot::title(std::string_view text) {
    text_at(body_, width_ / 2, 25, 0, " text-anchor=\"middle\" font-size=\"14\"", text);
}

void Plot::caption(std::string_view text) {
    text_at(body_, width_ / 2, height_ - 12, 0, " text-anchor=\"middle\" fill=\"dimgray\"", text);
}

void Plot::axes(const Margins& margins, Scale x, Scale y, std::string_view x_title, std::string_view y_title) {
    left_ = margins.left;
    top_ = margins.top;
    right_ = width_ - margins.right;
    bottom_ = height_ - margins.bottom;
    x_ = std::move(x);
    y_ = std::move(y);
    x_.from = left_;
    x_.to = right_;
    y_.from = bottom_;
    y_.to = top_;
    body_ += "<rect";
    attributes(body_, {{"x", left_}, {"y", top_}, {"width", right_ - left_}, {"height", bottom_ - top_}});
    body_ += " fill=\"none\" stroke=\"black\"/>\n";
    for (const Tick& tick : x_.ticks) {
        const double at = x_(tick.value);
        body_ += "<line";
        attributes(body_, {{"x1", at}, {"y1", bottom_}, {"x2", at}, {"y2", bottom_ + 4}});
        body_ += " stroke=\"black\"/>\n";
        text_at(body_, at, bottom_ + 18, 1, " text-anchor=\"middle\"", tick.label);
    }
    for (const Tick& tick : y_.ticks) {
        const double at = y_(tick.value);
        body_ += "<line";
        attributes(body_, {{"x1", left_ - 4}, {"y1", at}, {"x2", left_}, {"y2", at}});
        body_ += " stroke=\"black\"/>\n";
        text_at(body_, left_ - 6, at + 4, 1, " text-anchor=\"end\"", tick.label);
    }
    text_at(body_, (left_ + right_) / 2, bottom_ + 38, 0, " text-anchor=\"middle\"", x_title);
    body_ += "<text transform=\"translate(";
    append_fixed(body_, left_ - 60, 0);
    body_ += ' ';
    append_fixed(body_, (top_ + bottom_) / 2, 0);
    body_ += ") rotate(-90)\" text-anchor=\"middle\">" + xml_escape(y_title) + "</text>\n";
}

std::size_t thinning_stride(std::size_t points) { return (points + MOST_POINTS - 1) / MOST_POINTS; }

std::string thinned_note(std::size_t points) {
    const std::size_t stride = thinning_stride(points);
    return stride <= 1 ? std::string() : strprintf(" (1 in %zu of the %zu points drawn)", stride, points);
}

void Plot::scatter(const Points& points, const PointStyle& style) {
    const std::size_t count = std::min(points.x.size(), points.y.size());
    const std::size_t stride = std::max<std::size_t>(1, thinning_stride(count));
    for (std::size_t k = 0; k < count; k += stride) {
        if (!x_.holds(points.x[k]) || !y_.holds(points.y[k])) continue;
        const double x = x_(points.x[k]), y = y_(points.y[k]);
        const Marker look = k < points.category.size() ? category_marker(points.category[k])
                                                       : Marker{style.colour, Shape::circle};
        const double radius = k < points.radius.size() ? points.radius[k] : style.radius;
        marker(body_, x, y, radius, look, style.opacity,
               k < points.tip.size() ? std::string_view(points.tip[k]) : std::string_view());
        if (k < points.label.size() && !points.label[k].empty())
            text_at(body_, x + radius + 2, y + 4, 1, " font-size=\"10\"", points.label[k]);
    }
}

void Plot::segment(double x0, double y0, double x1, double y1, const char* colour, double width) {
    if (!x_.holds(x0) || !x_.holds(x1) || !y_.holds(y0) || !y_.holds(y1)) return;
    if (!clipped_) {
        body_ += "<clipPath id=\"" + xml_escape(id_) + "\"><rect";
        attributes(body_, {{"x", left_}, {"y", top_}, {"width", right_ - left_}, {"height", bottom_ - top_}});
        body_ += "/></clipPath>\n";
        clipped_ = true;
    }
    body_ += "<line";
    attributes(body_, {{"x1", x_(x0)}, {"y1", y_(y0)}, {"x2", x_(x1)}, {"y2", y_(y1)}});
    body_ += " stroke=\"" + xml_escape(colour) + "\" stroke-width=\"" + shortest(width) + "\" clip-path=\"url(#" +
             xml_escape(id_) + ")\"/>\n";
}

void Plot::legend(double x, double y, const std::vector<std::string>& names, std::size_t most) {
    constexpr double ROW = 16;
    const std::size_t shown = names.size() <= most ? names.size() : std::max<std::size_t>(most, 1) - 1;
    for (std::size_t k = 0; k < shown; ++k) {
        const double row = y + ROW * static_cast<double>(k);
        marker(body_, x + 6, row, 4, category_marker(k), 1, "");
        text_at(body_, x + 16, row + 4, 1, "", names[k]);
    }
    if (shown < names.size())
        text_at(body_, x + 16, y + ROW * static_cast<double>(shown) + 4, 1, " fill=\"dimgray\"",
                strprintf("+ %zu more", names.size() - shown));
}

void Plot::size_legend(double x, double y, std::string_view title, const std::vector<double>& radii,
                       const std::vector<std::string>& names) {
    text_at(body_, x, y, 1, "", title);
    double at = x;
    const double widest = radii.empty() ? 0 : *std::max_element(radii.begin(), radii.end());
    for (std::size_t k = 0; k < radii.size() && k < names.size(); ++k) {
        at += radii[k] + 2;
        body_ += "<circle";
        attributes(body_, {{"cx", at}, {"cy", y + 8 + widest}});
        body_ += " r=\"" + shortest(radii[k]) + "\" fill=\"none\" stroke=\"dimgray\"/>\n";
        text_at(body_, at, y + 2 * widest + 22, 1, " text-anchor=\"middle\" font-size=\"10\"", names[k]);
        at += std::max(radii[k], 12.0) + 8;
    }
}

std::string ramp_colour(double value, double low, double high) {
    // Viridis at nine even stops, linearly between them.
    static const unsigned char STOPS[][3] = {{68, 1, 84},    {71, 44, 122},  {59, 81, 139},
                                             {44, 113, 142}, {33, 144, 141}, {39, 173, 129},
                                             {92, 200, 99},  {170, 220, 50}, {253, 231, 37}};
    constexpr std::size_t LAST = std::size(STOPS) - 1;
    const double t = high > low ? std::clamp((value - low) / (high - low), 0.0, 1.0) * LAST : 0.0;
    const std::size_t k = std::min(static_cast<std::size_t>(t), LAST - 1);
    const double f = t - static_cast<double>(k);
    std::string out = "#";
    for (int c = 0; c < 3; ++c) {
        const double channel = STOPS[k][c] + f * (STOPS[k + 1][c] - STOPS[k][c]);
        out += strprintf("%02x", static_cast<unsigned>(std::lround(channel)));
    }
    return out;
}

void Plot::heatmap(const Heatmap& map, double x, double y, double cell, double low, double high) {
    const std::size_t n = map.order.size();
    for (std::size_t r = 0; r < n; ++r) {
        for (std::size_t c = 0; c < n; ++c) {
            const std::size_t i = map.order[r], j = map.order[c];
            const double value = map.values[i * map.count + j];
            const bool known = std::isfinite(value) && i != j;
            body_ += "<rect";
            attributes(body_, {{"x", x + cell * static_cast<double>(c)},
                               {"y", y + cell * static_cast<double>(r)},
                               {"width", cell},
                               {"height", cell}});
            body_ += " fill=\"" + (i == j ? std::string("white") : known ? ramp_colour(value, low, high) : "#bbbbbb");
            if (!map.tips || i == j) {
                body_ += "\"/>\n";
            } else {
                body_ += "\"><title>" + xml_escape(map.labels[i] + " / " + map.labels[j] + ": " + map.value_name + " " +
                                                   (known ? general(value, 4) : std::string("NA")));
                body_ += "</title></rect>\n";
            }
            if (map.show_values && known) {
                const bool dark = (value - low) < 0.6 * (high - low);
                text_at(body_, x + cell * (static_cast<double>(c) + 0.5), y + cell * (static_cast<double>(r) + 0.5) + 3,
                        1,
                        dark ? " text-anchor=\"middle\" font-size=\"8\" fill=\"white\""
                             : " text-anchor=\"middle\" font-size=\"8\"",
                        general(value, 2));
            }
            if (i != j && i * map.count + j < map.marked.size() && map.marked[i * map.count + j] != 0)
                cell_mark(body_, x + cell * (static_cast<double>(c) + 0.8), y + cell * (static_cast<double>(r) + 0.2),
                          cell);
        }
        if (!map.show_labels) continue;
        // Names no taller than their rows.
        const std::string font = strprintf(" font-size=\"%.1f\"", std::min(10.0, cell * 0.9));
        const double middle = cell * (static_cast<double>(r) + 0.5);
        text_at(body_, x - 4, y + middle + 3, 1, " text-anchor=\"end\"" + font, map.labels[map.order[r]]);
        body_ += "<text transform=\"translate(";
        append_fixed(body_, x + middle + 3, 1);
        body_ += ' ';
        append_fixed(body_, y + cell * static_cast<double>(n) + 4, 1);
        body_ +=
            ") rotate(-90)\" text-anchor=\"end\"" + font + ">" + xml_escape(map.labels[map.order[r]]) + "</text>\n";
    }
    colour_bar(x + cell * static_cast<double>(n) + 20, y, low, high, map.value_name);
    if (map.mark_name.empty()) return;
    const double key_x = x + cell * static_cast<double>(n) + 20, key_y = y + COLOUR_BAR_HEIGHT + 30;
    cell_mark(body_, key_x + 5, key_y - 4, 20);
    text_at(body_, key_x + 14, key_y, 1, " font-size=\"10\"", map.mark_name);
}

void Plot::colour_bar(double x, double y, double low, double high, std::string_view name) {
    constexpr int STEPS = 32;
    constexpr double HEIGHT = COLOUR_BAR_HEIGHT, WIDTH = 14;
    text_at(body_, x, y - 6, 1, "", name);
    for (int k = 0; k < STEPS; ++k) {
        body_ += "<rect";
        attributes(body_,
                   {{"x", x}, {"y", y + HEIGHT * k / STEPS}, {"width", WIDTH}, {"height", HEIGHT / STEPS + 0.5}});
        body_ += " fill=\"" + ramp_colour(high - (high - low) * (k + 0.5) / STEPS, low, high) + "\"/>\n";
    }
    text_at(body_, x + WIDTH + 4, y + 8, 1, "", general(high, 3));
    text_at(body_, x + WIDTH + 4, y + HEIGHT, 1, "", general(low, 3));
}

void Plot::dendrogram(const Clustering& tree, double x, double y, double spacing, double height) {
    if (tree.merges.empty()) return;
    double top = 0, bottom = 0;  // the heights at the root's level and the leaves'
    for (const ClusterMerge& merge : tree.merges) {
        top = std::max(top, merge.height);
        bottom = std::min(bottom, merge.height);
    }
    const auto level = [&](double h) { return top > bottom ? y + (top - h) / (top - bottom) * height : y + height; };
    std::vector<double> leaf_x(tree.order.size());
    for (std::size_t k = 0; k < tree.order.size(); ++k)
        leaf_x[tree.order[k]] = x + (static_cast<double>(k) + 0.5) * spacing;
    // Each node's x and y: a leaf's at the bottom, a merge's over its two sides' middle.
    std::vector<std::pair<double, double>> made;
    const auto where = [&](long node) {
        return node < 0 ? std::pair(leaf_x[static_cast<std::size_t>(-node - 1)], y + height)
                        : made[static_cast<std::size_t>(node - 1)];
    };
    body_ += "<path fill=\"none\" stroke=\"black\" d=\"";
    for (const ClusterMerge& merge : tree.merges) {
        const auto [x0, y0] = where(merge.left);
        const auto [x1, y1] = where(merge.right);
        const double at = level(merge.height);
        body_ += 'M';
        append_fixed(body_, x0, 1);
        body_ += ' ';
        append_fixed(body_, y0, 1);
        body_ += 'V';
        append_fixed(body_, at, 1);
        body_ += 'H';
        append_fixed(body_, x1, 1);
        body_ += 'V';
        append_fixed(body_, y1, 1);
        made.emplace_back((x0 + x1) / 2, at);
    }
    body_ += "\"/>\n";
}

std::string Plot::svg(std::string_view title, std::string_view description) const {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + shortest(width_) + " " + shortest(height_) +
           "\" role=\"img\" font-family=\"sans-serif\" font-size=\"12\">\n<title>" + xml_escape(title) +
           "</title>\n<desc>" + xml_escape(description) +
           "</desc>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n" + body_ + "</svg>\n";
}

}  // namespace phenostat
