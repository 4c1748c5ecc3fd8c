#include "input/genalex_reader.h"

#include <algorithm>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/genotype_text.h"
#include "input/sample_map.h"

namespace phenostat {
namespace {

constexpr std::size_t FIRST_LOCUS_CELL = 2, FIRST_NAME_CELL = 3;

class GenalexReader final : public LineReader {
public:
    GenalexReader(ConvertedRows& rows, Progress& progress) : LineReader(rows.path(), progress), rows_(rows) {}

    void finish() {
        take_held();
        if (starts_.empty()) rows_.fail(3, "expected the individuals' and populations' headers and the locus names");
        if (rows_.row_count() != individuals_)
            throw FatalError(strprintf("%s: line 1 gives %s, and the rows hold %zu.", rows_.path().c_str(),
                                       count_of(individuals_, "individual", "individuals").c_str(), rows_.row_count()));
        for (std::size_t p = 0; p < sizes_.size(); ++p)
            if (held_[p] != sizes_[p])
                throw FatalError(strprintf("%s: line 1 gives population %s %s, and its rows hold %zu.",
                                           rows_.path().c_str(), names_[p].c_str(),
                                           count_of(sizes_[p], "individual", "individuals").c_str(), held_[p]));
    }

private:
    // Lines 1 to 3.
    void line(std::size_t number, std::string_view text) override {
        if (number == 1) separator_ = text.find('\t') == std::string_view::npos ? ',' : '\t';
        split_cells(text, separator_, cells_);
        if (number == 1) return counts();
        if (number == 2) return names();
        layout();
    }

    bool in_rows() const override { return !starts_.empty(); }

    std::uint32_t whole(std::size_t k) const {
        std::uint32_t value = 0;
        if (k >= cells_.size() || !read_whole(cells_[k], value))
            rows_.fail(1, "expected the numbers of loci, of individuals and of populations, then each population's "
                          "size");
        return value;
    }

    void counts() {
        loci_ = whole(0);
        individuals_ = whole(1);
        const std::uint32_t populations = whole(2);
        for (std::size_t p = 0; p < populations; ++p) sizes_.push_back(whole(FIRST_NAME_CELL + p));
        if (loci_ == 0 || populations == 0) rows_.fail(1, "no locus or no population");
        held_.assign(populations, 0);
    }

    void names() {
        if (cells_.size() < FIRST_NAME_CELL + sizes_.size())
            rows_.fail(2, strprintf("expected a title, two empty cells and the names of the %s of line 1",
                                    count_of(sizes_.size(), "population", "populations").c_str()));
        for (std::size_t p = 0; p < sizes_.size(); ++p) names_.emplace_back(cells_[FIRST_NAME_CELL + p]);
    }

    // Where each locus's columns begin, and where the genotypes end.
    void layout() {
        std::size_t k = FIRST_LOCUS_CELL;
        for (; k < cells_.size() && starts_.size() <= loci_; ++k) {
            if (cells_[k].empty()) continue;
            if (starts_.size() == loci_) break;  // the first header after the loci
            starts_.push_back(k);
            rows_.add_locus(cells_[k]);
        }
        if (starts_.size() < loci_)
            rows_.fail(3, strprintf("%s, where line 1 gives %s",
                                    count_of(starts_.size(), "locus name", "locus names").c_str(),
                                    count_of(loci_, "locus", "loci").c_str()));
        genotype_end_ = cells_.size();
        if (k < cells_.size()) {
            extra_ = true;
            genotype_end_ = std::max(starts_.back() + 1, k - 1);
            std::vector<std::string> extra;
            for (; k < cells_.size(); ++k)
                if (!cells_[k].empty()) extra.emplace_back(cells_[k]);
            rows_.warn({WarningKind::ignored_columns, rows_.path(),
                        strprintf("%s: the columns after the genotypes (%s) are not read.", rows_.path().c_str(),
                                  list_names(extra, 5).c_str())});
        }
        starts_.push_back(genotype_end_);
    }

    // An individual: its label and population (fields[0] and [1]), then its alleles.
    void convert(std::size_t, std::string_view text, ConvertedLine& out) const override {
        std::vector<std::string_view>& cells = out.fields;
        split_cells(text, separator_, cells);
        if (std::all_of(cells.begin(), cells.end(), [](std::string_view cell) { return cell.empty(); })) {
            out.kind = 1;  // a row of empty cells
            return;
        }
        if (cells.size() < genotype_end_) {
            out.problem =
                strprintf("%zu cells, where line 3 has %zu up to the last locus's", cells.size(), genotype_end_);
            return;
        }
        for (std::size_t k = genotype_end_; k < cells.size() && !extra_; ++k)
            if (!cells[k].empty()) {
                out.problem = strprintf("cell %zu holds %.*s, past the %zu cells of line 3", k + 1,
                                        static_cast<int>(cells[k].size()), cells[k].data(), genotype_end_);
                return;
            }
        for (std::size_t l = 0; l < loci_; ++l) {
            out.values.clear();
            for (std::size_t k = starts_[l]; k < starts_[l + 1]; ++k) {
                std::uint32_t allele = 0;
                const AlleleCell read = read_genalex_allele(cells[k], allele);
                if (read == AlleleCell::bad) {
                    out.problem = rows_.bad_genotype(cells[k], l,
                                                     "expected a whole number from 1 to 999999999, or 0, -1 or an "
                                                     "empty cell for a missing allele",
                                                     "allele");
                    return;
                }
                if (read == AlleleCell::allele) out.values.push_back(allele);
            }
            append_alleles(out.values, out.text);
            out.ends.push_back(static_cast<std::uint32_t>(out.text.size()));
        }
    }

    void take(std::size_t number, ConvertedLine& line) override {
        if (line.kind != 0) return;
        if (!line.problem.empty()) rows_.fail(number, line.problem);
        const std::string_view population = line.fields[1];
        const auto found = std::find(names_.begin(), names_.end(), population);
        if (found == names_.end())
            rows_.fail(number, strprintf("population %.*s is not among those named on line 2",
                                         static_cast<int>(population.size()), population.data()));
        ++held_[static_cast<std::size_t>(found - names_.begin())];
        rows_.open_row(rows_.population(population), line.fields[0], number);
        rows_.add_cells(line.text, line.ends);
    }

    ConvertedRows& rows_;
    char separator_ = ',';
    std::vector<std::string_view> cells_;
    std::size_t loci_ = 0, individuals_ = 0, genotype_end_ = 0;
    bool extra_ = false;                     // columns after the genotypes, not read
    std::vector<std::size_t> sizes_, held_;  // per population: the size of line 1, the rows read
    std::vector<std::string> names_;
    std::vector<std::size_t> starts_;  // each locus's first cell, then the end of the genotypes
};

}  // namespace

void read_genalex(ConvertedRows& rows, Progress& progress) {
    GenalexReader reader(rows, progress);
    read_data_file(rows.path(), reader);
    reader.finish();
}

}  // namespace phenostat
