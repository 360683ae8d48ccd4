// Measures the program on an X server: the time from starting it to its
// main window being mapped, then its CPU use while it sits idle.
//   tess_startup_probe PROGRAM [IDLE_SECONDS]   (default 10; 0: start-up only)
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool IsMainWindow(Display* display, Window window) {
    char* name = nullptr;
    bool match = XFetchName(display, window, &name) && name &&
                 std::strcmp(name, "Tessaline 0003") == 0;
    if (name) XFree(name);
    return match;
}

double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [IDLE_SECONDS]\n", argv[0]);
        return 2;
    }
    int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    Clock::time_point start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execl(argv[1], argv[1], static_cast<char*>(nullptr));
        _exit(127);
    }
    double startupMs = -1;
    int fd = ConnectionNumber(display);
    while (startupMs < 0 && Clock::now() - start < std::chrono::seconds(20)) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && IsMainWindow(display, event.xmap.window)) {
                startupMs =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
        if (startupMs >= 0) break;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{0, 100000};
        select(fd + 1, &set, nullptr, nullptr, &tv);
    }
    if (startupMs < 0) {
        std::fprintf(stderr, "the main window did not appear\n");
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 1;
    }
    std::printf("startup_to_window_shown_ms %.1f\n", startupMs);
    std::fflush(stdout);

    // IDLE_SECONDS 0 measures the start-up alone.
    if (idleSeconds > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(2));  // let start-up work settle
        double cpu0 = CpuSeconds(pid);
        Clock::time_point idle0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        double cpu1 = CpuSeconds(pid);
        double wall = std::chrono::duration<double>(Clock::now() - idle0).count();
        std::printf("idle_cpu_percent_of_one_core %.2f (over %.0f s)\n",
                    100.0 * (cpu1 - cpu0) / wall, wall);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
