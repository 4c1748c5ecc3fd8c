// The loading of VCF and BCF data files: each record is a locus, coded and
// summarised sample by sample as soon as it is read, with the coder the tab
// files use, so that both give the same ids and the same tables.

#include <cstdio>
#include <filesystem>
#include <future>
#include <unordered_map>
#include <unordered_set>

#include "base/fatal_error.h"
#include "base/memory.h"
#include "base/output_file_name.h"
#include "base/parallel.h"
#include "base/text.h"
#include "input/locus_names.h"
#include "input/sample_map.h"
#include "load/data_writer.h"
#include "load/load_dataset.h"

namespace phenostat {
namespace {

// A batch holds about this many genotypes, in records of at most MAX_BATCH.
constexpr std::size_t BATCH_GENOTYPES = std::size_t{1} << 20;
constexpr std::size_t MAX_BATCH = 4096;
// Allele sets whose ids a record keeps at hand (a linear search); any more go through the coder's own lookup.
constexpr std::size_t KNOWN_SETS = 24;
// Bytes a record's name takes in the index of names, about (see locus_names.h).
constexpr double NAME_INDEX_BYTES = 8;

// What went wrong at a record, found on the threads and reported in order.
struct RecordOutcome {
    std::string problem;
    std::optional<CapacityError> violation;
    std::size_t least_ploidy = 0, most_ploidy = 0;  // of its called genotypes (0: none)
};

std::string capacity_message(const CapacityError& error, const std::string& locus, const std::string& individual) {
    if (error.kind == CapacityError::Kind::too_many_codes)
        return strprintf("\n\nLocus %s, individual %s: more than 20 distinct alleles; this version handles at most 20 "
                         "alleles per phenotype.",
                         locus.c_str(), individual.c_str());
    return error.message(locus);  // the allele count: no line named
}

// Writes the data as read, in our tab format, from every individual's
// phenotype ids (Dataset::cells; rows in catalogue order, which is the map's).
void write_data(const std::string& path, bool overwrite, const Dataset& data, const SampleMap& map) {
    DataWriter file(path, overwrite);
    std::vector<CodedLocus> loci(data.locus_count());
    for (std::size_t l = 0; l < loci.size(); ++l) unpack_coding(data.loci.locus(l), loci[l]);
    std::string line = "group\tsample\tindividual";
    for (const std::string& name : data.locus_names) line.append("\t").append(name);
    file.write(line);
    file.write('\n');
    for (std::size_t i = 0; i < map.individuals.size(); ++i) {
        const MappedIndividual& individual = map.individuals[i];
        line.assign(individual.group).append("\t").append(individual.sample).append("\t").append(individual.name);
        for (std::size_t l = 0; l < data.locus_count(); ++l) {
            line += '\t';
            const std::int32_t id = data.cells[l][i];
            if (id == CellIds::MISSING) continue;
            const CodedLocus& locus = loci[l];
            for (auto a = locus.phenotype_begin[id]; a < locus.phenotype_begin[id + 1]; ++a) {
                if (a > locus.phenotype_begin[id]) line += ',';
                line += std::to_string(locus.allele_codes[locus.phenotype_alleles[a]]);
            }
        }
        line += '\n';
        file.write(line);
    }
    file.keep();
}

// The columns of the map's individuals in the file, in catalogue order.
// FatalError naming the individuals of the map that the file lacks; the
// file's individuals that the map leaves out are named in a warning.
std::vector<std::size_t> mapped_columns(const VariantReader& reader, const SampleMap& map, const std::string& path,
                                        const LoadOptions& options, std::vector<Warning>& warnings) {
    std::unordered_map<std::string, std::size_t> column_of;
    for (std::size_t c = 0; c < reader.individuals().size(); ++c) column_of.emplace(reader.individuals()[c], c);
    std::vector<std::size_t> columns;
    std::vector<std::string> absent;
    for (const MappedIndividual& individual : map.individuals) {
        const auto found = column_of.find(individual.name);
        if (found == column_of.end()) {
            absent.push_back(individual.name);
            continue;
        }
        columns.push_back(found->second);
        column_of.erase(found);
    }
    if (!absent.empty()) {
        const std::unordered_set<std::string> in_data(reader.individuals().begin(), reader.individuals().end());
        throw FatalError(absent_individuals_message(map, options.sample_map, path, absent,
                                                    [&](const std::string& name) { return in_data.count(name) != 0; }));
    }
    std::vector<std::string> left_out;
    for (const std::string& name : reader.individuals())
        if (column_of.count(name) != 0) left_out.push_back(name);
    if (!left_out.empty()) warnings.push_back(unmapped_warning(path, left_out));
    return columns;
}

// Reads the records in batches, the next batch read while this one is coded
// on the threads, each record a locus coded and summarised at once.
class VariantLoader {
public:
    VariantLoader(const std::string& path, const LoadOptions& options, const SampleMap& map, VariantReader& reader,
                  std::vector<std::size_t> columns, LoadedDataset& loaded)
        : path_(path),
          options_(options),
          map_(map),
          reader_(reader),
          columns_(std::move(columns)),
          loaded_(loaded),
          data_(loaded.data),
          file_bytes_(std::filesystem::file_size(path)) {
        data_.catalogue = map.catalogue;
        for (const MappedIndividual& individual : map.individuals) data_.individual_names.push_back(individual.name);
        batch_size_ = std::clamp<std::size_t>(BATCH_GENOTYPES / std::max<std::size_t>(1, reader.individuals().size()),
                                              16, MAX_BATCH);
    }

    void load(Progress& progress) {
        std::size_t slot = 0;
        std::size_t read = reader_.read_batch(slot, batch_size_);
        expect(read);
        bool reserved = false;
        const std::uint64_t file_megabytes = file_bytes_ >> 20;
        while (read > 0) {
            std::future<std::size_t> next = std::async(std::launch::async, [this, other = 1 - slot] {
                return reader_.read_batch(other, batch_size_);
            });
            code_batch(slot, read);
            if (!check_batch(slot, read) || !fits()) {
                next.get();
                break;
            }
            if (!reserved) reserve();
            reserved = true;
            read = next.get();
            slot = 1 - slot;
            // Megabytes of the file (compressed, for a compressed file).
            if (const std::uint64_t bytes = reader_.bytes_read() >> 20; bytes > 0 && file_megabytes > 0)
                progress.step(std::min(bytes, file_megabytes), file_megabytes);
        }
        if (!loaded_.refusal && data_.locus_count() == 0)
            throw FatalError(strprintf("%s holds no record%s: nothing to analyse.", path_.c_str(),
                                       options_.regions.empty() ? "" : " in the regions asked for"));
        if (!loaded_.refusal)
            for (Warning& warning : rename_repeated_loci(data_.locus_names, names_, repeated_))
                loaded_.warnings.push_back(std::move(warning));
        loaded_.dims.individual_count = static_cast<long>(map_.individuals.size());
        loaded_.dims.column_count = static_cast<long>(data_.locus_names.size()) + 3;
        if (!options_.write_data.empty() && !loaded_.refusal) {
            write_data(options_.write_data, options_.overwrite, data_, map_);
            if (!options_.keep_cells) std::vector<CellIds>().swap(data_.cells);  // kept only to write the data
        }
    }

private:
    // Every individual's ids are kept for the analyses that ask, and to write the data.
    bool keep_cells() const { return options_.keep_cells || !options_.write_data.empty(); }

    // The records the file promises, from the first batch and the part of the file it took.
    void expect(std::size_t read) {
        const std::uint64_t bytes = reader_.bytes_read();
        if (bytes == 0 && read == batch_size_) return;
        const double expected = read < batch_size_ ? static_cast<double>(read)
                                                   : 1.02 * static_cast<double>(read) *
                                                         static_cast<double>(file_bytes_) / static_cast<double>(bytes);
        expected_loci_ = std::min(expected, 1e9);
    }

    // Room for the records the file promises, made once they are known to
    // fit: a vector doubling as it goes would hold two copies at its peak.
    void reserve() {
        const auto loci = static_cast<std::size_t>(expected_loci_);
        data_.locus_names.reserve(loci);
        data_.loci.reserve(loci);
    }

    // Whether the loci the file promises fit in memory, at the bytes that the
    // loci packed so far take each (with their names, and the kept ids); a
    // file that would not fit is refused, before its loci grow.
    bool fits() {
        if (loaded_.refusal) return false;
        if (data_.locus_count() == 0) return true;
        const double loci = std::max(expected_loci_, static_cast<double>(data_.locus_count()));
        double per_locus = static_cast<double>(data_.loci.bytes()) / static_cast<double>(data_.locus_count()) +
                           static_cast<double>(sizeof(std::string)) + NAME_INDEX_BYTES;
        if (keep_cells()) per_locus += static_cast<double>(columns_.size());
        const std::uint64_t limit = options_.memory_limit != 0 ? options_.memory_limit : available_memory();
        if (limit == 0 || loci * per_locus <= static_cast<double>(limit)) return true;
        loaded_.refusal = strprintf(
            "\n\n%s holds about %.0f records of %s: their summaries would need about %s of memory, and %s are "
            "available.",
            path_.c_str(), loci, count_of(columns_.size(), "individual", "individuals").c_str(),
            memory_text(loci * per_locus).c_str(), memory_text(static_cast<double>(limit)).c_str());
        data_.loci.clear();
        data_.cells.clear();
        return false;
    }

    void code_batch(std::size_t slot, std::size_t read) {
        first_ = data_.loci.size();
        data_.loci.set_sample_count(data_.catalogue.samples.size());
        data_.locus_names.resize(first_ + read);
        packed_.resize(read);
        if (keep_cells()) data_.cells.resize(first_ + read);
        outcomes_.assign(read, {});
        parallel_for(read, 16, [&](std::size_t k) {
            VariantCells& record = cells_.local();
            reader_.decode(slot, k, columns_, options_.partial, record);
            data_.locus_names[first_ + k] = record.name;
            if (!record.problem.empty()) {
                outcomes_[k].problem = record.problem;
                return;
            }
            outcomes_[k].least_ploidy = record.least_ploidy;
            outcomes_[k].most_ploidy = record.most_ploidy;
            code_record(record, first_ + k, outcomes_[k], packed_[k]);
        });
    }


    // The phenotype id of one individual's allele set at a record: the
    // coder sees each set's text the first time it comes, after that the
    // set's id is looked up in `known`.
    std::int32_t code_set(const VariantCells& record, std::uint64_t set, std::size_t row, std::size_t& next_text,
                          LocusCoder& coder, CodedLocus& locus,
                          std::vector<std::pair<std::uint64_t, std::int32_t>>& known) {
        if (set == VariantCells::TEXT) return coder.code(record.text_cell(next_text++), row, locus, codes_.local());
        const auto found =
            std::find_if(known.begin(), known.end(), [set](const auto& entry) { return entry.first == set; });
        if (found != known.end()) return found->second;
        std::string& text = set_text_.local();
        text.clear();
        VariantCells::append_text(set, text);
        const std::int32_t id = coder.code(text, row, locus, codes_.local());
        if (id >= 0 && known.size() < KNOWN_SETS) known.emplace_back(set, id);
        return id;
    }

    // Codes and summarises one record as locus `l`, sample by sample, and packs it into `packed`.
    void code_record(const VariantCells& record, std::size_t l, RecordOutcome& outcome,
                     std::vector<std::uint8_t>& packed) {
        UnpackedLocus& wide = wide_.local();
        CodedLocus& locus = wide.coded;
        LocusSummary& summary = wide.summary;
        locus.clear();
        summary.clear();
        const std::vector<Sample>& samples = data_.catalogue.samples;
        LocusCoder coder;
        IdList ids;
        std::vector<std::pair<std::uint64_t, std::int32_t>>& known = known_sets_.local();
        known.clear();
        std::size_t next_text = 0;
        // The rows of the samples run from 0 without a gap: each row's id
        // goes to the kept cells in turn.
        CellIds* const kept = keep_cells() ? &data_.cells[l] : nullptr;
        for (const Sample& sample : samples) {
            ids.clear();
            for (std::size_t row = sample.first_row; row < sample.end_row; ++row) {
                const std::uint64_t set = record.sets[row];
                const std::int32_t id = set == 0 ? LocusCoder::MISSING
                                                 : code_set(record, set, row, next_text, coder, locus, known);
                if (id == LocusCoder::REFUSED) {
                    outcome.violation = coder.violation;
                    return;
                }
                if (kept != nullptr) kept->push_back(id < 0 ? CellIds::MISSING : id);
                if (id < 0) continue;
                ids.push_back(id);
            }
            summarise_sample(ids, locus, summary, scratch_.local());
        }
        packed.clear();
        pack_locus(locus, summary, {}, packed);
        if (kept != nullptr) kept->shrink_to_fit();
    }

    // The batch's problems in record order: a damaged record stops the run,
    // a capacity exceeded refuses the data set. False when loading ends here.
    // A record named as an earlier one is to be named by its site and alleles.
    bool check_batch(std::size_t slot, std::size_t read) {
        for (std::size_t k = 0; k < read; ++k) {
            const std::string& name = data_.locus_names[first_ + k];
            if (names_.repeats(data_.locus_names, first_ + k))
                repeated_.push_back({first_ + k, reader_.site_alleles(slot, k)});
            if (!outcomes_[k].problem.empty())
                throw FatalError(strprintf("%s: %s", path_.c_str(), outcomes_[k].problem.c_str()));
            if (const auto& violation = outcomes_[k].violation) {
                loaded_.refusal = capacity_message(*violation, name, map_.individuals[violation->row].name);
                data_.loci.clear();
                return false;
            }
            if (const std::size_t least = outcomes_[k].least_ploidy; least != 0) {
                data_.least_ploidy = data_.least_ploidy == 0 ? least : std::min(data_.least_ploidy, least);
                data_.most_ploidy = std::max(data_.most_ploidy, outcomes_[k].most_ploidy);
            }
        }
        data_.loci.append(std::span(packed_.data(), read));
        return true;
    }

    const std::string& path_;
    const LoadOptions& options_;
    const SampleMap& map_;
    VariantReader& reader_;
    std::vector<std::size_t> columns_;
    LoadedDataset& loaded_;
    Dataset& data_;
    std::uint64_t file_bytes_;
    std::size_t batch_size_ = 0;
    double expected_loci_ = 0;  // the records the file promises, from the proportion of it read
    std::size_t first_ = 0;     // the current batch's first locus
    std::vector<RecordOutcome> outcomes_;
    std::vector<std::vector<std::uint8_t>> packed_;  // the batch's loci, packed
    LocusNameIndex names_;                           // the distinct names of the records so far
    std::vector<RepeatedLocus> repeated_;            // the records named as an earlier one
    PerThread<VariantCells> cells_;
    PerThread<SummaryScratch> scratch_;
    PerThread<UnpackedLocus> wide_;  // a record coded and summarised, before it is packed
    PerThread<std::vector<std::int64_t>> codes_;
    PerThread<std::vector<std::pair<std::uint64_t, std::int32_t>>> known_sets_;
    PerThread<std::string> set_text_;
};

LoadedDataset load_variant_dataset(const std::string& path, const LoadOptions& options, Progress& progress) {
    if (!options.write_data.empty() && !options.overwrite && !is_standard_output(options.write_data) &&
        std::filesystem::exists(options.write_data))
        throw FatalError(strprintf("%s exists: give --overwrite to replace it.", options.write_data.c_str()));
    const SampleMap map = read_sample_map(options.sample_map);
    VariantReader reader(path, options.regions, static_cast<int>(team_size()));
    LoadedDataset loaded;
    VariantLoader loader(path, options, map, reader, mapped_columns(reader, map, path, options, loaded.warnings),
                         loaded);
    loader.load(progress);
    return loaded;
}

}  // namespace

std::optional<DataFormat> data_format(const std::string& path, const LoadOptions& options) {
    return options.format ? options.format : detect_format(path, options.structure);
}

void check_load_options(const std::string& path, const LoadOptions& options) {
    const std::optional<DataFormat> format = data_format(path, options);
    if (!format) return;  // loading says so
    const char* title = format_title(*format);
    if (format == DataFormat::vcf) {
        if (options.sample_map.empty()) throw UsageError(sample_map_needed_message(path));
        check_regions(options.regions);
    } else if (!options.regions.empty() ||
               (options.partial != PartialGenotypes::missing && format != DataFormat::structure)) {
        throw UsageError(strprintf("%s is not a VCF or BCF file (it is read as %s data): --regions applies to VCF "
                                   "and BCF data only, --partial-genotypes to them and to STRUCTURE data.",
                                   path.c_str(), title));
    }
    const StructureLayout plain;
    const bool layout_given = options.structure.columns != plain.columns || options.structure.ploidy != 0;
    if (layout_given && format != DataFormat::structure)
        throw UsageError(strprintf("%s is read as %s data: --structure-columns and --ploidy apply to STRUCTURE "
                                   "data only.",
                                   path.c_str(), title));
    if (format == DataFormat::structure && options.structure.ploidy == 0 &&
        !has_column(options.structure, StructureColumn::label))
        throw UsageError("--structure-columns without label: the rows cannot be told apart into individuals, one row "
                         "per allele copy; give --ploidy N for rows of N alleles a locus.");
}

LoadedDataset load_dataset(const std::string& path, const LoadOptions& options, Progress& progress) {
    check_load_options(path, options);
    const std::optional<DataFormat> format = data_format(path, options);
    if (!format) throw FatalError(unknown_format_message(path));
    if (format == DataFormat::vcf) return load_variant_dataset(path, options, progress);
    return load_tab_dataset(path, options, progress, *format);
}

}  // namespace phenostat
