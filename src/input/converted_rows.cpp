#include "input/converted_rows.h"

#include <algorithm>

#include "base/fatal_error.h"
#include "base/parallel.h"
#include "base/text.h"

namespace phenostat {
namespace {

// The data rows are converted in batches of about this much text and at least this many lines.
constexpr std::size_t BATCH_BYTES = std::size_t{1} << 20, BATCH_LINES = 64;

// A name as a field of a tab file: a tab in it becomes a blank.
std::string as_field(std::string_view name) {
    std::string field(name);
    std::replace(field.begin(), field.end(), '\t', ' ');
    return field;
}

}  // namespace

void ConvertedRows::reserve(std::uint64_t file_bytes) {
    // A cell takes 2 bytes of the file at least ("0 "), and usually about as much text here.
    text_.reserve(file_bytes);
    ends_.reserve(file_bytes / 4);
}

void ConvertedRows::add_locus(std::string_view name) { loci_.push_back(as_field(name)); }

std::size_t ConvertedRows::population(std::string_view name) {
    if (last_population_ < populations_.size() && populations_[last_population_] == name) return last_population_;
    const auto [at, added] = named_.try_emplace(std::string(name), populations_.size());
    if (added) populations_.push_back(as_field(name));
    last_population_ = at->second;
    return at->second;
}

std::size_t ConvertedRows::unnamed_population() {
    populations_.emplace_back();
    return populations_.size() - 1;
}

void ConvertedRows::name_population(std::size_t population, std::string_view name) {
    populations_[population] = as_field(name);
}

void ConvertedRows::open_row(std::size_t population, std::string_view label, std::size_t line) {
    const std::size_t label_begin = labels_.size();
    labels_ += label;
    std::replace(labels_.begin() + static_cast<std::ptrdiff_t>(label_begin), labels_.end(), '\t', ' ');
    rows_.push_back({population, line, label_begin, labels_.size(), text_.size(), ends_.size()});
}

void ConvertedRows::fail(std::size_t line, const std::string& what) const {
    throw FatalError(strprintf("%s, line %zu: %s.", path_.c_str(), line, what.c_str()));
}

std::string ConvertedRows::bad_genotype(std::string_view text, std::size_t l, const std::string& problem,
                                        const char* noun) const {
    return strprintf("%s %.*s of locus %s: %s", noun, static_cast<int>(text.size()), text.data(), loci_[l].c_str(),
                     problem.c_str());
}

void ConvertedRows::add_cells(std::string_view text, const std::vector<std::uint32_t>& ends) {
    const std::size_t shift = text_.size() - rows_.back().text_begin;
    text_ += text;
    for (const std::uint32_t end : ends) ends_.push_back(static_cast<std::uint32_t>(end + shift));
}

void ConvertedRows::finish() {
    if (loci_.empty()) throw FatalError(strprintf("%s names no locus: nothing to analyse.", path_.c_str()));
    if (rows_.empty()) throw FatalError(strprintf("%s holds no individual: nothing to analyse.", path_.c_str()));
}

std::vector<std::size_t> ConvertedRows::order() const {
    // Each population's sample: the first population of its name.
    std::unordered_map<std::string_view, std::size_t> sample_of_name;
    std::vector<std::size_t> sample(populations_.size(), SIZE_MAX);
    std::size_t samples = 0;
    for (const Row& row : rows_) {
        std::size_t& s = sample[row.population];
        if (s != SIZE_MAX) continue;
        s = sample_of_name.try_emplace(populations_[row.population], samples).first->second;
        if (s == samples) ++samples;
    }
    // A counting sort of the rows by sample, file order kept within each.
    std::vector<std::size_t> starts(samples + 1, 0);
    for (const Row& row : rows_) ++starts[sample[row.population] + 1];
    for (std::size_t s = 0; s < samples; ++s) starts[s + 1] += starts[s];
    std::vector<std::size_t> rows(rows_.size());
    for (std::size_t r = 0; r < rows_.size(); ++r) rows[starts[sample[rows_[r].population]]++] = r;
    return rows;
}

void ConvertedRows::replay(DataFileSink& sink, bool file_numbers) const {
    std::string text = "groupsampleindividual";
    std::vector<std::uint32_t> ends = {5, 11, 21};
    for (const std::string& locus : loci_) {
        text += locus;
        ends.push_back(static_cast<std::uint32_t>(text.size()));
    }
    std::uint64_t bytes = text.size() + ends.size();
    sink.header(DataLine{text, ends}, bytes);
    const std::vector<std::size_t> rows = order();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const Row& row = rows_[rows[k]];
        const std::string& sample = populations_[row.population];
        text.assign(sample);
        ends.assign({0, static_cast<std::uint32_t>(text.size())});
        text.append(labels_, row.label_begin, row.label_end - row.label_begin);
        ends.push_back(static_cast<std::uint32_t>(text.size()));
        const std::size_t shift = text.size();
        const std::size_t end = rows[k] + 1 < rows_.size() ? rows_[rows[k] + 1].text_begin : text_.size();
        text.append(text_, row.text_begin, end - row.text_begin);
        for (std::size_t l = 0; l < loci_.size(); ++l)
            ends.push_back(static_cast<std::uint32_t>(ends_[row.first_end + l] + shift));
        bytes += text.size() + ends.size();
        sink.row(file_numbers ? row.line - 2 : k, DataLine{text, ends}, bytes);
    }
}

std::vector<std::size_t> ConvertedRows::file_rows() const {
    std::vector<std::size_t> rows = order();
    for (std::size_t& row : rows) row = rows_[row].line - 2;
    return rows;
}

std::uint64_t ConvertedRows::text_bytes() const {
    std::uint64_t bytes = 21 + 3;
    for (const std::string& locus : loci_) bytes += locus.size() + 1;
    bytes += text_.size() + labels_.size();
    for (const Row& row : rows_) bytes += populations_[row.population].size() + 3 + loci_.size();
    return bytes;
}

FileDimensions ConvertedRows::dimensions() const {
    return {static_cast<long>(rows_.size()), static_cast<long>(loci_.size() + 3), 0};
}

void ConvertedLine::clear() {
    kind = 0;
    text.clear();
    ends.clear();
    fields.clear();
    number = 0;
    problem.clear();
}

LineReader::LineReader(const std::string& path, Progress& progress)
    : progress_(progress), file_size_(data_file_size(path)) {}

void LineReader::file_bytes_read(std::uint64_t bytes) {
    if (file_size_ >> 20 > 0) progress_.step(std::min(bytes, file_size_) >> 20, file_size_ >> 20);
}

void LineReader::whole(std::size_t number, const DataLine& line) {
    std::string_view text = line.text;
    if (line.size() > 1) {
        joined_.resize(line.text.size() + line.size() - 1);
        char* at = joined_.data();
        for (std::size_t k = 0; k < line.size(); ++k) {
            if (k > 0) *at++ = '\t';
            at = std::copy(line.text.data() + line.begin(k), line.text.data() + line.ends[k], at);
        }
        text = joined_;
    }
    if (held_lines_.empty() && !in_rows()) return this->line(number, text);
    held_ += text;
    held_ends_.push_back(held_.size());
    held_lines_.push_back(number);
    if (held_.size() >= BATCH_BYTES && held_lines_.size() >= BATCH_LINES) take_held();
}

void LineReader::take_held() {
    const std::size_t count = held_lines_.size();
    if (converted_.size() < count) converted_.resize(count);
    parallel_for(count, 1, [&](std::size_t k) {
        ConvertedLine& out = converted_[k];
        out.clear();
        const std::size_t begin = k == 0 ? 0 : held_ends_[k - 1];
        convert(held_lines_[k], std::string_view(held_).substr(begin, held_ends_[k] - begin), out);
    });
    for (std::size_t k = 0; k < count; ++k) take(held_lines_[k], converted_[k]);
    taken();
    held_.clear();
    held_ends_.clear();
    held_lines_.clear();
}

}  // namespace phenostat
