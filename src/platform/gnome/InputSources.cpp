#include "platform/gnome/InputSources.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iterator>

extern char** environ;

namespace tess::gnome {
namespace {

// Reads a quoted string at `pos` ('...' or "...", with backslash escapes).
std::optional<std::string> Quoted(const std::string& text, size_t& pos) {
    if (pos >= text.size() || (text[pos] != '\'' && text[pos] != '"')) return std::nullopt;
    const char quote = text[pos++];
    std::string out;
    while (pos < text.size() && text[pos] != quote) {
        if (text[pos] == '\\' && pos + 1 < text.size()) ++pos;
        out += text[pos++];
    }
    if (pos >= text.size()) return std::nullopt;
    ++pos;
    return out;
}

void Blanks(const std::string& text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\n' || text[pos] == '\t')) ++pos;
}

bool Take(const std::string& text, size_t& pos, char c) {
    Blanks(text, pos);
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// gsettings' output for one key of the input sources; empty on failure.
// It ends within 2 s or is ended.
std::string Gsettings(const char* key) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, fds[1], 1);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"gsettings", "get", "org.gnome.desktop.input-sources", key, nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "gsettings", &files, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&files);
    close(fds[1]);
    std::string out;
    if (spawned == 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fds[0], POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                kill(pid, SIGKILL);
                out.clear();
                break;
            }
            char chunk[4096];
            const ssize_t n = read(fds[0], chunk, sizeof chunk);
            if (n <= 0) break;
            out.append(chunk, static_cast<size_t>(n));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out.clear();
    }
    close(fds[0]);
    return out;
}

}  // namespace

std::optional<std::vector<InputSource>> ParseInputSources(const std::string& text) {
    size_t pos = 0;
    Blanks(text, pos);
    if (text.compare(pos, 6, "@a(ss)") == 0) pos += 6;
    if (!Take(text, pos, '[')) return std::nullopt;
    std::vector<InputSource> sources;
    if (Take(text, pos, ']')) return sources;
    do {
        if (!Take(text, pos, '(')) return std::nullopt;
        Blanks(text, pos);
        auto kind = Quoted(text, pos);
        if (!kind || !Take(text, pos, ',')) return std::nullopt;
        Blanks(text, pos);
        auto name = Quoted(text, pos);
        if (!name || !Take(text, pos, ')')) return std::nullopt;
        sources.emplace_back(std::move(*kind), std::move(*name));
    } while (Take(text, pos, ','));
    if (!Take(text, pos, ']')) return std::nullopt;
    return sources;
}

unsigned CurrentLayout(const std::vector<InputSource>& sources, const std::vector<InputSource>& mru) {
    // Only keyboard layouts ("xkb") are layouts of the keymap; an input
    // method in force types through the first layout.
    std::vector<InputSource> layouts;
    std::copy_if(sources.begin(), sources.end(), std::back_inserter(layouts),
                 [](const InputSource& s) { return s.first == "xkb"; });
    if (mru.empty()) return 0;
    const auto at = std::find(layouts.begin(), layouts.end(), mru.front());
    return at == layouts.end() ? 0 : static_cast<unsigned>(at - layouts.begin());
}

unsigned CurrentLayoutOfTheShell() {
    const auto sources = ParseInputSources(Gsettings("sources"));
    if (!sources || sources->size() < 2) return 0;
    const auto mru = ParseInputSources(Gsettings("mru-sources"));
    return mru ? CurrentLayout(*sources, *mru) : 0;
}

}  // namespace tess::gnome
