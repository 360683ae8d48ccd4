#include "script/KeptScenario.h"

#include <filesystem>
#include <system_error>

#include "script/ScenarioText.h"

namespace tess {

namespace {

namespace fs = std::filesystem;

// Made by us, or ours already: only the owner can set a folder's mode, so
// a folder another user planted (or a link to one) fails here.
bool PrivateFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || fs::is_symlink(fs::symlink_status(folder, ec)) || !fs::is_directory(folder, ec)) return false;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec) return false;
    return (fs::status(folder, ec).permissions() & fs::perms::all) == fs::perms::owner_all && !ec;
}

}  // namespace

std::string KeepScenario(const std::vector<KeepFolder>& folders, const std::string& fileName,
                         const std::vector<std::string>& lines, std::string& tried) {
    for (const KeepFolder& folder : folders) {
        if (folder.path.empty()) continue;
        const fs::path dir = PathFromUtf8(folder.path);
        tried = folder.path + "/" + fileName;
        std::error_code ec;
        if (folder.userOnly ? !PrivateFolder(dir) : (fs::create_directories(dir, ec), ec.value() != 0))
            continue;
        std::string error;
        if (WriteScenarioFile(tried, lines, error)) return tried;
    }
    return {};
}

}  // namespace tess
