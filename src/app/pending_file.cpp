#include "app/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
PendingFile::PendingFile(std::string path, bool replace, std::string_view text)
    : path_(std::move(path)), partial_(path_ + ".partial-XXXXXX"), replace_(replace) {
    const int fd = mkstemp(partial_.data());
    if (fd < 0) throw FatalError(strprintf("Creating %s failed: %s.", partial_.c_str(), std::strerror(errno)));
    // The permissions an ordinary file would get (mkstemp gives 0600).
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t step = ::write(fd, text.data() + written, text.size() - written);
        if (step < 0 && errno == EINTR) continue;
        if (step == 0) errno = EIO;  // stopped short without saying why
        if (step <= 0) break;
        written += static_cast<std::size_t>(step);
    }
    const int problem = written < text.size() ? errno : 0;
    if (::close(fd) != 0 || problem != 0) {
        const int reason = problem != 0 ? problem : errno;
        unlink(partial_.c_str());
        throw FatalError(strprintf("Writing %s failed: %s.", path_.c_str(), std::strerror(reason)));
    }
}

PendingFile::~PendingFile() {
    if (!committed_) unlink(partial_.c_str());
}

void PendingFile::commit() {
    // Without `replace`, a link refuses a file that is there (rename would replace it).
    int status = replace_ ? std::rename(partial_.c_str(), path_.c_str()) : link(partial_.c_str(), path_.c_str());
    if (status != 0 && !replace_ && (errno == EPERM || errno == EOPNOTSUPP)) {  // a file system without links
        struct stat there;
        status = lstat(path_.c_str(), &there) == 0 ? (errno = EEXIST, -1)
                                                   : std::rename(partial_.c_str(), path_.c_str());
        if (status == 0) replace_ = true;  // moved, not linked
    }
    if (status != 0) {
        const int reason = errno;
        if (reason == EEXIST) throw FatalError(strprintf("%s exists: give --overwrite to replace it.", path_.c_str()));
        throw FatalError(strprintf("Moving the page to %s failed: %s.", path_.c_str(), std::strerror(reason)));
    }
    if (!replace_) unlink(partial_.c_str());
    committed_ = true;
}

}  // namespace phenostat
