#include "input/genepop_reader.h"

#include <algorithm>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/genotype_text.h"

namespace phenostat {
namespace {

enum Kind { INDIVIDUAL, BLANK, POP };

bool is_pop_line(std::string_view text) {
    text = trim_blanks(text);
    return text.size() == 3 && (text[0] | 0x20) == 'p' && (text[1] | 0x20) == 'o' && (text[2] | 0x20) == 'p';
}

class GenepopReader final : public LineReader {
public:
    GenepopReader(ConvertedRows& rows, Progress& progress) : LineReader(rows.path(), progress), rows_(rows) {}

    void finish() {
        take_held();
        if (pop_lines_ == 0)
            throw FatalError(strprintf("%s has no Pop line: not a Genepop file.", rows_.path().c_str()));
        close_population();
    }

private:
    // The title and the locus names, up to the first Pop line.
    void line(std::size_t number, std::string_view text) override {
        if (number == 1 || trim_blanks(text).empty()) return;  // the title
        if (is_pop_line(text)) {
            if (rows_.locus_count() == 0) rows_.fail(number, "no locus is named before the first Pop line");
            open_population();
            return;
        }
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t comma = std::min(text.find(',', at), text.size());
            if (const std::string_view name = trim_blanks(text.substr(at, comma - at)); !name.empty())
                rows_.add_locus(name);
            at = comma + 1;
        }
    }

    bool in_rows() const override { return pop_lines_ > 0; }

    // A Pop line, or an individual: its label (fields[0]), then its genotypes
    // (from fields[1]), converted at the width of its first (`number`).
    void convert(std::size_t, std::string_view text, ConvertedLine& out) const override {
        if (trim_blanks(text).empty()) {
            out.kind = BLANK;
            return;
        }
        if (is_pop_line(text)) {
            out.kind = POP;
            return;
        }
        const std::size_t comma = text.find(',');
        if (comma == std::string_view::npos) {
            out.problem = "expected an individual (its label, a comma and its genotypes) or a Pop line";
            return;
        }
        split_blanks(text.substr(comma + 1), out.fields);
        out.fields.insert(out.fields.begin(), trim_blanks(text.substr(0, comma)));
        const std::size_t genotypes = out.fields.size() - 1;
        if (genotypes != rows_.locus_count()) {
            out.problem = strprintf("%s, where the file names %s", count_of(genotypes, "genotype", "genotypes").c_str(),
                                    count_of(rows_.locus_count(), "locus", "loci").c_str());
            return;
        }
        out.number = 0;
        for (std::size_t l = 0; l < genotypes; ++l) {
            const std::string problem = read_genepop_genotype(out.fields[l + 1], out.number, out.text);
            if (!problem.empty()) {
                out.problem = rows_.bad_genotype(out.fields[l + 1], l, problem);
                return;
            }
            out.ends.push_back(static_cast<std::uint32_t>(out.text.size()));
        }
    }

    void take(std::size_t number, ConvertedLine& line) override {
        if (line.kind == BLANK) return;
        if (line.kind == POP) {
            close_population();
            open_population();
            return;
        }
        // The first genotype's width, against the file's (set by the first of all).
        if (line.number != 0 && width_ != 0 && line.number != width_) {
            std::string out;
            rows_.fail(number,
                       rows_.bad_genotype(line.fields[1], 0, read_genepop_genotype(line.fields[1], width_, out)));
        }
        if (!line.problem.empty()) rows_.fail(number, line.problem);
        if (width_ == 0) width_ = line.number;
        const std::string_view label = line.fields[0];
        if (rows_.row_count() == first_row_)
            shared_ = label;
        else if (label != shared_)
            shared_.clear();
        rows_.open_row(population_, label, number);
        rows_.add_cells(line.text, line.ends);
    }

    void open_population() {
        population_ = rows_.unnamed_population();
        ++pop_lines_;
        shared_.clear();
        first_row_ = rows_.row_count();
    }

    // Names the population that ends: by its individuals' label, when they share one.
    void close_population() {
        if (pop_lines_ == 0) return;
        const bool shared = rows_.row_count() > first_row_ && !shared_.empty();
        rows_.name_population(population_, shared ? shared_ : strprintf("pop%zu", pop_lines_));
    }

    ConvertedRows& rows_;
    std::size_t pop_lines_ = 0, population_ = 0, first_row_ = 0, width_ = 0;
    std::string shared_;  // the label of every individual of the population so far; empty: none
};

}  // namespace

void read_genepop(ConvertedRows& rows, Progress& progress) {
    GenepopReader reader(rows, progress);
    read_data_file(rows.path(), reader);
    reader.finish();
}

}  // namespace phenostat
