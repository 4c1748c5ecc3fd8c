#include "load/load_dataset.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "base/fatal_error.h"
#include "base/memory.h"
#include "base/parallel.h"
#include "base/text.h"
#include "input/line_check.h"
#include "input/locus_names.h"
#include "input/mapped_rows.h"
#include "load/data_writer.h"

namespace phenostat {
namespace {

constexpr std::size_t FIRST_LOCUS_COLUMN = 3;

// Rows are coded in batches of about this much text, the loci spread over the
// threads in tasks of LOCI_PER_TASK.
constexpr std::size_t BATCH_BYTES = std::size_t{128} << 10;
constexpr std::size_t LOCI_PER_TASK = 256;
// Estimated bytes that a data set keeps: per locus (its name, coding and
// coder while loading, and the records of a table), and per locus and sample
// (a packed sample: a few tally entries and its individuals' sizes).
constexpr double BYTES_PER_LOCUS = 1024;
constexpr double BYTES_PER_LOCUS_SAMPLE = 16;

class Builder final : public DataFileSink {
public:
    Builder(Dataset& data, Progress& progress, std::uint64_t file_size, bool compressed, std::uint64_t memory_limit,
            bool keep_cells)
        : data_(data),
          progress_(progress),
          file_size_(file_size),
          compressed_(compressed),
          memory_limit_(memory_limit),
          keep_cells_(keep_cells) {}

    void header(const DataLine& line, std::uint64_t text_bytes) override {
        for (std::size_t column = FIRST_LOCUS_COLUMN; column < line.size(); ++column)
            data_.locus_names.emplace_back(line.field(column));
        header_bytes_ = text_bytes_ = text_bytes;
        grow_loci(data_.locus_names.size());
    }

    // A line without a sample column belongs to the sample of the empty name.
    void row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) override {
        group_ = line.field(0);
        rows_ = row + 1;
        if (data_.individual_names.size() <= row) data_.individual_names.resize(row + 1);
        if (line.size() > 2) data_.individual_names[row] = line.field(2);
        place_row(row, line.size() > 1 ? line.field(1) : std::string_view());
        if (line.size() > FIRST_LOCUS_COLUMN) grow_loci(line.size() - FIRST_LOCUS_COLUMN);
        text_bytes_ = text_bytes;
        if (refused()) return;
        // The locus cells at once: their text, and their ends moved to the batch.
        batch_rows_.push_back({row, cell_ends_.size()});
        if (line.size() > FIRST_LOCUS_COLUMN) {
            const std::size_t first = line.begin(FIRST_LOCUS_COLUMN);
            const std::size_t shift = batch_text_.size() - first;
            batch_text_.append(line.text.substr(first));
            for (std::size_t column = FIRST_LOCUS_COLUMN; column < line.size(); ++column)
                cell_ends_.push_back(static_cast<std::uint32_t>(line.ends[column] + shift));
        }
        if (batch_text_.size() >= BATCH_BYTES) code_batch();
    }

    void file_bytes_read(std::uint64_t bytes) override {
        file_bytes_ = bytes;
        const std::uint64_t total = expected_text_bytes() >> 20;
        if (total > 0) progress_.step(std::min(text_bytes_ >> 20, total), total);
    }

    std::optional<std::string> finish() {
        if (!refused()) close_sample();
        batch_rows_ = {};
        cell_ends_ = {};
        batch_text_ = {};
        catalogue_.finish();
        if (refused()) return refusal_;
        for (std::size_t l = 0; l < coders_.size(); ++l)
            if (std::optional<CapacityError> violation = coders_[l].violation) {
                if (!file_rows_.empty()) violation->row = file_rows_[violation->row];
                return violation->message(data_.locus_names[l]);
            }
        // The caches and the last sample's ids are no longer needed.
        std::vector<LocusCoder>().swap(coders_);
        std::vector<IdList>().swap(pending_);
        for (CellIds& cells : data_.cells) {
            cells.pad(rows_);
            cells.shrink_to_fit();
        }
        pack();
        return std::nullopt;
    }

    // Rows handed on in another order than the file's: the file's row of each, for the messages.
    void set_file_rows(std::vector<std::size_t> rows) { file_rows_ = std::move(rows); }

private:
    bool refused() const { return refusal_.has_value(); }

    // The row's sample: the current one while the name stays, else a new one.
    void place_row(std::size_t row, std::string_view name) {
        if (catalogue_.continues(name)) {
            const Sample& sample = catalogue_.extend(row, group_);
            if (sample.row_count() > MAX_SAMPLE_ROWS && !refused())
                refuse(strprintf("\n\nSample %s has more than %zu lines: too large a sample for this program.",
                                 sample.name.c_str(), MAX_SAMPLE_ROWS));
            return;
        }
        if (!data_.catalogue.samples.empty() && !refused()) close_sample();
        catalogue_.open(row, name, group_);
        check_memory();
    }

    // Summarises every locus for the sample that ends, each chunk of loci
    // packed onto its column. The first sample's columns are given room for
    // the samples the rest of the text promises.
    void close_sample() {
        if (data_.catalogue.samples.empty()) return;
        code_batch();
        const std::size_t loci = coders_.size();
        columns_.resize((loci + LOCI_PER_TASK - 1) / LOCI_PER_TASK);
        loci_at_close_.push_back(loci);
        double room = 0;
        if (closed_samples_ == 0) {
            room = std::ceil(projected_samples(1) * 1.01);
            if (room * static_cast<double>(loci) * BYTES_PER_LOCUS_SAMPLE > limit()) room = 0;
        }
        struct Scratch {
            LocusSummary summary;
            SummaryScratch summary_scratch;
            std::vector<std::uint8_t> bytes;
        };
        PerThread<Scratch> scratch;
        parallel_for(columns_.size(), 1, [&](std::size_t c) {
            Scratch& local = scratch.local();
            local.bytes.clear();
            for (std::size_t l = c * LOCI_PER_TASK; l < std::min(loci, (c + 1) * LOCI_PER_TASK); ++l) {
                local.summary.clear();
                summarise_sample(pending_[l], tables_[l], local.summary, local.summary_scratch);
                pack_sample(tables_[l], local.summary, 0, local.bytes);
                pending_[l].clear();
            }
            std::vector<std::uint8_t>& column = columns_[c];
            const std::size_t needed = column.size() + local.bytes.size();
            column.reserve(static_cast<std::size_t>(room * static_cast<double>(local.bytes.size())));
            if (needed > column.capacity()) column.reserve(std::max(needed, column.capacity() + column.capacity() / 4));
            column.insert(column.end(), local.bytes.begin(), local.bytes.end());
        });
        ++closed_samples_;
    }

    // Codes the rows read so far, each locus on one thread in row order.
    void code_batch() {
        PerThread<std::vector<std::int64_t>> codes;
        parallel_for(coders_.size(), LOCI_PER_TASK, [&](std::size_t l) {
            for (std::size_t r = 0; r < batch_rows_.size(); ++r) {
                const BatchRow& row = batch_rows_[r];
                const std::size_t cells =
                    (r + 1 < batch_rows_.size() ? batch_rows_[r + 1].first_cell : cell_ends_.size()) - row.first_cell;
                if (l >= cells) continue;  // a short line: missing
                const std::size_t cell = row.first_cell + l;
                const std::size_t begin = cell == 0 ? 0 : cell_ends_[cell - 1];
                const std::int32_t id =
                    coders_[l].code(std::string_view(batch_text_.data() + begin, cell_ends_[cell] - begin), row.row,
                                    tables_[l], codes.local());
                if (id >= 0) pending_[l].push_back(id);
                if (keep_cells_) {
                    data_.cells[l].pad(row.row);
                    data_.cells[l].push_back(id >= 0 ? id : CellIds::MISSING);
                }
            }
        });
        batch_rows_.clear();
        cell_ends_.clear();
        batch_text_.clear();
    }

    // New locus columns: untyped in every sample summarised so far (the
    // columns of those samples end before them).
    void grow_loci(std::size_t count) {
        if (refused() || count <= coders_.size()) return;
        if (count > data_.locus_names.size()) data_.locus_names.resize(count);
        coders_.reserve(std::max(count, 2 * coders_.size()));
        coders_.resize(count);
        pending_.resize(count);
        tables_.resize(count);
        if (keep_cells_) data_.cells.resize(count);
        check_memory();
    }

    std::uint64_t expected_text_bytes() const {
        if (!compressed_ || file_bytes_ == 0) return std::max(text_bytes_, file_size_);
        // A compressed file: its text grows in the proportion read so far.
        return std::max(text_bytes_,
                        static_cast<std::uint64_t>(static_cast<double>(file_size_) * static_cast<double>(text_bytes_) /
                                                   static_cast<double>(file_bytes_)));
    }

    // The samples whose lines are all read, in the proportion of the text read.
    double projected_samples(std::size_t complete) const {
        double samples = static_cast<double>(complete);
        const std::uint64_t total = expected_text_bytes();
        if (text_bytes_ > header_bytes_ && total > text_bytes_)
            samples *= static_cast<double>(total - header_bytes_) / static_cast<double>(text_bytes_ - header_bytes_);
        return std::max(samples, static_cast<double>(data_.catalogue.samples.size()));
    }

    double limit() {
        if (memory_limit_ == 0) memory_limit_ = available_memory();  // read once
        return memory_limit_ == 0 ? 1e300 : static_cast<double>(memory_limit_);
    }

    // The summaries' memory, with the samples to come estimated from the
    // text still to read; a data set that would not fit is refused here,
    // before its summaries grow.
    void check_memory() {
        if (refused()) return;
        const double loci = static_cast<double>(coders_.size());
        const double samples = projected_samples(closed_samples_);
        double needed = loci * (BYTES_PER_LOCUS + samples * BYTES_PER_LOCUS_SAMPLE);
        // A byte per cell for the kept phenotype ids, the rows to come estimated alike.
        if (keep_cells_ && text_bytes_ > header_bytes_)
            needed += loci * static_cast<double>(rows_) *
                      std::max(1.0, static_cast<double>(expected_text_bytes() - header_bytes_) /
                                        static_cast<double>(text_bytes_ - header_bytes_));
        if (needed <= limit()) return;
        refuse(strprintf("\n\nThe data file has %.0f loci and about %.0f samples: their summaries%s would need "
                         "about %s of memory, and %s are available.",
                         loci, samples, keep_cells_ ? " and the individuals' phenotypes" : "",
                         memory_text(needed).c_str(), memory_text(limit()).c_str()));
    }

    // The loci into the data set, a wave of chunks at a time: each chunk's
    // column (sample after sample) turned locus by locus, then freed.
    void pack() {
        data_.loci.set_sample_count(closed_samples_);
        data_.loci.reserve(tables_.size());
        const std::size_t wave = 4 * team_size();
        std::vector<std::vector<std::uint8_t>> packed(wave);
        std::vector<std::vector<std::uint64_t>> starts(wave);
        for (std::size_t first = 0; first < columns_.size(); first += wave) {
            const std::size_t count = std::min(wave, columns_.size() - first);
            parallel_for(count, 1, [&](std::size_t k) { transpose(first + k, packed[k], starts[k]); });
            for (std::size_t k = 0; k < count; ++k) data_.loci.append(std::exchange(packed[k], {}), starts[k]);
        }
        columns_ = {};
        tables_ = {};
    }

    // Chunk c's loci, each its coding and then its samples, into `bytes`.
    void transpose(std::size_t c, std::vector<std::uint8_t>& bytes, std::vector<std::uint64_t>& starts) {
        const std::size_t begin = c * LOCI_PER_TASK;
        const std::size_t end = std::min(tables_.size(), begin + LOCI_PER_TASK);
        const std::size_t width = end - begin;
        // Where each sample's part of each locus lies in the column; a locus
        // that came after the sample has none.
        std::vector<std::pair<const std::uint8_t*, const std::uint8_t*>> parts(closed_samples_ * width);
        const std::uint8_t* at = columns_[c].data();
        for (std::size_t s = 0; s < closed_samples_; ++s) {
            for (std::size_t l = begin; l < std::min(end, loci_at_close_[s]); ++l) {
                const std::uint8_t* const from = at;
                at = skip_sample(tables_[l], at);
                parts[s * width + l - begin] = {from, at};
            }
        }
        bytes.clear();
        bytes.reserve(columns_[c].size() + 16 * width);
        starts.clear();
        for (std::size_t l = begin; l < end; ++l) {
            starts.push_back(bytes.size());
            pack_coding(tables_[l], bytes);
            for (std::size_t s = 0; s < closed_samples_; ++s) {
                const auto [from, to] = parts[s * width + l - begin];
                if (from == nullptr)
                    pack_untyped_sample(bytes);
                else
                    bytes.insert(bytes.end(), from, to);
            }
        }
        std::vector<std::uint8_t>().swap(columns_[c]);
    }

    void refuse(std::string message) {
        refusal_ = std::move(message);
        coders_.clear();
        pending_.clear();
        tables_.clear();
        columns_.clear();
        data_.cells.clear();
    }

    Dataset& data_;
    Progress& progress_;
    std::uint64_t file_size_;
    bool compressed_;
    std::uint64_t memory_limit_;
    bool keep_cells_;
    std::size_t rows_ = 0;  // data rows read
    std::vector<LocusCoder> coders_;
    std::vector<CodedLocus> tables_;  // each locus's alleles and phenotypes
    // The summaries of the samples closed so far, packed: column c holds
    // those of loci [c * LOCI_PER_TASK, ...), sample after sample, the loci
    // that existed when the sample closed (loci_at_close_).
    std::vector<std::vector<std::uint8_t>> columns_;
    std::vector<std::size_t> loci_at_close_;
    std::vector<IdList> pending_;  // the current sample's phenotype ids, per locus
    // The rows read and not yet coded, all of the current sample: their
    // locus cells' texts back to back.
    struct BatchRow {
        std::size_t row;         // data row
        std::size_t first_cell;  // its first locus cell in cell_ends_
    };
    std::vector<BatchRow> batch_rows_;
    std::vector<std::uint32_t> cell_ends_;  // where each cell's text ends in batch_text_
    std::string batch_text_;
    std::string group_;  // column 0 of the current row
    std::size_t closed_samples_ = 0;
    SampleCatalogueBuilder catalogue_{data_.catalogue};
    std::uint64_t text_bytes_ = 0, header_bytes_ = 0, file_bytes_ = 0;
    std::optional<std::string> refusal_;
    std::vector<std::size_t> file_rows_;
};

// The tables' locus names made unique; the header's own kept for the classic
// files when any changes.
void name_loci_uniquely(LoadedDataset& loaded) {
    std::vector<std::string> header = loaded.data.locus_names;
    std::vector<Warning> renamed = make_locus_names_unique(loaded.data.locus_names);
    if (renamed.empty()) return;
    loaded.data.header_names = std::move(header);
    for (Warning& warning : renamed) loaded.warnings.push_back(std::move(warning));
}

}  // namespace

LoadedDataset load_dataset(const std::string& path, Progress& progress, std::uint64_t memory_limit, bool keep_cells) {
    LoadedDataset loaded;
    Builder builder(loaded.data, progress, data_file_size(path), is_gzip_file(path), memory_limit, keep_cells);
    loaded.dims = read_data_file(path, builder);
    loaded.refusal = builder.finish();
    loaded.warnings = catalogue_warnings(loaded.data.catalogue);
    // Loci named in no header field but present on some line.
    loaded.data.locus_names.resize(static_cast<std::size_t>(std::max(0L, loaded.dims.column_count - 3)));
    name_loci_uniquely(loaded);
    return loaded;
}

LoadedDataset load_tab_dataset(const std::string& path, const LoadOptions& options, Progress& progress,
                               DataFormat format) {
    LoadedDataset loaded;
    std::vector<Warning> map_warnings;
    std::optional<SampleMap> map;
    if (!options.sample_map.empty()) map = read_sample_map(options.sample_map);
    // The lines the builder receives are those written with --write-data.
    std::optional<RowWriter> writer;
    std::error_code error;
    if (!options.write_data.empty() && std::filesystem::equivalent(path, options.write_data, error))
        throw FatalError(strprintf("--write-data %s would replace the data file.", options.write_data.c_str()));
    const auto written = [&](DataFileSink& builder) -> DataFileSink& {
        if (options.write_data.empty()) return builder;
        return writer.emplace(options.write_data, options.overwrite, builder);
    };
    // A file of another format is read whole, then handed on as our rows.
    std::optional<ConvertedRows> converted;
    if (format != DataFormat::tab) {
        converted.emplace(path);
        read_converted(*converted, format, options.structure, options.partial, progress);
    }
    // The lines as read (checked against the header) or the rows converted,
    // numbered by their place in the file when they go to the map.
    const auto read_rows = [&](DataFileSink& sink, bool file_numbers) {
        if (converted) {
            converted->replay(sink, file_numbers);
            loaded.dims = converted->dimensions();
            loaded.warnings = converted->warnings();
            return;
        }
        LineCheck check(path, sink);
        loaded.dims = read_data_file(path, check);
        loaded.dims.column_count = std::min<long>(loaded.dims.column_count, static_cast<long>(check.columns()));
        loaded.warnings = check.warnings();
    };
    if (!map) {
        Builder builder(loaded.data, progress, converted ? converted->text_bytes() : data_file_size(path),
                        !converted && is_gzip_file(path), options.memory_limit, options.keep_cells);
        if (converted) builder.set_file_rows(converted->file_rows());
        read_rows(written(builder), false);
        loaded.refusal = builder.finish();
    } else {
        // The file read first, the rows then coded in the map's order.
        MappedRows rows(*map, options.sample_map, path, progress);
        read_rows(rows, true);
        map_warnings = rows.warnings();
        Builder builder(loaded.data, progress, rows.text_bytes(), false, options.memory_limit, options.keep_cells);
        builder.set_file_rows(rows.file_rows());
        rows.replay(written(builder));
        loaded.refusal = builder.finish();
        loaded.dims.individual_count = static_cast<long>(map->individuals.size());
    }
    if (writer && !loaded.refusal) writer->keep();
    if (converted) {
        loaded.data.least_ploidy = converted->least_ploidy();
        loaded.data.most_ploidy = converted->most_ploidy();
    }
    loaded.warnings.insert(loaded.warnings.end(), map_warnings.begin(), map_warnings.end());
    const std::vector<Warning> samples = catalogue_warnings(loaded.data.catalogue);
    loaded.warnings.insert(loaded.warnings.end(), samples.begin(), samples.end());
    loaded.data.locus_names.resize(static_cast<std::size_t>(std::max(0L, loaded.dims.column_count - 3)));
    name_loci_uniquely(loaded);
    return loaded;
}

// A file without individuals or loci gives nothing to analyse; say which.
void check_dimensions(const std::string& input_path, const FileDimensions& dims) {
    if (dims.individual_count < 1) {
        std::string message = strprintf("\n\nThe data file %s holds no data line (only a header, or nothing): "
                                        "nothing to analyse.",
                                        input_path.c_str());
        // Text without a single line feed: most likely lines ended by CR alone, which reads as one line.
        if (dims.individual_count < 0 && dims.field_width > 0)
            message += "\nNo line feed was found in it: lines must end in LF or CR LF (CR alone does not end a line).";
        throw FatalError(message);
    }
    if (dims.column_count < 4)
        throw FatalError(strprintf("\n\nThe data file %s has no locus column (loci start in the fourth column): "
                                   "nothing to analyse.",
                                   input_path.c_str()));
}

}  // namespace phenostat
