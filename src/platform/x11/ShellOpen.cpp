#include "platform/x11/ShellOpen.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

extern char** environ;

namespace tess::x11 {
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

// The handler's full path, looked up before forking: the child only calls
// what is safe after fork() in a program with threads.
std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

}  // namespace

std::string ShellOpenTarget(const std::string& text, const std::string& directory) {
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return {};
    std::error_code ec;
    fs::path base = directory.empty() ? fs::current_path(ec) : fs::absolute(directory, ec);
    const fs::path path = fs::path(text).is_absolute() ? fs::path(text) : base / text;
    if (!ec && fs::exists(path, ec)) return path.lexically_normal().string();
    if (HasScheme(text)) return text;
    if (text.starts_with("www.") || text.starts_with("ftp.")) return "http://" + text;
    return {};
}

void ShellOpen(const std::string& text, const std::string& directory) {
    std::string target = ShellOpenTarget(text, directory);
    if (target.empty()) return;
    std::string program = FindProgram("xdg-open");
    if (program.empty()) return;
    char name[] = "xdg-open";
    char* argv[] = {name, target.data(), nullptr};
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) return;

    // The handler starts a program of its own that should outlive us and not
    // share our Ctrl+C: it runs as a grandchild in its own process group,
    // with the default signal handling, and is never ours to reap. Our
    // handlers must not run in the children: every signal waits meanwhile.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::fork() == 0) {
            ::setpgid(0, 0);
            struct sigaction defaults {};
            defaults.sa_handler = SIG_DFL;
            for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &defaults, nullptr);
            ::dup2(devNull, 0);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::execve(program.c_str(), argv, environ);
        }
        ::_exit(0);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(devNull);
    if (child < 0) return;
    // The middle process ends at once, so this wait is short.
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace tess::x11
