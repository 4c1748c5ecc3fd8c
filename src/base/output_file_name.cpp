#include "base/output_file_name.h"

namespace phenostat {

std::FILE* open_output(const std::string& path) {
    return is_standard_output(path) ? stdout : std::fopen(path.c_str(), "wb");
}

bool close_output(std::FILE* file) {
    if (file != stdout) return std::fclose(file) == 0;
    return std::fflush(file) == 0 && std::ferror(file) == 0;
}

}  // namespace phenostat
