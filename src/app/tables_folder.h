#pragma once
// A run's tidy tables, all or nothing: they are written into a folder of
// their own beside the tables folder (STEM_tables.partial-XXXXXX) and moved
// into place only once every one is written and closed. A run that stops
// before, by an error or by a signal (SIGINT, SIGTERM, SIGHUP), leaves the
// earlier tables as they were and no partial folder.
//
// Into place means: the partial folder becomes the tables folder when there
// is none; with --overwrite it replaces the earlier one as a whole (which
// must hold nothing but tables this program writes); without, each new table
// is moved in beside the earlier run's others (none of which it may replace).

#include <string>
#include <vector>

#include "app/run_plan.h"
#include "app/signal_cleanup.h"

namespace phenostat {

class TablesFolder {
public:
    // Checks the tables folder of `plan` against the rules above and makes
    // the partial folder (FatalError when either fails, nothing made).
    explicit TablesFolder(const RunPlan& plan);
    // The refusals the constructor would meet, met without making anything:
    // a run meets them before it reads the data.
    static void check(const RunPlan& plan);
    TablesFolder(const TablesFolder&) = delete;
    TablesFolder& operator=(const TablesFolder&) = delete;
    // Removes the partial folder, unless committed.
    ~TablesFolder();

    // Where the run writes its tables.
    const std::string& path() const { return partial_; }
    // Moves the tables into place (FatalError when that fails, the earlier
    // tables put back as they were).
    void commit();
    // `message` with the partial folder's name replaced by the tables
    // folder's, since the partial one is gone when the message is read.
    std::string named_as_target(std::string message) const;

private:
    void move_each_table_in();
    void replace_target();

    std::string target_, partial_;
    std::vector<std::string> files_;
    bool overwrite_;
    bool committed_ = false;
    SignalCleanup cleanup_;  // armed first, before the partial folder exists
};

}  // namespace phenostat
