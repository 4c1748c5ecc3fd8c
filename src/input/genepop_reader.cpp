#include "input/genepop_reader.h"

#include <algorithm>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/genotype_text.h"

namespace phenostat {
namespace {

bool is_pop_line(std::string_view text) {
    text = trim_blanks(text);
    return text.size() == 3 && (text[0] | 0x20) == 'p' && (text[1] | 0x20) == 'o' && (text[2] | 0x20) == 'p';
}

class GenepopReader final : public LineReader {
public:
    GenepopReader(ConvertedRows& rows, Progress& progress) : LineReader(rows.path(), progress), rows_(rows) {}

    void line(std::size_t number, std::string_view text) override {
        if (number == 1 || trim_blanks(text).empty()) return;  // the title
        if (is_pop_line(text)) {
            close_population();
            if (rows_.locus_count() == 0) rows_.fail(number, "no locus is named before the first Pop line");
            population_ = rows_.unnamed_population();
            ++pop_lines_;
            shared_.clear();
            first_row_ = rows_.row_count();
            return;
        }
        if (pop_lines_ == 0) {
            add_loci(text);
            return;
        }
        individual(number, text);
    }

    void finish() {
        if (pop_lines_ == 0)
            throw FatalError(strprintf("%s has no Pop line: not a Genepop file.", rows_.path().c_str()));
        close_population();
    }

private:
    void add_loci(std::string_view text) {
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t comma = std::min(text.find(',', at), text.size());
            if (const std::string_view name = trim_blanks(text.substr(at, comma - at)); !name.empty())
                rows_.add_locus(name);
            at = comma + 1;
        }
    }

    void individual(std::size_t number, std::string_view text) {
        const std::size_t comma = text.find(',');
        if (comma == std::string_view::npos)
            rows_.fail(number, "expected an individual (its label, a comma and its genotypes) or a Pop line");
        const std::string_view label = trim_blanks(text.substr(0, comma));
        if (rows_.row_count() == first_row_)
            shared_ = label;
        else if (label != shared_)
            shared_.clear();
        split_blanks(text.substr(comma + 1), genotypes_);
        if (genotypes_.size() != rows_.locus_count())
            rows_.fail(number, strprintf("%s, where the file names %s",
                                         count_of(genotypes_.size(), "genotype", "genotypes").c_str(),
                                         count_of(rows_.locus_count(), "locus", "loci").c_str()));
        rows_.open_row(population_, label, number);
        for (std::size_t l = 0; l < genotypes_.size(); ++l) {
            if (const std::string problem = read_genepop_genotype(genotypes_[l], width_, rows_.cell());
                !problem.empty())
                rows_.bad_genotype(number, genotypes_[l], l, problem);
            rows_.end_cell();
        }
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
    std::vector<std::string_view> genotypes_;
};

}  // namespace

void read_genepop(ConvertedRows& rows, Progress& progress) {
    GenepopReader reader(rows, progress);
    read_data_file(rows.path(), reader);
    reader.finish();
}

}  // namespace phenostat
