#include "input/genodive_reader.h"

#include <strings.h>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/genotype_text.h"

namespace phenostat {
namespace {

constexpr std::uint32_t MOST_DIGITS = 9;

class GenodiveReader final : public LineReader {
public:
    GenodiveReader(ConvertedRows& rows, Progress& progress) : LineReader(rows.path(), progress), rows_(rows) {}

    void finish() {
        take_held();
        if (!header_read_)
            throw FatalError(strprintf("%s ends before the header line (Population, Individual, the loci).",
                                       rows_.path().c_str()));
        if (rows_.row_count() != individuals_)
            throw FatalError(strprintf("%s: line 2 gives %s, and the rows hold %zu.", rows_.path().c_str(),
                                       count_of(individuals_, "individual", "individuals").c_str(), rows_.row_count()));
    }

private:
    // The comment, line 2, the population names and the header.
    void line(std::size_t number, std::string_view text) override {
        if (number == 1) return;
        if (number == 2) return counts(text);
        if (trim_blanks(text).empty()) return;
        if (names_.size() < populations_) {
            names_.emplace_back(trim_blanks(text));
            return;
        }
        read_header(number, text);
    }

    bool in_rows() const override { return header_read_; }

    // An individual: its population (`number`) and label (fields[1]), then its genotypes.
    void convert(std::size_t, std::string_view text, ConvertedLine& out) const override {
        if (trim_blanks(text).empty()) {
            out.kind = 1;  // a blank line
            return;
        }
        split(text, out.fields);
        const std::vector<std::string_view>& fields = out.fields;
        if (fields.size() != first_locus_ + loci_) {
            out.problem = strprintf("%zu fields, where the header (line %zu) has %zu", fields.size(), header_line_,
                                    first_locus_ + loci_);
            return;
        }
        std::uint32_t population = 0, ploidy = highest_ploidy_;
        if (!read_whole(fields[0], population) || population < 1 || population > populations_) {
            out.problem = strprintf("population %.*s: expected a number from 1 to %u, the populations of line 2",
                                    static_cast<int>(fields[0].size()), fields[0].data(), populations_);
            return;
        }
        if (first_locus_ == 3 && (!read_whole(fields[2], ploidy) || ploidy < 1 || ploidy > highest_ploidy_)) {
            out.problem = strprintf("ploidy %.*s: expected a number from 1 to %u, the highest ploidy of line 2",
                                    static_cast<int>(fields[2].size()), fields[2].data(), highest_ploidy_);
            return;
        }
        out.number = population;
        for (std::size_t l = 0; l < loci_; ++l) {
            const std::string_view genotype = fields[first_locus_ + l];
            const std::string problem = read_genodive_genotype(genotype, digits_, ploidy, out.pieces, out.text);
            if (!problem.empty()) {
                out.problem = rows_.bad_genotype(genotype, l, problem);
                return;
            }
            out.ends.push_back(static_cast<std::uint32_t>(out.text.size()));
        }
    }

    void take(std::size_t number, ConvertedLine& line) override {
        if (line.kind != 0) return;
        if (!line.problem.empty()) rows_.fail(number, line.problem);
        // Without a ploidy column, every individual has the highest ploidy.
        std::uint32_t ploidy = highest_ploidy_;
        if (first_locus_ == 3) read_whole(line.fields[2], ploidy);
        rows_.note_ploidy(ploidy);
        rows_.open_row(rows_.population(names_[line.number - 1]), line.fields[1], number);
        rows_.add_cells(line.text, line.ends);
    }

    void split(std::string_view text, std::vector<std::string_view>& fields) const {
        if (tabs_)
            split_cells(text, '\t', fields);
        else
            split_blanks(text, fields);
    }

    void counts(std::string_view text) {
        split_blanks(text, fields_);
        std::uint32_t values[5] = {};
        bool whole = fields_.size() == 5;
        for (std::size_t k = 0; k < 5 && whole; ++k) whole = read_whole(fields_[k], values[k]);
        if (!whole)
            rows_.fail(2, "expected five whole numbers: the individuals, the populations, the loci, the highest "
                          "ploidy and the digits per allele");
        individuals_ = values[0];
        populations_ = values[1];
        loci_ = values[2];
        highest_ploidy_ = values[3];
        digits_ = values[4];
        if (populations_ == 0 || loci_ == 0 || highest_ploidy_ == 0) rows_.fail(2, "no population, locus or ploidy");
        if (digits_ == 0 || digits_ > MOST_DIGITS)
            rows_.fail(2, strprintf("%zu digits per allele, where 1 to %u are read", digits_, MOST_DIGITS));
    }

    void read_header(std::size_t number, std::string_view text) {
        tabs_ = text.find('\t') != std::string_view::npos;
        split(text, fields_);
        first_locus_ =
            fields_.size() > 2 && fields_[2].size() == 6 && strncasecmp(fields_[2].data(), "ploidy", 6) == 0 ? 3 : 2;
        if (fields_.size() != first_locus_ + loci_)
            rows_.fail(number, strprintf("a header of %zu locus names, where line 2 gives %s",
                                         fields_.size() < first_locus_ ? 0 : fields_.size() - first_locus_,
                                         count_of(loci_, "locus", "loci").c_str()));
        for (std::size_t l = 0; l < loci_; ++l) rows_.add_locus(fields_[first_locus_ + l]);
        header_read_ = true;
        header_line_ = number;
    }

    ConvertedRows& rows_;
    std::size_t individuals_ = 0, loci_ = 0, digits_ = 0, first_locus_ = 2, header_line_ = 0;
    std::uint32_t populations_ = 0, highest_ploidy_ = 0;
    bool header_read_ = false, tabs_ = false;
    std::vector<std::string> names_;
    std::vector<std::string_view> fields_;
};

}  // namespace

void read_genodive(ConvertedRows& rows, Progress& progress) {
    GenodiveReader reader(rows, progress);
    read_data_file(rows.path(), reader);
    reader.finish();
}

}  // namespace phenostat
