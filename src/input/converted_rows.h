#pragma once
// The individuals of a file in another program's format, as rows of our tab
// format: a header (group, sample, individual, then the locus names) and one
// row per individual (no group, its population as the sample, its label,
// then its phenotype text at each locus). The readers of those formats fill
// it line by line; the rows are held until the file is read, then handed on
// sample by sample: the populations in order of first appearance, each with
// all its individuals in file order, wherever their rows stand (a population
// whose rows are split in two is one sample). Populations of the same name
// are one.
//
// The readers take their lines from read_data_file (so a gzip file is read as
// well) through LineReader, below.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/progress.h"
#include "base/warning.h"
#include "input/data_file.h"

namespace phenostat {

class ConvertedRows {
public:
    explicit ConvertedRows(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // Room for the rows of a file of that size (in place of growing by copies).
    void reserve(std::uint64_t file_bytes);
    void add_locus(std::string_view name);
    std::size_t locus_count() const { return loci_.size(); }
    const std::string& locus_name(std::size_t l) const { return loci_[l]; }

    // The population of that name, added when new.
    std::size_t population(std::string_view name);
    // A population named later (`name_population`).
    std::size_t unnamed_population();
    void name_population(std::size_t population, std::string_view name);

    // Opens the row of an individual, which begins on line `line` of the
    // file; then each locus's phenotype text in turn: appended to `cell()`,
    // closed by `end_cell()`.
    void open_row(std::size_t population, std::string_view label, std::size_t line);
    std::string& cell() { return text_; }
    void end_cell() { ends_.push_back(text_.size() - rows_.back().text_begin); }
    // The cells of a row converted on its own (as ConvertedLine holds them).
    void add_cells(std::string_view text, const std::vector<std::uint32_t>& ends);
    std::size_t row_count() const { return rows_.size(); }
    // An individual's ploidy, where the format tells it; the smallest and
    // largest noted (0: none).
    void note_ploidy(std::size_t ploidy) {
        least_ploidy_ = least_ploidy_ == 0 ? ploidy : std::min(least_ploidy_, ploidy);
        most_ploidy_ = std::max(most_ploidy_, ploidy);
    }
    std::size_t least_ploidy() const { return least_ploidy_; }
    std::size_t most_ploidy() const { return most_ploidy_; }

    // FatalError "PATH, line N: WHAT."
    [[noreturn]] void fail(std::size_t line, const std::string& what) const;
    // What is wrong with a genotype (or an allele: `noun`) of locus l, for `fail`.
    std::string bad_genotype(std::string_view text, std::size_t l, const std::string& problem,
                             const char* noun = "genotype") const;

    void warn(Warning warning) { warnings_.push_back(std::move(warning)); }
    const std::vector<Warning>& warnings() const { return warnings_; }

    // After the file: FatalError for a file without a locus or an individual.
    void finish();
    // The header and the rows, sample by sample, numbered from 0 or (with
    // `file_numbers`) by their line in the file (line - 2, as a tab file's
    // data rows are numbered).
    void replay(DataFileSink& sink, bool file_numbers) const;
    // The line - 2 of each row, in the order handed on.
    std::vector<std::size_t> file_rows() const;
    // The text that `replay` hands on, as a tab file of the rows would hold.
    std::uint64_t text_bytes() const;
    FileDimensions dimensions() const;

private:
    struct Row {
        std::size_t population;
        std::size_t line;
        std::size_t label_begin, label_end;  // in labels_
        std::size_t text_begin;              // its cells' text in text_
        std::size_t first_end;               // its cells' ends in ends_, relative to text_begin
    };
    // The rows in the order handed on.
    std::vector<std::size_t> order() const;

    std::string path_;
    std::vector<std::string> loci_;
    std::vector<std::string> populations_;
    std::unordered_map<std::string, std::size_t> named_;
    std::size_t last_population_ = static_cast<std::size_t>(-1);
    std::vector<Row> rows_;
    std::string labels_, text_;
    std::vector<std::uint32_t> ends_;
    std::vector<Warning> warnings_;
    std::size_t least_ploidy_ = 0, most_ploidy_ = 0;
};

// A data row as a reader converts it, on any thread: its cells' texts back
// to back and where each ends, the fields the reader takes later, and what
// is wrong with it (the end of the message "PATH, line N: ..."; empty: nothing).
struct ConvertedLine {
    int kind = 0;  // the reader's own kinds of line (0: a data row)
    std::string text;
    std::vector<std::uint32_t> ends;
    std::vector<std::string_view> fields;  // into the line, valid until it is taken
    std::vector<std::uint32_t> values;
    std::vector<std::string_view> pieces;  // working storage
    std::size_t number = 0;                // a number the reader reads from the line
    std::string problem;
    void clear();
};

// Hands on each line of a file whole (its tab-separated fields joined again),
// numbered from 1, and the file's progress in megabytes. The lines before the
// data rows go to `line` one by one; from the line on which `in_rows` holds,
// they are held in batches, each converted on the threads (`convert`, which
// reads nothing of the reader that a line changes) and then taken in file
// order (`take`).
class LineReader : public DataFileSink {
public:
    explicit LineReader(const std::string& path, Progress& progress);
    void header(const DataLine& line, std::uint64_t) final { whole(1, line); }
    void row(std::size_t row, const DataLine& line, std::uint64_t) final { whole(row + 2, line); }
    void file_bytes_read(std::uint64_t bytes) final;

protected:
    virtual void line(std::size_t number, std::string_view text) = 0;
    virtual bool in_rows() const = 0;
    virtual void convert(std::size_t number, std::string_view text, ConvertedLine& out) const = 0;
    virtual void take(std::size_t number, ConvertedLine& line) = 0;
    // After each batch is taken.
    virtual void taken() {}
    // Converts and takes the lines held: at the end of the file.
    void take_held();

private:
    void whole(std::size_t number, const DataLine& line);
    Progress& progress_;
    std::uint64_t file_size_;
    std::string joined_;
    std::string held_;                                 // the lines held, back to back
    std::vector<std::size_t> held_ends_, held_lines_;  // where each ends in held_, and its number
    std::vector<ConvertedLine> converted_;
};

}  // namespace phenostat
