#include "reports/output_file.h"

#include "base/clock.h"
#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 16);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
        out.append(text.substr(start, end - start));
        out.append("\r\n");
    }
    out.append(text.substr(start));
    return out;
}

[[noreturn]] void open_failed(const std::string& path) {
    throw FatalError(strprintf("\nOpening %s failed!", path.c_str()));
}

[[noreturn]] void write_failed(const std::string& path) {
    throw FatalError(strprintf("\nWriting %s failed!", path.c_str()));
}

std::FILE* open_for_append(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) open_failed(path);
    return file;
}

bool write_translated(std::FILE* file, std::string_view text) {
    const std::string bytes = with_crlf(text);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

void append_to_file(const std::string& path, std::string_view text) {
    AppendFile file(path);
    file.write(text);
    file.close();
}

AppendFile::AppendFile(const std::string& path)
    : path_(path), file_(open_for_append(path), &std::fclose) {}

AppendFile::~AppendFile() = default;  // unique_ptr closes a file still open

void AppendFile::write(std::string_view text) {
    if (!file_) write_failed(path_);  // written after close()
    if (!write_translated(file_.get(), text)) write_failed(path_);
}

void AppendFile::close() {
    if (!file_) return;
    std::FILE* file = file_.release();
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) write_failed(path_);
}

std::string run_header_text(const std::string& input_name, std::time_t now) {
    // Fixed C-locale names, so the header never depends on the user's locale.
    static const char* const weekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&now, &local);
    const std::string date = strprintf("%s %s %02d %02d:%02d:%02d %4d\n", weekdays[local.tm_wday % 7],
                                       months[local.tm_mon % 12], local.tm_mday, local.tm_hour,
                                       local.tm_min, local.tm_sec, local.tm_year + 1900);
    std::string out =
        "***************************"
        "\n*    This is PHENOSTAT    *"
        "\n***************************"
        "\n\n";
    appendf(out, "\nCalculated from %s on %s", input_name.c_str(), date.c_str());
    return out;
}

void write_file_header(const std::string& output_path, const std::string& input_name) {
    append_to_file(output_path, run_header_text(input_name, current_time()));
}

}  // namespace phenostat
