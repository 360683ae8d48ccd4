#include "Sway.h"

#include <fcntl.h>
#include <pwd.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace tess::wayland::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// sway refuses to run as root: under root it runs as nobody.
constexpr uid_t kNobody = 65534;

}  // namespace

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, int stdoutFd) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& x : extraEnv) replaced = replaced || x.substr(0, x.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&files, stdoutFd, 1);
        posix_spawn_file_actions_adddup2(&files, stdoutFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ends a process of the harness: SIGTERM, and SIGKILL when it has not gone
// within 10 s (a compositor can hang in its own shutdown), so that a test
// never waits on it for good.
static void EndProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

Sway::Sway(bool xwayland) {
    char pattern[] = "/tmp/tess-sway-XXXXXX";
    if (!mkdtemp(pattern)) return;
    dir_ = pattern;
    const bool root = getuid() == 0;
    if (root && chown(dir_.c_str(), kNobody, kNobody) != 0) return;
    chmod(dir_.c_str(), 0700);
    const std::string config = dir_ + ".conf";
    std::ofstream(config) << "output HEADLESS-1 pos 0 0 res 800x600\n"
                             "output HEADLESS-2 pos 800 100 res 640x480\n";
    if (xwayland) {
        const passwd* user = getpwuid(getuid());
        std::ofstream(config, std::ios::app)
            << "xwayland force\nexec sh -c 'xhost +si:localuser:" << (user ? user->pw_name : "root")
            << " >/dev/null; echo $DISPLAY > " << dir_ << "/display.new && mv " << dir_ << "/display.new "
            << dir_ << "/display'\n";
    }
    std::vector<std::string> argv = {"sway", "-c", config};
    if (root) argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    pid_ = Spawn(argv, {"XDG_RUNTIME_DIR=" + dir_, "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                        "WLR_RENDERER=pixman", "WLR_HEADLESS_OUTPUTS=2", "WAYLAND_DISPLAY=", "DISPLAY="});
    // The socket is up within a fraction of a second; poll for it.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (pid_ > 0 && Clock::now() < deadline) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_, ec)) {
            if (!socket_.empty()) break;
            const std::string name = entry.path().filename();
            if (name.rfind("wayland-", 0) != 0 || name.find(".lock") != std::string::npos) continue;
            if (wl_display* d = wl_display_connect(entry.path().c_str())) {
                wl_display_disconnect(d);
                socket_ = entry.path();
            }
        }
        if (!socket_.empty() && xwayland) {
            std::ifstream in(dir_ + "/display");
            std::getline(in, display_);
        }
        if (!socket_.empty() && (!xwayland || !display_.empty())) return;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void Sway::Stop() {
    EndProcess(pid_);
    pid_ = -1;
}

Sway::~Sway() {
    Stop();
    std::error_code ec;
    if (!dir_.empty()) {
        fs::remove_all(dir_, ec);
        fs::remove(dir_ + ".conf", ec);
    }
}

Observer::Observer(const std::string& socket, const std::string& layout) {
    int fds[2];
    if (socket.empty() || pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = Spawn({TESS_OBSERVER_PATH}, {"WAYLAND_DISPLAY=" + socket, "XKB_DEFAULT_LAYOUT=" + layout}, fds[1]);
    close(fds[1]);
    out_ = fds[0];
    ready_ = WaitFor([](const std::string& line) { return line == "ready"; });
}

Observer::~Observer() {
    EndProcess(pid_);
    if (out_ >= 0) close(out_);
}

bool Observer::ReadLine(Clock::time_point deadline) {
    for (;;) {
        const auto nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            if (line.rfind("key ", 0) == 0) {
                const auto blank = line.find(' ', 4);
                if (blank != std::string::npos) typed_ += line.substr(blank + 1);
            }
            lines_.push_back(std::move(line));
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || out_ < 0) return false;
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[4096];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

bool Observer::WaitFor(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (ReadLine(deadline)) {
        if (done(lines_.back())) return true;
    }
    return false;
}

std::string Observer::WaitForText(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (typed_.size() < text.size() && ReadLine(deadline)) {
    }
    return typed_;
}

std::string Observer::Last(const std::string& prefix) const {
    for (auto it = lines_.rbegin(); it != lines_.rend(); ++it) {
        if (it->rfind(prefix, 0) == 0) return *it;
    }
    return {};
}

}  // namespace tess::wayland::testing
