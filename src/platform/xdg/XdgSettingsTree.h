#pragma once
// The settings tree kept in one per-user file. Each key is a section headed
// by its path; each value keeps its name, its numeric type code and its data.
// The file is read afresh when a key is opened and rewritten as a whole on
// every change (new file, then rename), so a crash never leaves half a file.
// A file that cannot be parsed counts as an empty tree; it is set aside as
// "<file>.damaged" before the first write replaces it.
#include <map>
#include <string>

#include "platform/SettingsTree.h"

namespace tess {

class XdgSettingsTree : public SettingsTree {
public:
    explicit XdgSettingsTree(std::string filePath);

    SettingsStatus OpenKey(std::string_view path, SettingsAccess access,
                           SettingsKey& key) override;
    SettingsStatus CreateKey(std::string_view path, SettingsKey& key) override;
    SettingsStatus QueryValue(SettingsKey key, std::string_view name, uint32_t* type,
                              void* buffer, uint32_t* size) override;
    SettingsStatus SetValue(SettingsKey key, std::string_view name, uint32_t type,
                            const void* data, uint32_t size) override;
    SettingsStatus CloseKey(SettingsKey key) override;
    void BeginBatch() override;
    SettingsStatus EndBatch() override;

    const std::string& FilePath() const { return path_; }

    struct Value {
        std::string name;  // as written
        uint32_t type = 0;
        std::string data;
    };
    struct Key {
        std::string path;                    // as written, "\A\B"
        std::map<std::string, Value> values;  // by lower-case name
    };
    using Tree = std::map<std::string, Key>;  // by lower-case path

private:
    enum class FileState { Missing, Read, Damaged, Unreadable };
    void Load();
    SettingsStatus Save();
    // Load and Save, once each within a batch.
    void Refresh();
    SettingsStatus Commit();
    bool DirectoryWritable() const;

    std::string path_;
    Tree tree_;
    FileState state_ = FileState::Missing;
    bool batch_ = false;
    bool batchLoaded_ = false;
    bool dirty_ = false;
    struct Handle {
        std::string key;  // lower-case path
        SettingsAccess access;
        std::string path;  // as opened, "\A\B"
    };
    std::map<SettingsKey, Handle> handles_;
    SettingsKey nextHandle_ = 1;
};

// Parsing and writing of the file's text; exposed for the tests.
bool ParseSettingsText(const std::string& text, XdgSettingsTree::Tree& tree);
std::string FormatSettingsText(const XdgSettingsTree::Tree& tree);
// "\Software\\X\" -> "\Software\X"; false when the path cannot be held.
bool NormalizeKeyPath(std::string_view path, std::string& normalized);
// ASCII lower case: keys and names compare without regard to case.
std::string SettingsLower(std::string_view s);
// The key at a normalized, non-empty path, made with any missing parents.
XdgSettingsTree::Key& AddSettingsKey(XdgSettingsTree::Tree& tree, const std::string& path);
// Where the current user's tree lives: $XDG_CONFIG_HOME or ~/.config.
std::string UserSettingsFilePath();

}  // namespace tess
