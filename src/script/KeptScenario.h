#pragma once
// Keeping a scenario that cannot go where it belongs (an unsaved scenario at
// a signal, a recording whose file cannot be written): a file of its own in
// the first of several folders that takes it.
#include <string>
#include <vector>

namespace tess {

struct KeepFolder {
    std::string path;
    // A shared place (the runtime or the temporary folder): the folder is
    // used only when it is a real folder this user alone can enter.
    bool userOnly = false;
};

// Writes `lines` as `fileName` in the first folder of `folders` that can be
// made and written; returns the path written, or empty when none took it,
// with `tried` the path of the last attempt (for the user's message).
std::string KeepScenario(const std::vector<KeepFolder>& folders, const std::string& fileName,
                         const std::vector<std::string>& lines, std::string& tried);

}  // namespace tess
