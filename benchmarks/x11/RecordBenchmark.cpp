// tessaline-record's figures on an X server: the time from the stop key's
// release to the scenario file written, and the recorder's CPU while the
// user does nothing. Uses $TESS_BENCH_DISPLAY (and $TESS_BENCH_XVFB_PID for
// the server's CPU) or starts a private Xvfb. Prints
//   stop_to_file_ms MEDIAN MIN MAX
//   idle_cpu_percent RECORDER SERVER
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "XTestServer.h"

namespace {

using namespace tess::x11::testing;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Time a process's threads have spent on a CPU, in nanoseconds (the
// scheduler's own account, finer than the tick-sampled user and system
// times).
double CpuNanoseconds(pid_t pid) {
    double total = 0;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "schedstat");
        double ns = 0;
        if (in >> ns) total += ns;
    }
    return total;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string Read(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Starts the recorder and waits for its line on standard error.
pid_t StartRecorder(const std::string& file) {
    ::unlink(file.c_str());
    const std::string log = file + ".log";
    ::unlink(log.c_str());
    const pid_t pid = StartProgram({TESS_RECORD_PATH, file}, log);
    const auto deadline = Clock::now() + 10s;
    while (Read(log).find("to stop") == std::string::npos && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
    return pid;
}

}  // namespace

int main() {
    std::unique_ptr<Xvfb> own;
    std::string display;
    pid_t serverPid = -1;
    if (const char* shared = std::getenv("TESS_BENCH_DISPLAY")) {
        display = shared;
        if (const char* pid = std::getenv("TESS_BENCH_XVFB_PID")) serverPid = std::atoi(pid);
    } else {
        own = std::make_unique<Xvfb>();
        display = own->name();
    }
    if (display.empty()) {
        std::fprintf(stderr, "record_benchmark: no X server\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    Display* x = XOpenDisplay(display.c_str());
    if (!x) return 1;
    const KeyCode pause = XKeysymToKeycode(x, XK_Pause);
    const KeyCode a = XKeysymToKeycode(x, XK_a);
    const std::string dir = "/tmp/tess-record-bench-" + std::to_string(getpid());
    ::mkdir(dir.c_str(), 0700);
    const std::string file = dir + "/recorded.sf";

    std::vector<double> stops;
    for (int run = 0; run < 11; ++run) {
        const pid_t recorder = StartRecorder(file);
        for (int i = 0; i < 20; ++i) {  // something to write
            XTestFakeKeyEvent(x, a, True, CurrentTime);
            XTestFakeKeyEvent(x, a, False, CurrentTime);
            XSync(x, False);
            std::this_thread::sleep_for(2ms);
        }
        XTestFakeKeyEvent(x, pause, True, CurrentTime);
        XSync(x, False);
        XTestFakeKeyEvent(x, pause, False, CurrentTime);
        XSync(x, False);
        const auto released = Clock::now();
        while (!Exists(file) && Clock::now() - released < 5s) std::this_thread::sleep_for(50us);
        const auto written = Clock::now();
        WaitForProgram(recorder);
        if (run > 0 && Exists(file))  // the first run warms the caches
            stops.push_back(std::chrono::duration<double, std::milli>(written - released).count());
    }
    std::sort(stops.begin(), stops.end());
    if (stops.empty()) return 1;
    std::printf("stop_to_file_ms %.2f %.2f %.2f\n", stops[stops.size() / 2], stops.front(), stops.back());

    // Idle: nobody touches anything for 10 s.
    const pid_t recorder = StartRecorder(file);
    std::this_thread::sleep_for(500ms);
    const double before = CpuNanoseconds(recorder), serverBefore = serverPid > 0 ? CpuNanoseconds(serverPid) : -1;
    const auto start = Clock::now();
    std::this_thread::sleep_for(10s);
    const double after = CpuNanoseconds(recorder), serverAfter = serverPid > 0 ? CpuNanoseconds(serverPid) : -1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    kill(recorder, SIGTERM);
    WaitForProgram(recorder);
    const double ownPercent = 100.0 * (after - before) / 1e9 / seconds;
    const double serverPercent = serverBefore >= 0 ? 100.0 * (serverAfter - serverBefore) / 1e9 / seconds : -1;
    std::printf("idle_cpu_percent %.2f %.2f\n", ownPercent, serverPercent);
    XCloseDisplay(x);
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
