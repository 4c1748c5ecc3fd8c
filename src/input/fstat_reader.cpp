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

    void line(std::size_t number, std::string_view text) override {
        if (number == 1) return counts(text);
        if (trim_blanks(text).empty()) return;
        if (rows_.locus_count() < loci_) return rows_.add_locus(trim_blanks(text));
        split_blanks(text, fields_);
        if (fields_.size() != loci_ + 1)
            rows_.fail(number, strprintf("%s after the population, where line 1 gives %s",
                                         count_of(fields_.size() - 1, "genotype", "genotypes").c_str(),
                                         count_of(loci_, "locus", "loci").c_str()));
        std::uint32_t population = 0;
        if (!read_whole(fields_[0], population) || population < 1 || population > populations_)
            rows_.fail(number, strprintf("population %.*s: expected a number from 1 to %u, the populations of line 1",
                                         static_cast<int>(fields_[0].size()), fields_[0].data(), populations_));
        rows_.open_row(rows_.population(fields_[0].substr(fields_[0].find_first_not_of('0'))),
                       std::to_string(rows_.row_count() + 1), number);
        for (std::size_t l = 0; l < loci_; ++l) {
            const std::string problem = read_fstat_genotype(fields_[l + 1], digits_, width_, highest_, rows_.cell());
            if (!problem.empty()) rows_.bad_genotype(number, fields_[l + 1], l, problem);
            rows_.end_cell();
        }
    }

    void finish() {
        if (rows_.locus_count() < loci_)
            throw FatalError(strprintf("%s ends after %s of the %s that line 1 gives.", rows_.path().c_str(),
                                       count_of(rows_.locus_count(), "locus name", "locus names").c_str(),
                                       std::to_string(loci_).c_str()));
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
