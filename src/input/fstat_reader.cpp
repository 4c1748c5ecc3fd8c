#include "input/fstat_reader.h"

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/genotype_text.h"

namespace phenostat {
namespace {

constexpr std::uint32_t MOST_DIGITS = 9;

class FstatReader final : public LineReader {
public:
    FstatReader(ConvertedRows& rows, Progress& progress) : LineReader(rows.path(), progress), rows_(rows) {}

    void finish() {
        take_held();
        if (rows_.locus_count() < loci_)
            throw FatalError(strprintf("%s ends after %s of the %s that line 1 gives.", rows_.path().c_str(),
                                       count_of(rows_.locus_count(), "locus name", "locus names").c_str(),
                                       std::to_string(loci_).c_str()));
    }

private:
    // Line 1 and the locus names.
    void line(std::size_t number, std::string_view text) override {
        if (number == 1) return counts(text);
        if (!trim_blanks(text).empty()) rows_.add_locus(trim_blanks(text));
    }

    bool in_rows() const override { return loci_ > 0 && rows_.locus_count() == loci_; }

    // An individual: its population (fields[0]), then its genotypes, converted
    // at the width of the first that is not 0 (`number`; values[0] its locus).
    void convert(std::size_t, std::string_view text, ConvertedLine& out) const override {
        split_blanks(text, out.fields);
        if (out.fields.empty()) {
            out.kind = 1;  // a blank line
            return;
        }
        if (out.fields.size() != loci_ + 1) {
            out.problem = strprintf("%s after the population, where line 1 gives %s",
                                    count_of(out.fields.size() - 1, "genotype", "genotypes").c_str(),
                                    count_of(loci_, "locus", "loci").c_str());
            return;
        }
        std::uint32_t population = 0;
        if (!read_whole(out.fields[0], population) || population < 1 || population > populations_) {
            out.problem = strprintf("population %.*s: expected a number from 1 to %u, the populations of line 1",
                                    static_cast<int>(out.fields[0].size()), out.fields[0].data(), populations_);
            return;
        }
        out.number = 0;
        out.values.assign(1, 0);
        for (std::size_t l = 0; l < loci_; ++l) {
            const std::size_t before = out.number;
            const std::string problem = read_fstat_genotype(out.fields[l + 1], digits_, out.number, highest_, out.text);
            if (!problem.empty()) {
                out.problem = rows_.bad_genotype(out.fields[l + 1], l, problem);
                return;
            }
            if (before == 0 && out.number != 0) out.values[0] = static_cast<std::uint32_t>(l);
            out.ends.push_back(static_cast<std::uint32_t>(out.text.size()));
        }
    }

    void take(std::size_t number, ConvertedLine& line) override {
        if (line.kind != 0) return;
        // The width of the row's first genotype that is not 0, against the file's.
        if (line.number != 0 && width_ != 0 && line.number != width_) {
            const std::size_t l = line.values[0];
            std::string out;
            rows_.fail(number,
                       rows_.bad_genotype(line.fields[l + 1], l,
                                          read_fstat_genotype(line.fields[l + 1], digits_, width_, highest_, out)));
        }
        if (!line.problem.empty()) rows_.fail(number, line.problem);
        if (width_ == 0) width_ = line.number;
        const std::string_view population = line.fields[0];
        rows_.open_row(rows_.population(population.substr(population.find_first_not_of('0'))),
                       std::to_string(rows_.row_count() + 1), number);
        rows_.add_cells(line.text, line.ends);
    }

private:
    void counts(std::string_view text) {
        split_blanks(text, fields_);
        std::uint32_t values[4] = {};
        bool whole = fields_.size() == 4;
        for (std::size_t k = 0; k < 4 && whole; ++k) whole = read_whole(fields_[k], values[k]);
        if (!whole)
            rows_.fail(1, "expected four whole numbers: the populations, the loci, the highest allele and the "
                          "digits per allele");
        populations_ = values[0];
        loci_ = values[1];
        highest_ = values[2];
        digits_ = values[3];
        if (populations_ == 0 || loci_ == 0) rows_.fail(1, "no population or no locus");
        if (digits_ == 0 || digits_ > MOST_DIGITS)
            rows_.fail(1, strprintf("%zu digits per allele, where 1 to %u are read", digits_, MOST_DIGITS));
    }

    ConvertedRows& rows_;
    std::uint32_t populations_ = 0, highest_ = 0;
    std::size_t loci_ = 0, digits_ = 0, width_ = 0;
    std::vector<std::string_view> fields_;
};

}  // namespace

void read_fstat(ConvertedRows& rows, Progress& progress) {
    FstatReader reader(rows, progress);
    read_data_file(rows.path(), reader);
    reader.finish();
}

}  // namespace phenostat
