#include "platform/xdg/ShellOpen.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <thread>

extern char** environ;

namespace tess::xdg {
namespace {

namespace fs = std::filesystem;

// "mailto:x", "https://x": a scheme of our own. "localhost:8080" and
// "www.example.com:80/x" are a host and port, not a scheme; neither is a
// one-letter drive name.
bool HasScheme(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    bool dotted = false;
    for (size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
        dotted = dotted || c == '.';
    }
    if (text.compare(colon, 3, "://") == 0) return true;
    const bool portFollows = colon + 1 < text.size() &&
                             std::isdigit(static_cast<unsigned char>(text[colon + 1]));
    return !dotted && !portFollows;
}

}  // namespace

std::string ShellOpenTarget(const std::string& text, const std::string& directory) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return {};
    std::error_code ec;
    fs::path base = directory.empty() ? fs::current_path(ec) : fs::absolute(directory, ec);
    const fs::path path = fs::path(text).is_absolute() ? fs::path(text) : base / text;
    if (text.front() == '/' || (!ec && fs::exists(path, ec)))
        return path.lexically_normal().string();
    if (HasScheme(text)) return text;
    return "http://" + text;
}

void ShellOpen(const std::string& text, const std::string& directory) {
    std::string target = ShellOpenTarget(text, directory);
    if (target.empty()) return;

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);

    // The handler starts a program of its own that should outlive us and not
    // share our Ctrl+C: its own process group, default signal handling.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);

    char program[] = "xdg-open";
    char* argv[] = {program, target.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program, &files, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    if (rc != 0) return;
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

}  // namespace tess::xdg
