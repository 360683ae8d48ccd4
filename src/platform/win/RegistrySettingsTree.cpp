#include "platform/win/RegistrySettingsTree.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/WideText.h"

namespace tess::win {

namespace {

constexpr uint32_t kMaxDataSize = 1u << 20;

HKEY AsKey(void* key) { return static_cast<HKEY>(key); }

// "\Software\\X\" -> "Software\X"; false for a name the other stores refuse.
bool RegistryPath(std::string_view path, std::wstring& out) {
    std::string joined;
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t end = path.find('\\', i);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(i, end - i);
        if (!part.empty()) {
            for (unsigned char c : part)
                if (c < ' ') return false;
            if (!joined.empty()) joined += '\\';
            joined += part;
        }
        i = end + 1;
    }
    if (joined.size() > 4096) return false;
    out = WideFromUtf8(joined);
    return true;
}

SettingsStatus StatusOf(LONG error, SettingsStatus otherwise) {
    switch (error) {
    case ERROR_SUCCESS: return SettingsStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return SettingsStatus::NotFound;
    case ERROR_ACCESS_DENIED: return SettingsStatus::AccessDenied;
    case ERROR_MORE_DATA: return SettingsStatus::MoreData;
    case ERROR_INVALID_HANDLE: return SettingsStatus::InvalidHandle;
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return SettingsStatus::InvalidName;
    default: return otherwise;
    }
}

bool IsText(uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

RegistrySettingsTree::RegistrySettingsTree(void* root) : root_(root) {}

RegistrySettingsTree::~RegistrySettingsTree() {
    for (const auto& [key, handle] : handles_) ::RegCloseKey(AsKey(handle.hkey));
}

SettingsStatus RegistrySettingsTree::OpenKey(std::string_view path, SettingsAccess access,
                                             SettingsKey& key) {
    key = 0;
    std::wstring wide;
    if (!RegistryPath(path, wide)) return SettingsStatus::InvalidName;
    HKEY opened = nullptr;
    const REGSAM rights = access == SettingsAccess::AllAccess ? KEY_ALL_ACCESS : KEY_READ;
    const LONG error = ::RegOpenKeyExW(AsKey(root_), wide.c_str(), 0, rights, &opened);
    if (error != ERROR_SUCCESS) return StatusOf(error, SettingsStatus::AccessDenied);
    key = nextHandle_++;
    handles_[key] = Handle{opened, access, wide.empty()};
    return SettingsStatus::Ok;
}

SettingsStatus RegistrySettingsTree::CreateKey(std::string_view path, SettingsKey& key) {
    key = 0;
    std::wstring wide;
    if (!RegistryPath(path, wide)) return SettingsStatus::InvalidName;
    HKEY created = nullptr;
    const LONG error = ::RegCreateKeyExW(AsKey(root_), wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_ALL_ACCESS, nullptr, &created, nullptr);
    if (error != ERROR_SUCCESS) return StatusOf(error, SettingsStatus::WriteFailed);
    key = nextHandle_++;
    handles_[key] = Handle{created, SettingsAccess::AllAccess, wide.empty()};
    return SettingsStatus::Ok;
}

SettingsStatus RegistrySettingsTree::QueryValue(SettingsKey key, std::string_view name,
                                                uint32_t* type, void* buffer, uint32_t* size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return SettingsStatus::InvalidHandle;
    if (buffer && !size) return SettingsStatus::InvalidName;
    const std::wstring wideName = WideFromUtf8(name);
    DWORD valueType = 0;
    DWORD bytes = 0;
    LONG error = ::RegQueryValueExW(AsKey(h->second.hkey), wideName.c_str(), nullptr, &valueType, nullptr, &bytes);
    if (error != ERROR_SUCCESS) return StatusOf(error, SettingsStatus::NotFound);
    // Read the whole value: text is handed out as UTF-8, so its size here
    // is known only after the conversion.
    std::vector<BYTE> data(bytes);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD got = static_cast<DWORD>(data.size());
        error = ::RegQueryValueExW(AsKey(h->second.hkey), wideName.c_str(), nullptr, &valueType,
                                   data.empty() ? nullptr : data.data(), &got);
        if (error == ERROR_MORE_DATA) {
            data.resize(got);
            continue;
        }
        data.resize(error == ERROR_SUCCESS ? got : 0);
        break;
    }
    if (error != ERROR_SUCCESS) return StatusOf(error, SettingsStatus::NotFound);
    std::string value(data.begin(), data.end());
    if (IsText(valueType)) {
        std::wstring wide(data.size() / sizeof(wchar_t), L'\0');
        std::memcpy(wide.data(), data.data(), wide.size() * sizeof(wchar_t));
        // The terminator the registry's strings carry is not data.
        if (!wide.empty() && wide.back() == L'\0') wide.pop_back();
        value = Utf8FromWide(wide);
    }
    if (type) *type = valueType;
    const auto needed = static_cast<uint32_t>(value.size());
    if (buffer) {
        if (*size < needed) {
            *size = needed;
            return SettingsStatus::MoreData;
        }
        std::memcpy(buffer, value.data(), needed);
    }
    if (size) *size = needed;
    return SettingsStatus::Ok;
}

SettingsStatus RegistrySettingsTree::SetValue(SettingsKey key, std::string_view name, uint32_t type,
                                              const void* data, uint32_t size) {
    const auto h = handles_.find(key);
    if (h == handles_.end() || h->second.access != SettingsAccess::AllAccess)
        return SettingsStatus::InvalidHandle;
    if (size > kMaxDataSize || (size && !data)) return SettingsStatus::InvalidName;
    // Values live under a named key, never at the top, as in every store.
    if (h->second.top) return SettingsStatus::InvalidName;
    std::string bytes(static_cast<const char*>(data), size);
    if (IsText(type)) {
        // Stored with a terminator, as the registry's strings are; reading
        // drops it again, so the data comes back as written.
        const std::wstring wide = WideFromUtf8(bytes) + L'\0';
        bytes.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    }
    const std::wstring wideName = WideFromUtf8(name);
    const LONG error = ::RegSetValueExW(AsKey(h->second.hkey), wideName.c_str(), 0, type,
                                        reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<DWORD>(bytes.size()));
    return StatusOf(error, SettingsStatus::WriteFailed);
}

SettingsStatus RegistrySettingsTree::CloseKey(SettingsKey key) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return SettingsStatus::InvalidHandle;
    ::RegCloseKey(AsKey(h->second.hkey));
    handles_.erase(h);
    return SettingsStatus::Ok;
}

}  // namespace tess::win

namespace tess {

std::unique_ptr<SettingsTree> CreateUserSettingsTree() {
    return std::make_unique<win::RegistrySettingsTree>(HKEY_CURRENT_USER);
}

}  // namespace tess
