#include "input/mapped_rows.h"

#include <algorithm>
#include <unordered_set>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::size_t FIRST_LOCUS_COLUMN = 3;

std::size_t line_number(std::size_t row) { return row + 2; }  // the header is line 1

// A line's bytes as the reader counts them: its fields' text, the tabs between and the line end.
std::uint64_t line_bytes(const DataLine& line) { return line.text.size() + line.size(); }

}  // namespace

MappedRows::MappedRows(const SampleMap& map, const std::string& map_path, const std::string& data_path,
                       Progress& progress)
    : map_(map),
      map_path_(map_path),
      data_path_(data_path),
      progress_(progress),
      file_size_(data_file_size(data_path)),
      held_(map.individuals.size()) {
    for (std::size_t k = 0; k < map.individuals.size(); ++k) index_.emplace(map.individuals[k].name, k);
}

void MappedRows::header(const DataLine& line, std::uint64_t) {
    header_text_ = line.text;
    header_ends_.assign(line.ends.begin(), line.ends.end());
}

void MappedRows::row(std::size_t row, const DataLine& line, std::uint64_t) {
    const std::string_view name = line.size() > 2 ? line.field(2) : std::string_view();
    const auto found = index_.find(std::string(name));
    if (found == index_.end()) {
        left_out_.push_back(name.empty() ? strprintf("(no name, line %zu)", line_number(row)) : std::string(name));
        return;
    }
    Held& held = held_[found->second];
    if (held.row != NOT_READ)
        throw FatalError(strprintf("%s: individual %s of the sample map %s is on lines %zu and %zu.",
                                   data_path_.c_str(), found->first.c_str(), map_path_.c_str(), line_number(held.row),
                                   line_number(row)));
    held.row = row;
    held.first_end = ends_.size();
    held.text_begin = text_.size();
    if (line.size() > FIRST_LOCUS_COLUMN) {
        const std::size_t first = line.begin(FIRST_LOCUS_COLUMN);
        text_.append(line.text.substr(first));
        for (std::size_t k = FIRST_LOCUS_COLUMN; k < line.size(); ++k)
            ends_.push_back(static_cast<std::uint32_t>(line.ends[k] - first));
    }
    held.end_count = ends_.size() - held.first_end;
}

void MappedRows::file_bytes_read(std::uint64_t bytes) {
    if (file_size_ >> 20 > 0) progress_.step(std::min(bytes, file_size_) >> 20, file_size_ >> 20);
}

std::uint64_t MappedRows::text_bytes() const {
    std::uint64_t bytes = header_text_.size() + header_ends_.size() + text_.size();
    for (std::size_t k = 0; k < held_.size(); ++k) {
        const MappedIndividual& individual = map_.individuals[k];
        bytes += individual.group.size() + individual.sample.size() + individual.name.size() + 3 + held_[k].end_count;
    }
    return bytes;
}

void MappedRows::replay(DataFileSink& sink) const {
    std::vector<std::string> absent;
    for (std::size_t k = 0; k < held_.size(); ++k)
        if (held_[k].row == NOT_READ) absent.push_back(map_.individuals[k].name);
    if (!absent.empty()) {
        std::unordered_set<std::string> in_data(left_out_.begin(), left_out_.end());
        for (std::size_t k = 0; k < held_.size(); ++k)
            if (held_[k].row != NOT_READ) in_data.insert(map_.individuals[k].name);
        throw FatalError(absent_individuals_message(map_, map_path_, data_path_, absent,
                                                    [&](const std::string& name) { return in_data.count(name) != 0; }));
    }

    std::uint64_t bytes = header_text_.size() + header_ends_.size();
    sink.header(DataLine{header_text_, header_ends_}, bytes);
    std::string text;
    std::vector<std::uint32_t> ends;
    for (std::size_t k = 0; k < held_.size(); ++k) {
        const MappedIndividual& individual = map_.individuals[k];
        const Held& held = held_[k];
        text.clear();
        ends.clear();
        for (const std::string* field : {&individual.group, &individual.sample, &individual.name}) {
            text += *field;
            ends.push_back(static_cast<std::uint32_t>(text.size()));
        }
        const std::size_t shift = text.size();
        const std::size_t text_end = held.end_count == 0 ? held.text_begin
                                                         : held.text_begin + ends_[held.first_end + held.end_count - 1];
        text.append(text_, held.text_begin, text_end - held.text_begin);
        for (std::size_t c = 0; c < held.end_count; ++c)
            ends.push_back(static_cast<std::uint32_t>(ends_[held.first_end + c] + shift));
        const DataLine line{text, ends};
        bytes += line_bytes(line);
        sink.row(k, line, bytes);
    }
}

std::vector<std::size_t> MappedRows::file_rows() const {
    std::vector<std::size_t> rows;
    for (const Held& held : held_) rows.push_back(held.row);
    return rows;
}

std::vector<Warning> MappedRows::warnings() const {
    if (left_out_.empty()) return {};
    return {unmapped_warning(data_path_, left_out_)};
}

}  // namespace phenostat
