#include "app/tables_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "app/table_list.h"
#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

namespace fs = std::filesystem;

// A new folder named `prefix` and six random characters, with the permissions
// an ordinary mkdir would give it (mkdtemp gives 0700).
std::string make_folder_beside(const std::string& prefix) {
    std::string name = prefix + "XXXXXX";
    if (mkdtemp(name.data()) == nullptr)
        throw FatalError(strprintf("Creating the folder %s failed: %s.", name.c_str(), std::strerror(errno)));
    const mode_t mask = umask(0);
    umask(mask);
    std::error_code ignored;
    fs::permissions(name, static_cast<fs::perms>(0777 & ~mask), ignored);
    return name;
}

void check_target(const std::string& target, const std::vector<std::string>& files, bool overwrite) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(target, error))) return;
    const fs::file_status status = fs::status(target, error);  // a link to a folder will do
    if (!fs::is_directory(status)) throw FatalError(strprintf("%s exists and is not a folder.", target.c_str()));
    if (!overwrite) {
        // The tables another run left stay; the ones this run writes must be
        // new, in either form (loci.tsv beside loci.tsv.gz would be two runs').
        for (const std::string& written : files)
            for (const std::string& name : {written, other_form(written)})
                if (fs::exists(fs::symlink_status(target + "/" + name, error)))
                    throw FatalError(strprintf("%s/%s exists from an earlier run: give --overwrite to replace the "
                                               "output files, --out for another stem, or --no-tables.",
                                               target.c_str(), name.c_str()));
        return;
    }
    // --overwrite replaces the folder as a whole: never one holding files of
    // the user's own.
    for (const fs::directory_entry& entry : fs::directory_iterator(target, error)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file(error) || !is_table_file(name))
            throw FatalError(strprintf("%s holds %s, which phenostat does not write: --overwrite replaces the whole "
                                       "folder, so move that away or choose another --out.",
                                       target.c_str(), name.c_str()));
    }
    if (error)
        throw FatalError(strprintf("Reading the folder %s failed: %s.", target.c_str(), error.message().c_str()));
}

}  // namespace

TablesFolder::TablesFolder(const RunPlan& plan)
    : target_(plan.tables_folder), files_(tables_written(plan)), overwrite_(plan.overwrite) {
    check_target(target_, files_, overwrite_);
    const fs::path parent = fs::path(target_).parent_path();
    std::error_code error;
    if (!parent.empty()) fs::create_directories(parent, error);
    if (error)
        throw FatalError(strprintf("Creating the folder %s failed: %s.", parent.c_str(), error.message().c_str()));
    // A run stopped by a signal (Ctrl-C, kill, a closed terminal) leaves no
    // partial folder either: the tables written so far, then the folder.
    cleanup_.hold([&] {
        partial_ = make_folder_beside(target_ + ".partial-");
        std::vector<std::string> paths;
        for (const std::string& name : files_) paths.push_back(partial_ + "/" + name);
        paths.push_back(partial_);
        return paths;
    });
}

void TablesFolder::check(const RunPlan& plan) {
    check_target(plan.tables_folder, tables_written(plan), plan.overwrite);
}

TablesFolder::~TablesFolder() {
    cleanup_.release();
    if (committed_) return;
    std::error_code ignored;
    fs::remove_all(partial_, ignored);
}

void TablesFolder::commit() {
    cleanup_.release();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(target_, error))) {
        fs::rename(partial_, target_, error);
        if (error)
            throw FatalError(strprintf("Moving the tables to %s failed: %s.", target_.c_str(),
                                       error.message().c_str()));
    } else if (overwrite_) {
        check_target(target_, files_, true);  // as it is now, not as it was when the run began
        replace_target();
    } else {
        move_each_table_in();
    }
    committed_ = true;
}

// The earlier folder moves aside, the new one takes its name, then the
// earlier one goes; should the second move fail, the first is undone.
void TablesFolder::replace_target() {
    const std::string aside = make_folder_beside(target_ + ".old-");
    std::error_code error;
    fs::rename(target_, aside, error);  // onto the empty folder just made
    if (!error) {
        fs::rename(partial_, target_, error);
        if (error) {
            std::error_code ignored;
            fs::rename(aside, target_, ignored);
        }
    }
    if (error) {
        std::error_code ignored;
        fs::remove(aside, ignored);  // only while it is still empty
        throw FatalError(strprintf("Replacing the tables in %s failed: %s.", target_.c_str(), error.message().c_str()));
    }
    fs::remove_all(aside, error);
}

void TablesFolder::move_each_table_in() {
    std::vector<std::string> moved;
    std::error_code error;
    for (const std::string& name : files_) {
        const std::string destination = target_ + "/" + name;
        if (fs::exists(fs::symlink_status(destination, error))) {
            error = std::make_error_code(std::errc::file_exists);
        } else {
            fs::rename(partial_ + "/" + name, destination, error);
        }
        if (error) {
            for (const std::string& back : moved) {
                std::error_code ignored;
                fs::rename(target_ + "/" + back, partial_ + "/" + back, ignored);
            }
            throw FatalError(strprintf("Moving the table %s into %s failed: %s.", name.c_str(), target_.c_str(),
                                       error.message().c_str()));
        }
        moved.push_back(name);
    }
    fs::remove(partial_, error);
}

std::string TablesFolder::named_as_target(std::string message) const {
    for (std::size_t at; !partial_.empty() && (at = message.find(partial_)) != std::string::npos;)
        message.replace(at, partial_.size(), target_);
    return message;
}

}  // namespace phenostat
