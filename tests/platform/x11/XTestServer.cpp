#include "XTestServer.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/xkb/KeymapIndex.h"
#include "script/Utf8.h"

extern char** environ;

namespace tess::x11::testing {
namespace {

pid_t Spawn(const std::vector<std::string>& args, int passFd, const std::string& output = "") {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const char* to = output.empty() ? "/dev/null" : output.c_str();
    posix_spawn_file_actions_addopen(&files, 1, to, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    if (passFd >= 0) posix_spawn_file_actions_adddup2(&files, passFd, 3);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

}  // namespace

pid_t StartProgram(const std::vector<std::string>& argv, const std::string& outputPath) {
    return Spawn(argv, -1, outputPath);
}

int WaitForProgram(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Xvfb::Xvfb() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    pid_ = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                  "-noreset"},
                 fds[1]);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    // The server writes its display number once it accepts connections.
    while (pid_ > 0 && poll(&p, 1, 30000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

int Xvfb::Run(const std::vector<std::string>& argv) const {
    std::vector<std::string> args = argv;
    args.insert(args.begin() + 1, {"-display", name_});
    return WaitForProgram(Spawn(args, -1));
}

WatchingClient::WatchingClient(const std::string& display) {
    display_ = XOpenDisplay(display.c_str());
    if (!display_) return;
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0,
                                  static_cast<unsigned>(DisplayWidth(display_, screen)),
                                  static_cast<unsigned>(DisplayHeight(display_, screen)), 0, 0, 0);
    XSelectInput(display_, window_,
                 KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);
    XMapWindow(display_, window_);
    XEvent event;
    do {
        XWindowEvent(display_, window_, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
}

WatchingClient::~WatchingClient() {
    if (display_) XCloseDisplay(display_);
}

bool WatchingClient::Decode(XEvent& event, SeenEvent& s) {
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        return false;
    }
    s = SeenEvent{event.type, 0, 0, NoSymbol, {}, 0, 0};
    if (event.type == KeyPress || event.type == KeyRelease) {
        char buffer[16];
        KeySym keysym = NoSymbol;
        XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
        s.detail = event.xkey.keycode;
        s.state = event.xkey.state;
        s.keysym = keysym;
        // Control characters aside, a keysym names the character typed.
        if (keysym >= 0x20 && !(event.xkey.state & ControlMask)) {
            if (const char32_t c = xkb::CharForKeysym(static_cast<xkb_keysym_t>(keysym)); c >= 0x20) AppendUtf8(s.text, c);
        }
        s.x = event.xkey.x_root;
        s.y = event.xkey.y_root;
        return true;
    }
    if (event.type == ButtonPress || event.type == ButtonRelease) {
        s.detail = event.xbutton.button;
        s.state = event.xbutton.state;
        s.x = event.xbutton.x_root;
        s.y = event.xbutton.y_root;
        return true;
    }
    return false;
}

std::vector<SeenEvent> WatchingClient::Collect() {
    XSync(display_, False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (SeenEvent s; Decode(event, s)) seen_.push_back(s);
    }
    return std::exchange(seen_, {});
}

void WatchingClient::WaitForButtonPress() {
    alarm(60);  // a press that never comes ends the test rather than hanging it
    for (;;) {
        XEvent event;
        XNextEvent(display_, &event);
        SeenEvent s;
        if (!Decode(event, s)) continue;
        seen_.push_back(s);
        if (s.type == ButtonPress) break;
    }
    alarm(0);
}

std::string WatchingClient::Typed(const std::vector<SeenEvent>& events) {
    std::string text;
    for (const auto& e : events) {
        if (e.type == KeyPress) text += e.text;
    }
    return text;
}

bool WatchingClient::AnythingHeld() {
    char keys[32];
    XQueryKeymap(display_, keys);
    for (char k : keys) {
        if (k) return true;
    }
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask)) != 0;
}

void WatchingClient::Pointer(int& x, int& y) {
    Window root, child;
    int wx, wy;
    unsigned mask = 0;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &mask);
}

std::vector<KeySym> WatchingClient::KeyboardMapping() {
    int minKeycode = 0, maxKeycode = 0, perKeycode = 0;
    XDisplayKeycodes(display_, &minKeycode, &maxKeycode);
    KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(minKeycode),
                                       maxKeycode - minKeycode + 1, &perKeycode);
    std::vector<KeySym> all(syms, syms + (maxKeycode - minKeycode + 1) * perKeycode);
    XFree(syms);
    return all;
}

}  // namespace tess::x11::testing
