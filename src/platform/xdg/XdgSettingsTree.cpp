#include "platform/xdg/XdgSettingsTree.h"

#include <utility>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {
namespace {

std::string DirectoryOf(const std::string& file) {
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// mkdir -p; true when the directory exists afterwards.
bool MakeDirectories(const std::string& dir) {
    if (dir.empty()) return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = dir.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string UserSettingsFilePath() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/tessaline-0003/settings-tree";
}

std::unique_ptr<SettingsTree> CreateUserSettingsTree() {
    return std::make_unique<XdgSettingsTree>(UserSettingsFilePath());
}

XdgSettingsTree::XdgSettingsTree(std::string filePath) : path_(std::move(filePath)) {}

void XdgSettingsTree::Load() {
    tree_.clear();
    // Opened without waiting, then checked: a pipe in the file's place
    // would otherwise hold the window before it shows.
    int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        state_ = errno == ENOENT ? FileState::Missing : FileState::Unreadable;
        return;
    }
    struct stat st {};
    std::string text;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < (64 << 20);
    char chunk[8192];
    while (ok) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) {
        state_ = FileState::Unreadable;
        return;
    }
    state_ = ParseSettingsText(text, tree_) ? FileState::Read : FileState::Damaged;
    if (state_ == FileState::Damaged) tree_.clear();
}

bool XdgSettingsTree::DirectoryWritable() const {
    std::string dir = DirectoryOf(path_);
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0) return true;  // created on the first write
    return access(dir.c_str(), W_OK) == 0;
}

SettingsStatus XdgSettingsTree::Save() {
    // A file that exists but could not be read is never overwritten: what it
    // holds is unknown, not absent.
    if (state_ == FileState::Unreadable) return SettingsStatus::WriteFailed;
    std::string dir = DirectoryOf(path_);
    if (!MakeDirectories(dir)) return SettingsStatus::WriteFailed;
    if (state_ == FileState::Damaged) {
        std::string aside = path_ + ".damaged";
        if (std::rename(path_.c_str(), aside.c_str()) != 0 && errno != ENOENT)
            return SettingsStatus::WriteFailed;
    }
    std::string temp = path_ + ".new-" + std::to_string(getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return SettingsStatus::WriteFailed;
    bool ok = WriteAll(fd, FormatSettingsText(tree_)) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path_.c_str()) != 0) {
        std::remove(temp.c_str());
        return SettingsStatus::WriteFailed;
    }
    // The new name lives in the folder: flushed too, so that a power loss
    // does not bring the old file back, or none at all.
    if (int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dirFd >= 0) {
        fsync(dirFd);
        ::close(dirFd);
    }
    state_ = FileState::Read;
    return SettingsStatus::Ok;
}

SettingsStatus XdgSettingsTree::OpenKey(std::string_view path, SettingsAccess access,
                                        SettingsKey& key) {
    key = 0;
    std::string normalized;
    if (!NormalizeKeyPath(path, normalized)) return SettingsStatus::InvalidName;
    Refresh();
    if (state_ == FileState::Unreadable) return SettingsStatus::AccessDenied;
    std::string lower = SettingsLower(normalized);
    if (!normalized.empty() && !tree_.count(lower)) return SettingsStatus::NotFound;
    if (access == SettingsAccess::AllAccess && !DirectoryWritable())
        return SettingsStatus::AccessDenied;
    key = nextHandle_++;
    handles_[key] = Handle{lower, access, normalized};
    return SettingsStatus::Ok;
}

SettingsStatus XdgSettingsTree::CreateKey(std::string_view path, SettingsKey& key) {
    key = 0;
    std::string normalized;
    if (!NormalizeKeyPath(path, normalized)) return SettingsStatus::InvalidName;
    Refresh();
    if (state_ == FileState::Unreadable) return SettingsStatus::AccessDenied;
    std::string lower = SettingsLower(normalized);
    if (!normalized.empty() && !tree_.count(lower)) {
        AddSettingsKey(tree_, normalized);
        if (SettingsStatus s = Commit(); s != SettingsStatus::Ok) return s;
    }
    key = nextHandle_++;
    handles_[key] = Handle{lower, SettingsAccess::AllAccess, normalized};
    return SettingsStatus::Ok;
}

SettingsStatus XdgSettingsTree::QueryValue(SettingsKey key, std::string_view name,
                                           uint32_t* type, void* buffer, uint32_t* size) {
    auto h = handles_.find(key);
    if (h == handles_.end()) return SettingsStatus::InvalidHandle;
    auto k = tree_.find(h->second.key);
    if (k == tree_.end()) return SettingsStatus::NotFound;
    auto v = k->second.values.find(SettingsLower(name));
    if (v == k->second.values.end()) return SettingsStatus::NotFound;
    const Value& value = v->second;
    if (type) *type = value.type;
    uint32_t needed = static_cast<uint32_t>(value.data.size());
    if (buffer) {
        if (!size) return SettingsStatus::InvalidName;
        if (*size < needed) {
            *size = needed;
            return SettingsStatus::MoreData;
        }
        std::memcpy(buffer, value.data.data(), needed);
    }
    if (size) *size = needed;
    return SettingsStatus::Ok;
}

SettingsStatus XdgSettingsTree::SetValue(SettingsKey key, std::string_view name, uint32_t type,
                                         const void* data, uint32_t size) {
    auto h = handles_.find(key);
    if (h == handles_.end() || h->second.access != SettingsAccess::AllAccess)
        return SettingsStatus::InvalidHandle;
    if (size > (1u << 20) || (size && !data)) return SettingsStatus::InvalidName;
    // The file holds values only under a named key, none at the top.
    if (h->second.path.empty()) return SettingsStatus::InvalidName;
    // Start from what is on disk now, so another copy's keys are kept. The
    // key may have gone from the file since it was opened; it comes back
    // with its parents under the path it was opened with.
    const Handle handle = h->second;
    Refresh();
    Key& k = AddSettingsKey(tree_, handle.path);
    Value& v = k.values[SettingsLower(name)];
    v.name = std::string(name);
    v.type = type;
    v.data.assign(static_cast<const char*>(data), size);
    return Commit();
}

SettingsStatus XdgSettingsTree::CloseKey(SettingsKey key) {
    return handles_.erase(key) ? SettingsStatus::Ok : SettingsStatus::InvalidHandle;
}

void XdgSettingsTree::Refresh() {
    if (batch_ && batchLoaded_) return;
    Load();
    batchLoaded_ = batch_;
}

SettingsStatus XdgSettingsTree::Commit() {
    if (!batch_) return Save();
    if (state_ == FileState::Unreadable) return SettingsStatus::WriteFailed;
    dirty_ = true;
    return SettingsStatus::Ok;
}

void XdgSettingsTree::BeginBatch() {
    batch_ = true;
    batchLoaded_ = false;
}

SettingsStatus XdgSettingsTree::EndBatch() {
    batch_ = false;
    batchLoaded_ = false;
    if (!std::exchange(dirty_, false)) return SettingsStatus::Ok;
    return Save();
}

}  // namespace tess
