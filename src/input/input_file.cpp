#include "input/input_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {

std::string file_bytes(const std::string& path) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);  // an error for anything but a regular file
    return error ? "NA" : std::to_string(bytes);
}

std::string unreadable_reason(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return "it is a folder";
    // Not blocking: a named pipe without a writer yet opens at once.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        close(fd);
        return "";
    }
    switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return "no such file";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EISDIR:
            return "it is a folder";
        default: {
            std::string reason = std::strerror(errno);
            if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z') reason[0] = static_cast<char>(reason[0] + 32);
            return reason;
        }
    }
}

void require_readable(const std::string& path, const char* what) {
    const std::string reason = unreadable_reason(path);
    if (!reason.empty())
        throw FatalError(strprintf("Opening the %s %s failed: %s.", what, path.c_str(), reason.c_str()));
}

}  // namespace phenostat
