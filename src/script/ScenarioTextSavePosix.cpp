// Saving a scenario file so that no failure and no crash damages what was
// there: the new text goes into an unnamed file in the target's folder, is
// flushed, and takes the target's name in one step; the folder is flushed
// after it. A link is followed and the file keeps its mode. When the folder
// takes no new file but the file itself may be written, the file is written
// in place, once a copy of its old content has been kept elsewhere.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "script/ScenarioText.h"

namespace tess {
namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of links ends at (the path itself when it is no link).
bool FollowLinks(std::string& path, std::string& error) {
    for (int hops = 0; hops < 40; ++hops) {
        char target[4096];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0) return true;
        target[n] = '\0';
        path = target[0] == '/' ? std::string(target) : FolderOf(path) + "/" + target;
    }
    error = Reason(ELOOP);
    return false;
}

bool WriteAll(int fd, const std::string& bytes, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string RandomSuffix() {
    static std::mt19937_64 random{std::random_device{}() ^ std::uint64_t(::getpid())};
    char text[20];
    std::snprintf(text, sizeof text, "%012llx",
                  static_cast<unsigned long long>(random() & 0xffffffffffffULL));
    return text;
}

// Opens a new file in `folder` for writing: unnamed where the system allows
// (a process killed meanwhile leaves nothing behind), else under a fresh
// name that `named` receives.
int OpenNewFile(const std::string& folder, const std::string& base, mode_t mode,
                std::string& named) {
    named.clear();
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        named = folder + "/." + base + "." + RandomSuffix() + "~";
        fd = ::open(named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) break;
    }
    if (fd < 0) named.clear();
    return fd;
}

// Gives the unnamed (or temporarily named) file the target's name.
bool Publish(int fd, const std::string& named, const std::string& folder,
             const std::string& base, const std::string& target, int& error) {
    std::string from = named;
    if (from.empty()) {
        const std::string proc = "/proc/self/fd/" + std::to_string(fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            from = folder + "/." + base + "." + RandomSuffix() + "~";
            if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, from.c_str(), AT_SYMLINK_FOLLOW) == 0)
                break;
            error = errno;
            from.clear();
            if (error != EEXIST) return false;
        }
        if (from.empty()) return false;
    }
    if (::rename(from.c_str(), target.c_str()) == 0) return true;
    error = errno;
    ::unlink(from.c_str());
    return false;
}

// The new file beside the target, replacing it in one step.
// Returns 0 on success, else the error number.
int ReplaceFile(const std::string& target, const std::string& bytes, bool exists,
                const struct stat& old) {
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    const mode_t mode = exists ? (old.st_mode & 07777) : 0666;
    std::string named;
    const int fd = OpenNewFile(folder, base, exists ? 0600 : mode, named);
    if (fd < 0) return errno;
    int error = 0;
    bool ok = WriteAll(fd, bytes, error);
    if (ok && exists) {
        // Same owner where allowed, then the old mode (after the owner, which
        // would clear set-id bits).
        [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
        if (::fchmod(fd, mode) != 0) ok = false, error = errno;
    }
    if (ok && ::fsync(fd) != 0) ok = false, error = errno;
    if (ok) ok = Publish(fd, named, folder, base, target, error);
    ::close(fd);
    if (!ok && !named.empty()) ::unlink(named.c_str());
    if (!ok) return error;
    FlushFolder(folder);
    return 0;
}

std::string ReadAll(int fd, bool& ok) {
    std::string out;
    char chunk[65536];
    ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) return out;
        out.append(chunk, std::size_t(n));
    }
}

// The folder takes no new file: the target itself is rewritten, after its
// old content has been flushed to a copy in `copyFolder`. Should the write
// fail, the old content is put back; the copy goes once all is well.
bool WriteInPlace(const std::string& target, const std::string& bytes,
                  const std::string& copyFolder, std::string& error) {
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    bool ok = true;
    const std::string old = ReadAll(fd, ok);
    // A named copy: should the program die half-way, it is still there.
    std::string copy;
    int copyFd = -1, copyError = 0;
    if (ok) {
        std::error_code ignored;
        std::filesystem::create_directories(copyFolder, ignored);
        const std::string base = target.substr(target.rfind('/') + 1);
        for (int attempt = 0; attempt < 100 && copyFd < 0; ++attempt) {
            copy = copyFolder + "/" + base + "." + RandomSuffix() + ".old";
            copyFd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (copyFd < 0 && errno != EEXIST) break;
        }
        if (copyFd < 0) copyError = errno, copy.clear();
    }
    if (!ok || copyFd < 0 || !WriteAll(copyFd, old, copyError) || ::fsync(copyFd) != 0) {
        const int reason = !ok ? EIO : copyError ? copyError : errno;
        if (copyFd >= 0) ::close(copyFd);
        if (!copy.empty()) ::unlink(copy.c_str());
        ::close(fd);
        error = "its folder takes no new file, and no copy of the old content could be kept "
                "before writing over it (" + Reason(reason) + ")";
        return false;
    }
    ::close(copyFd);
    int writeError = 0;
    bool written = ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes, writeError) &&
                   ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
    if (!written) {
        if (!writeError) writeError = errno;
        int ignored = 0;
        const bool restored = ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, old, ignored) &&
                              ::ftruncate(fd, off_t(old.size())) == 0 && ::fsync(fd) == 0;
        ::close(fd);
        error = Reason(writeError);
        if (restored)
            ::unlink(copy.c_str());
        else
            error += "; its old content is kept in '" + copy + "'";
        return false;
    }
    ::close(fd);
    ::unlink(copy.c_str());
    return true;
}

}  // namespace

bool WriteScenarioFile(const std::string& path, const std::vector<std::string>& lines,
                       std::string& error, const std::string& copyFolder) {
    std::string target = path;
    if (!FollowLinks(target, error)) return false;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        error = "it is a folder";
        return false;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        error = "it is not a plain file";
        return false;
    }
    const std::string bytes = EncodeScenario(lines);
    const int failed = ReplaceFile(target, bytes, exists, old);
    if (failed == 0) return true;
    const bool folderClosed = failed == EACCES || failed == EPERM || failed == EROFS;
    if (!exists || !folderClosed || ::access(target.c_str(), W_OK) != 0) {
        error = Reason(failed);
        return false;
    }
    const std::string copies =
        copyFolder.empty() ? std::filesystem::temp_directory_path().string() : copyFolder;
    return WriteInPlace(target, bytes, copies, error);
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
    // Opened without waiting, then checked: a pipe or a device put in the
    // file's place after any earlier look would otherwise hold the program
    // for good, or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int reason = errno;
        error = path + (reason == ENOENT ? ": no such file" : ": cannot be read (" + Reason(reason) + ")");
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = path + (S_ISDIR(st.st_mode) ? ": is a directory, not a scenario file"
                                            : ": is not a plain file, not a scenario file");
        return false;
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxScenarioBytes) {
        ::close(fd);
        error = path + ": it is larger than " + std::to_string(kMaxScenarioBytes >> 20) +
                " MiB, which no scenario is";
        return false;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int reason = errno;
            ::close(fd);
            error = path + ": cannot be read (" + Reason(reason) + ")";
            return false;
        }
        if (n == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxScenarioBytes) break;  // refused by the size check
    }
    ::close(fd);
    return true;
}

}  // namespace tess
