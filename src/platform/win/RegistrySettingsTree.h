#pragma once
// The settings tree in the Windows registry, under one root key (the
// current user's branch for the program; a private key in the tests). Key
// paths are written "\Software\Velmora\Tessaline 0003": the leading and
// doubled backslashes are dropped before the registry sees them. Names and
// text values are UTF-8 here and UTF-16 in the registry.
#include <map>

#include "platform/SettingsTree.h"

namespace tess::win {

class RegistrySettingsTree : public SettingsTree {
public:
    // `root` is an HKEY; it stays open and owned by the caller.
    explicit RegistrySettingsTree(void* root);
    ~RegistrySettingsTree() override;

    SettingsStatus OpenKey(std::string_view path, SettingsAccess access,
                           SettingsKey& key) override;
    SettingsStatus CreateKey(std::string_view path, SettingsKey& key) override;
    SettingsStatus QueryValue(SettingsKey key, std::string_view name, uint32_t* type,
                              void* buffer, uint32_t* size) override;
    SettingsStatus SetValue(SettingsKey key, std::string_view name, uint32_t type,
                            const void* data, uint32_t size) override;
    SettingsStatus CloseKey(SettingsKey key) override;

private:
    struct Handle {
        void* hkey;
        SettingsAccess access;
        bool top;  // the root itself
    };
    void* root_;
    std::map<SettingsKey, Handle> handles_;
    SettingsKey nextHandle_ = 1;
};

}  // namespace tess::win
