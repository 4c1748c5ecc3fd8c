#pragma once
// A tab data file read through a sample map: the map, not the file's first
// two columns, gives each individual (column 2) its sample and group. The
// rows the map names are held, their locus cells' texts back to back, until
// the file is read; then they are handed on in the map's catalogue order, as
// rows of the same data rewritten in that order with the map's sample and
// group columns, so that cells are coded in catalogue order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/progress.h"
#include "base/warning.h"
#include "input/data_file.h"
#include "input/sample_map.h"

namespace phenostat {

class MappedRows final : public DataFileSink {
public:
    // Progress counts the megabytes of the file as it is read.
    MappedRows(const SampleMap& map, const std::string& map_path, const std::string& data_path, Progress& progress);

    void header(const DataLine& line, std::uint64_t text_bytes) override;
    // FatalError when an individual the map names is on two lines.
    void row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) override;
    void file_bytes_read(std::uint64_t bytes) override;

    // The text the rows will hand on, header included: the size of the file that `replay` reads.
    std::uint64_t text_bytes() const;
    // After the file: FatalError naming the individuals of the map that the
    // file lacks; else the header and every mapped row, in catalogue order,
    // numbered from 0.
    void replay(DataFileSink& sink) const;
    // The data row (from 0 after the header) of each individual, in catalogue order.
    std::vector<std::size_t> file_rows() const;
    // The individuals of the file that the map leaves out, in one warning (none when it names them all).
    std::vector<Warning> warnings() const;

private:
    struct Held {
        std::size_t row = NOT_READ;  // the data row it came from
        std::size_t first_end = 0;   // its locus cells' ends in ends_
        std::size_t end_count = 0;
        std::size_t text_begin = 0;  // its cells' text in text_
    };
    static constexpr std::size_t NOT_READ = static_cast<std::size_t>(-1);

    const SampleMap& map_;
    std::string map_path_, data_path_;
    Progress& progress_;
    std::uint64_t file_size_;
    std::unordered_map<std::string, std::size_t> index_;  // individual -> catalogue row
    std::vector<Held> held_;                              // per catalogue row
    std::string header_text_;
    std::vector<std::uint32_t> header_ends_;
    std::string text_;                   // the held rows' locus cells, back to back
    std::vector<std::uint32_t> ends_;    // where each cell's text ends, relative to its row's text_begin
    std::vector<std::string> left_out_;  // individuals of the file the map does not name
};

}  // namespace phenostat
