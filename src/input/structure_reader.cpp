#include "input/structure_reader.h"

#include <algorithm>
#include <array>

#include "base/fatal_error.h"
#include "base/parallel.h"
#include "base/text.h"
#include "input/genotype_text.h"

namespace phenostat {
namespace {

constexpr std::array<const char*, 6> COLUMN_NAMES = {"label", "pop", "flag", "locdata", "phenotype", "extra"};
constexpr std::size_t NONE = static_cast<std::size_t>(-1);

std::size_t column_index(const StructureLayout& layout, StructureColumn column) {
    const auto found = std::find(layout.columns.begin(), layout.columns.end(), column);
    return found == layout.columns.end() ? NONE : static_cast<std::size_t>(found - layout.columns.begin());
}

class StructureReader final : public LineReader {
public:
    StructureReader(ConvertedRows& rows, const StructureLayout& layout, PartialGenotypes partial, Progress& progress)
        : LineReader(rows.path(), progress),
          rows_(rows),
          partial_(partial),
          before_(layout.columns.size()),
          label_column_(column_index(layout, StructureColumn::label)),
          pop_column_(column_index(layout, StructureColumn::pop)),
          per_row_(layout.ploidy > 0 ? static_cast<std::size_t>(layout.ploidy) : 1) {}

    void finish() {
        take_held();
        if (first_line_ != 0 && loci_ == 0) {
            const std::string text = first_text_;
            begin(first_line_, text);
        }
        if (!individuals_.empty()) individuals_.back().complete = true;
        taken();
    }

private:
    // The individuals taken and not yet added, the last perhaps still open:
    // their rows' alleles (0: missing) are in values_, row after row, each
    // locus after locus.
    struct Individual {
        std::string label, pop;
        std::size_t line, first_value, rows;
        bool complete = false;
    };

    // The first two non-blank lines.
    void line(std::size_t number, std::string_view text) override {
        if (trim_blanks(text).empty()) return;
        if (first_line_ == 0) {
            first_line_ = number;
            first_text_ = text;
            return;
        }
        begin(number, text);
        data_row(number, text);
    }

    bool in_rows() const override { return loci_ > 0; }

    // The first line is the marker line when it holds fewer fields than the
    // second, else the first data row.
    void begin(std::size_t number, std::string_view text) {
        split_blanks(text, markers_);
        const std::size_t fields = markers_.size();
        split_blanks(first_text_, markers_);
        const bool marker_line = number != first_line_ && markers_.size() < fields;
        if (fields <= before_)
            rows_.fail(number,
                       strprintf("%zu fields, and no allele after the %zu columns before the loci", fields, before_));
        const std::size_t alleles = fields - before_;
        if (marker_line ? alleles != markers_.size() * per_row_ : alleles % per_row_ != 0)
            rows_.fail(number, strprintf("%zu allele columns after the %zu before the loci, where %s", alleles, before_,
                                         expected(marker_line).c_str()));
        loci_ = alleles / per_row_;
        fields_per_row_ = fields;
        for (std::size_t l = 0; l < loci_; ++l)
            rows_.add_locus(marker_line ? markers_[l] : std::string_view(strprintf("L%zu", l + 1)));
        if (!marker_line) {
            const std::string first = first_text_;
            data_row(first_line_, first);
        }
    }

    std::string expected(bool marker_line) const {
        if (marker_line)
            return strprintf("the %zu marker names of line %zu take %zu", markers_.size(), first_line_,
                             markers_.size() * per_row_);
        return strprintf("--ploidy %zu takes a multiple of %zu", per_row_, per_row_);
    }

    void data_row(std::size_t number, std::string_view text) {
        row_.clear();
        convert(number, text, row_);
        take(number, row_);
    }

    // A data row: its fields, and its alleles in values, locus after locus (0: missing).
    void convert(std::size_t, std::string_view text, ConvertedLine& out) const override {
        split_blanks(text, out.fields);
        if (out.fields.empty()) {
            out.kind = 1;  // a blank line
            return;
        }
        if (out.fields.size() != fields_per_row_) {
            out.problem =
                strprintf("%zu fields, where the data rows before have %zu", out.fields.size(), fields_per_row_);
            return;
        }
        out.values.assign(fields_per_row_ - before_, 0);
        for (std::size_t k = before_; k < fields_per_row_; ++k) {
            if (read_structure_allele(out.fields[k], out.values[k - before_]) != AlleleCell::bad) continue;
            out.problem = rows_.bad_genotype(out.fields[k], (k - before_) / per_row_,
                                             "expected a whole number from 1 to 999999999, or -9 for a missing allele",
                                             "allele");
            return;
        }
    }

    // One row per copy: a row of the same label continues the individual.
    void take(std::size_t number, ConvertedLine& line) override {
        if (line.kind != 0) return;
        if (!line.problem.empty()) rows_.fail(number, line.problem);
        const std::string_view label = label_column_ == NONE ? std::string_view() : line.fields[label_column_];
        const std::string_view pop = pop_column_ == NONE ? std::string_view("1") : line.fields[pop_column_];
        Individual* individual = individuals_.empty() ? nullptr : &individuals_.back();
        if (per_row_ > 1 || label_column_ == NONE || individual == nullptr || label != individual->label) {
            if (individual != nullptr) individual->complete = true;
            const std::string name = label_column_ == NONE ? std::to_string(++unlabelled_) : std::string(label);
            individual = &individuals_.emplace_back(Individual{name, std::string(pop), number, values_.size(), 0});
        } else if (pop != individual->pop) {
            rows_.fail(number,
                       strprintf("individual %s is of population %s here and %s on line %zu", individual->label.c_str(),
                                 std::string(pop).c_str(), individual->pop.c_str(), individual->line));
        }
        values_.insert(values_.end(), line.values.begin(), line.values.end());
        ++individual->rows;
    }

    // The individuals complete so far: their rows made on the threads, then added in order.
    void taken() override {
        std::size_t complete = 0;
        while (complete < individuals_.size() && individuals_[complete].complete) ++complete;
        if (built_.size() < complete) built_.resize(complete);
        parallel_for(complete, 16, [&](std::size_t k) { build(individuals_[k], built_[k]); });
        for (std::size_t k = 0; k < complete; ++k) {
            rows_.note_ploidy(individuals_[k].rows * per_row_);
            rows_.open_row(rows_.population(individuals_[k].pop), individuals_[k].label, individuals_[k].line);
            rows_.add_cells(built_[k].text, built_[k].ends);
        }
        // The individual still open keeps its values, moved to the front.
        const std::size_t kept = complete < individuals_.size() ? individuals_[complete].first_value : values_.size();
        values_.erase(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(kept));
        individuals_.erase(individuals_.begin(), individuals_.begin() + static_cast<std::ptrdiff_t>(complete));
        for (Individual& individual : individuals_) individual.first_value -= kept;
    }

    // An individual's cells: at each locus its distinct alleles, or none
    // when they are all missing (or some are, unless partial genotypes keep
    // the known alleles).
    void build(const Individual& individual, ConvertedLine& out) const {
        out.text.clear();
        out.ends.clear();
        const std::size_t row_values = loci_ * per_row_, copies = individual.rows * per_row_;
        for (std::size_t l = 0; l < loci_; ++l) {
            out.values.clear();
            for (std::size_t r = 0; r < individual.rows; ++r)
                for (std::size_t c = 0; c < per_row_; ++c)
                    out.values.push_back(values_[individual.first_value + r * row_values + l * per_row_ + c]);
            const auto missing = static_cast<std::size_t>(std::count(out.values.begin(), out.values.end(), 0u));
            if (missing == 0 || (missing < copies && partial_ == PartialGenotypes::known))
                append_alleles(out.values, out.text);
            out.ends.push_back(static_cast<std::uint32_t>(out.text.size()));
        }
    }

    ConvertedRows& rows_;
    PartialGenotypes partial_;
    std::size_t before_, label_column_, pop_column_, per_row_;
    std::size_t first_line_ = 0, loci_ = 0, fields_per_row_ = 0;
    std::string first_text_;
    std::vector<std::string_view> markers_;
    ConvertedLine row_;                    // a data row read before the batches
    std::vector<Individual> individuals_;  // see Individual
    std::vector<std::uint32_t> values_;
    std::vector<ConvertedLine> built_;
    std::size_t unlabelled_ = 0;  // individuals named by their number
};

}  // namespace

std::optional<std::vector<StructureColumn>> structure_columns(std::string_view list) {
    std::vector<StructureColumn> columns;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        const std::string_view name = list.substr(at, comma - at);
        at = comma + 1;
        const auto found = std::find(COLUMN_NAMES.begin(), COLUMN_NAMES.end(), name);
        if (found == COLUMN_NAMES.end()) return std::nullopt;
        const auto column = static_cast<StructureColumn>(found - COLUMN_NAMES.begin());
        if (column != StructureColumn::extra && std::count(columns.begin(), columns.end(), column) > 0)
            return std::nullopt;
        columns.push_back(column);
    }
    return columns;
}

std::string structure_columns_text(const std::vector<StructureColumn>& columns) {
    std::string text;
    for (const StructureColumn column : columns) {
        if (!text.empty()) text += ',';
        text += COLUMN_NAMES[static_cast<std::size_t>(column)];
    }
    return text;
}

bool has_column(const StructureLayout& layout, StructureColumn column) { return column_index(layout, column) != NONE; }

void read_structure(ConvertedRows& rows, const StructureLayout& layout, PartialGenotypes partial, Progress& progress) {
    StructureReader reader(rows, layout, partial, progress);
    read_data_file(rows.path(), reader);
    reader.finish();
}

}  // namespace phenostat
