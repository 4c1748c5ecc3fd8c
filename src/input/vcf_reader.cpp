#include "input/vcf_reader.h"

#include <htslib/bgzf.h>
#include <htslib/hfile.h>
#include <htslib/hts.h>
#include <htslib/kseq.h>
#include <htslib/synced_bcf_reader.h>
#include <htslib/vcf.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>

#include "base/fatal_error.h"
#include "base/text.h"
#include "input/input_file.h"

namespace phenostat {
namespace {

// htslib's own messages would go to stderr past ours: ours say it all.
void quiet_htslib() { hts_set_log_level(HTS_LOG_OFF); }

bool is_symbolic(const char* allele) { return allele[0] == '<' || std::strcmp(allele, "*") == 0; }

std::string unreadable_regions(const std::string& regions) {
    return strprintf("The regions '%s' cannot be read: give CHROM or CHROM:BEGIN-END, separated by commas.",
                     regions.c_str());
}

// htslib refuses a header that names an individual twice, without saying
// why: the message that names it, from the #CHROM line of a VCF's text;
// empty when the header has no such name.
std::string individual_named_twice(const std::string& path) {
    htsFile* file = hts_open(path.c_str(), "r");
    if (file == nullptr) return "";
    std::string line;
    kstring_t text = KS_INITIALIZE;
    if (hts_get_format(file)->format == vcf)
        while (hts_getline(file, KS_SEP_LINE, &text) >= 0 && text.l > 0 && text.s[0] == '#')
            if (std::strncmp(text.s, "#CHROM\t", 7) == 0) {
                line.assign(text.s, text.l);
                break;
            }
    ks_free(&text);
    hts_close(file);
    std::unordered_map<std::string_view, std::size_t> column_of;
    std::size_t column = 1;
    for (std::size_t begin = 0; begin <= line.size() && !line.empty(); ++column) {
        const std::size_t end = std::min(line.find('\t', begin), line.size());
        const std::string_view name = std::string_view(line).substr(begin, end - begin);
        begin = end + 1;
        if (column < 10) continue;  // the eight fixed columns and FORMAT
        if (const auto [at, added] = column_of.emplace(name, column); !added)
            return strprintf("The header of %s names the individual %s twice, in columns %zu and %zu: each "
                             "individual of a VCF file needs a name of its own.",
                             path.c_str(), std::string(name).c_str(), at->second, column);
    }
    return "";
}

// How to make a file whose regions can be read from one that is not bgzipped.
std::string not_bgzipped_message(const std::string& path) {
    const bool gz = path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
    const std::string plain = gz ? path.substr(0, path.size() - 3) : path;
    const std::string steps = gz ? strprintf("    gunzip %s\n    bgzip %s\n", path.c_str(), plain.c_str())
                                 : strprintf("    bgzip %s\n", path.c_str());
    return strprintf("Reading regions of %s needs the file compressed with bgzip and indexed, and it is %s. %s it "
                     "with\n%s    tabix -p vcf %s.gz      (or: bcftools index %s.gz)\nand give %s.gz as the data "
                     "file.",
                     path.c_str(), gz ? "compressed with gzip, not bgzip" : "not compressed",
                     gz ? "Unpack it, then compress and index" : "Compress and index", steps.c_str(), plain.c_str(),
                     plain.c_str(), plain.c_str());
}

}  // namespace

void check_regions(const std::string& regions) {
    if (regions.empty()) return;
    quiet_htslib();
    // Read as the synced reader reads them (bcf_sr_set_regions), without a file.
    bcf_sr_regions_t* read = bcf_sr_regions_init(regions.c_str(), 0, 0, 1, -2);
    if (read == nullptr) throw UsageError(unreadable_regions(regions));
    bcf_sr_regions_destroy(read);
}

bool is_variant_file(const std::string& path) {
    // A pipe cannot be looked into and then read again: it is read as our own format.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    quiet_htslib();
    htsFile* file = hts_open(path.c_str(), "r");
    if (file == nullptr) return false;
    const htsExactFormat format = hts_get_format(file)->format;
    hts_close(file);
    return format == vcf || format == bcf;
}

// Either a plain stream (the whole file) or a synced reader over regions.
struct VariantReader::Handles {
    htsFile* file = nullptr;
    bcf_hdr_t* header = nullptr;  // owned when reading the whole file
    bcf_srs_t* synced = nullptr;
    std::vector<bcf1_t*> batches[SLOTS];
    std::size_t records = 0;  // read so far

    ~Handles() {
        for (const std::vector<bcf1_t*>& batch : batches)
            for (bcf1_t* record : batch) bcf_destroy(record);
        if (synced != nullptr) bcf_sr_destroy(synced);
        if (header != nullptr) bcf_hdr_destroy(header);
        if (file != nullptr) hts_close(file);
    }
};

VariantReader::VariantReader(const std::string& path, const std::string& regions, int threads)
    : path_(path), handles_(std::make_unique<Handles>()) {
    quiet_htslib();
    Handles& h = *handles_;
    const bcf_hdr_t* header = nullptr;
    if (regions.empty()) {
        h.file = hts_open(path.c_str(), "r");
        if (h.file == nullptr) {
            const std::string reason = unreadable_reason(path);
            throw FatalError(strprintf("Opening the data file %s failed%s%s.", path.c_str(), reason.empty() ? "" : ": ",
                                       reason.c_str()));
        }
        if (threads > 1) hts_set_threads(h.file, threads);
        h.header = bcf_hdr_read(h.file);
        header = h.header;
    } else {
        h.synced = bcf_sr_init();
        if (bcf_sr_set_regions(h.synced, regions.c_str(), 0) != 0) throw UsageError(unreadable_regions(regions));
        if (threads > 1) bcf_sr_set_threads(h.synced, threads);
        if (bcf_sr_add_reader(h.synced, path.c_str()) == 0) {
            const bcf_sr_error error = h.synced->errnum;
            if (const std::string twice = individual_named_twice(path); !twice.empty()) throw FatalError(twice);
            if (error == idx_load_failed)
                throw FatalError(strprintf("Reading regions of %s needs its index, and it has none. Make one with\n"
                                           "    tabix -p vcf %s      (bgzipped VCF)\n    bcftools index %s    "
                                           "(bgzipped VCF or BCF).",
                                           path.c_str(), path.c_str(), path.c_str()));
            if (error == not_bgzf) throw FatalError(not_bgzipped_message(path));
            throw FatalError(strprintf("Opening the data file %s failed: %s.", path.c_str(), bcf_sr_strerror(error)));
        }
        header = bcf_sr_get_header(h.synced, 0);
    }
    if (header == nullptr) {
        if (const std::string twice = individual_named_twice(path); !twice.empty()) throw FatalError(twice);
        throw FatalError(strprintf("Reading the header of %s failed.", path.c_str()));
    }
    for (int s = 0; s < bcf_hdr_nsamples(header); ++s) individuals_.emplace_back(header->samples[s]);
}

VariantReader::~VariantReader() = default;

std::size_t VariantReader::read_batch(std::size_t slot, std::size_t count) {
    Handles& h = *handles_;
    std::vector<bcf1_t*>& batch = h.batches[slot];
    while (batch.size() < count) batch.push_back(bcf_init());
    std::size_t filled = 0;
    while (filled < count) {
        bcf1_t* record = batch[filled];
        if (h.synced != nullptr) {
            if (bcf_sr_next_line(h.synced) == 0) {
                if (h.synced->errnum != 0)
                    throw FatalError(strprintf("Reading %s failed: %s.", path_.c_str(),
                                               bcf_sr_strerror(h.synced->errnum)));
                break;
            }
            bcf_copy(record, bcf_sr_get_line(h.synced, 0));
        } else {
            const int status = bcf_read(h.file, h.header, record);
            if (status == -1) break;
            if (status < -1 || record->errcode != 0)
                throw FatalError(strprintf("Reading %s failed at its record %zu: the file is damaged or not valid "
                                           "VCF or BCF there.",
                                           path_.c_str(), h.records + 1));
        }
        ++filled;
        ++h.records;
    }
    return filled;
}

std::string VariantReader::site_alleles(std::size_t slot, std::size_t k) const {
    const Handles& h = *handles_;
    const bcf_hdr_t* header = h.synced != nullptr ? bcf_sr_get_header(h.synced, 0) : h.header;
    const bcf1_t* record = h.batches[slot][k];
    std::string text = strprintf("%s:%lld:%s:", bcf_seqname_safe(header, record),
                                 static_cast<long long>(record->pos) + 1,
                                 record->n_allele > 0 ? record->d.allele[0] : ".");
    for (int a = 1; a < record->n_allele; ++a) (text += a == 1 ? "" : ",") += record->d.allele[a];
    if (record->n_allele < 2) text += '.';
    return text;
}

std::uint64_t VariantReader::bytes_read() const {
    const htsFile* file = handles_->file;
    if (file == nullptr) return 0;
    const off_t at = file->is_bgzf ? file->fp.bgzf->block_address : htell(file->fp.hfile);
    return at > 0 ? static_cast<std::uint64_t>(at) : 0;
}

void VariantCells::append_text(std::uint64_t set, std::string& text) {
    bool first = true;
    for (; set != 0; set &= set - 1) {
        if (!first) text += ',';
        first = false;
        char digits[4];
        char* const end = digits + sizeof digits;
        char* at = end;
        for (int code = std::countr_zero(set) + 1; code > 0; code /= 10) *--at = static_cast<char>('0' + code % 10);
        text.append(at, static_cast<std::size_t>(end - at));
    }
}

namespace {

// The GT values of the record as stored (8, 16 or 32 bits), each one
// (allele + 1) << 1 | phased, 0 for a missing copy.
template <class Value>
void gather_sets(const bcf_fmt_t& gt, Value vector_end, Value missing, std::span<const std::size_t> columns,
                 PartialGenotypes partial, int allele_count, VariantCells& out) {
    const std::size_t ploidy = static_cast<std::size_t>(gt.n);
    for (const std::size_t column : columns) {
        // The values need not be aligned: read byte-wise.
        const std::uint8_t* copies = gt.p + column * ploidy * sizeof(Value);
        bool some_missing = false, some_called = false;
        std::uint64_t low = 0;
        out.codes.clear();
        std::size_t c = 0;
        for (; c < ploidy; ++c) {
            Value value;
            std::memcpy(&value, copies + c * sizeof(Value), sizeof(Value));
            if (value == vector_end) break;
            const int allele = value == missing ? -1 : (static_cast<int>(value) >> 1) - 1;
            some_called = some_called || allele >= 0;
            if (allele >= allele_count) {
                out.problem = strprintf("record %s: a GT names allele %d, but the alleles of the record are numbered "
                                        "0 to %d.",
                                        out.site.c_str(), allele, allele_count - 1);
                return;
            }
            // A symbolic copy stands for an allele not spelt out: an unknown copy.
            if (allele < 0 || out.symbolic[static_cast<std::size_t>(allele)]) {
                some_missing = true;
            } else {
                if (allele < VariantCells::MASK_ALLELES)
                    low |= std::uint64_t{1} << allele;
                else if (std::find(out.codes.begin(), out.codes.end(), allele + 1) == out.codes.end())
                    out.codes.push_back(allele + 1);
            }
        }
        if (some_called) {
            out.least_ploidy = out.least_ploidy == 0 ? c : std::min(out.least_ploidy, c);
            out.most_ploidy = std::max(out.most_ploidy, c);
        }
        if (some_missing && partial == PartialGenotypes::missing) {
            out.sets.push_back(0);
            continue;
        }
        if (out.codes.empty()) {
            out.sets.push_back(low);
            continue;
        }
        // Alleles past the mask: the cell's text, in ascending order of code.
        std::sort(out.codes.begin(), out.codes.end());
        VariantCells::append_text(low, out.text);
        for (const std::int32_t code : out.codes) {
            if (low != 0 || code != out.codes.front()) out.text += ',';
            out.text += std::to_string(code);
        }
        out.ends.push_back(static_cast<std::uint32_t>(out.text.size()));
        out.sets.push_back(VariantCells::TEXT);
    }
}

}  // namespace

void VariantReader::decode(std::size_t slot, std::size_t k, std::span<const std::size_t> columns,
                           PartialGenotypes partial, VariantCells& out) const {
    const Handles& h = *handles_;
    const bcf_hdr_t* header = h.synced != nullptr ? bcf_sr_get_header(h.synced, 0) : h.header;
    bcf1_t* record = h.batches[slot][k];
    bcf_unpack(record, BCF_UN_STR);
    out.site = strprintf("%s:%lld", bcf_seqname_safe(header, record), static_cast<long long>(record->pos) + 1);
    const char* id = record->d.id;
    out.name = id == nullptr || std::strcmp(id, ".") == 0 || id[0] == '\0' ? out.site : std::string(id);
    out.text.clear();
    out.ends.clear();
    out.sets.clear();
    out.problem.clear();
    out.least_ploidy = out.most_ploidy = 0;
    const bcf_fmt_t* gt = bcf_get_fmt(header, record, "GT");
    if (gt == nullptr || gt->p == nullptr) {
        out.problem = strprintf("record %s has no GT field: its genotypes cannot be read.", out.site.c_str());
        return;
    }
    out.symbolic.assign(record->n_allele, 0);
    for (int a = 0; a < record->n_allele; ++a) out.symbolic[a] = is_symbolic(record->d.allele[a]);
    switch (gt->type) {
        case BCF_BT_INT8:
            gather_sets<std::int8_t>(*gt, bcf_int8_vector_end, bcf_int8_missing, columns, partial, record->n_allele,
                                     out);
            break;
        case BCF_BT_INT16:
            gather_sets<std::int16_t>(*gt, bcf_int16_vector_end, bcf_int16_missing, columns, partial, record->n_allele,
                                      out);
            break;
        case BCF_BT_INT32:
            gather_sets<std::int32_t>(*gt, bcf_int32_vector_end, bcf_int32_missing, columns, partial, record->n_allele,
                                      out);
            break;
        default:
            out.problem = strprintf("record %s: its GT field is not made of integers.", out.site.c_str());
    }
}

}  // namespace phenostat
