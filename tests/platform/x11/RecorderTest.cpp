// Recording on a real X server: a session injected with xdotool is
// recorded, played back into a fresh terminal, and recorded again.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "XTestServer.h"
#include "platform/x11/X11Recorder.h"
#include "script/ScenarioText.h"

namespace tess::x11::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
        dir_ = fs::temp_directory_path() / ("tess-record-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        if (const char* display = std::getenv("DISPLAY")) oldDisplay_ = display;
        setenv("DISPLAY", server.name().c_str(), 1);
        // xdotool reads the text it types in the locale's encoding.
        if (const char* locale = std::getenv("LC_ALL")) oldLocale_ = locale;
        setenv("LC_ALL", "C.UTF-8", 1);
    }
    void TearDown() override {
        for (pid_t pid : background_) {
            kill(pid, SIGTERM);
            WaitForProgram(pid);
        }
        oldDisplay_.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", oldDisplay_.c_str(), 1);
        oldLocale_.empty() ? unsetenv("LC_ALL") : setenv("LC_ALL", oldLocale_.c_str(), 1);
        fs::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Polls a file until `done` holds for its text (an external program
    // writes it), for at most 20 s.
    template <typename Done>
    static std::string WaitForFile(const std::string& path, Done done) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        std::string text = Read(path);
        while (!done(text) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
            text = Read(path);
        }
        return text;
    }
    // Starts tessaline-record and returns once it records; what it says
    // goes to `log` (FILE.log when empty).
    pid_t StartRecorder(const std::string& file, std::string log = {}) {
        if (log.empty()) log = file + ".log";
        const pid_t pid = StartProgram({TESS_RECORD_PATH, file}, log);
        const std::string said = WaitForFile(log, [](const std::string& t) { return !t.empty(); });
        EXPECT_NE(said.find("press Pause or Ctrl+Alt+Q"), std::string::npos) << said;
        return pid;
    }
    // Waits for a program that should end by itself; ends it after 30 s.
    static int Finished(pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                WaitForProgram(pid);
                return -1;
            }
            std::this_thread::sleep_for(5ms);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int Xdotool(std::vector<std::string> args) {
        args.insert(args.begin(), "xdotool");
        return WaitForProgram(StartProgram(args));
    }
    // An xterm running `cat > output`, mapped and focused; its centre.
    void StartTerminal(const std::string& output, int& x, int& y) {
        background_.push_back(
            StartProgram({"xterm", "-u8", "-geometry", "40x6+0+0", "-e", "sh", "-c", "cat > " + output}));
        const std::string where = Path("where");
        WaitForProgram(StartProgram({"xdotool", "search", "--sync", "--onlyvisible", "--class", "XTerm",
                                     "getwindowgeometry", "--shell"},
                                    where));
        std::istringstream in(Read(where));
        int left = 0, top = 0, width = 0, height = 0;
        for (std::string line; std::getline(in, line);) {
            std::sscanf(line.c_str(), "X=%d", &left);
            std::sscanf(line.c_str(), "Y=%d", &top);
            std::sscanf(line.c_str(), "WIDTH=%d", &width);
            std::sscanf(line.c_str(), "HEIGHT=%d", &height);
        }
        ASSERT_GT(width, 0);
        x = left + width / 2;
        y = top + height / 2;
    }
    static int Presses(const std::vector<SeenEvent>& events) {
        int n = 0;
        for (const auto& e : events) n += e.type == ButtonPress;
        return n;
    }

    Xvfb server;
    fs::path dir_;
    std::string oldDisplay_, oldLocale_;
    std::vector<pid_t> background_;
};

// Waits until a window manager has announced itself on the root window.
bool WaitForWindowManager(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType, &type,
                           &format, &count, &after, &data);
        if (data) XFree(data);
        if (count > 0) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

// Asks the window manager to keep a window below the others, so that a
// click on it does not raise it over the terminal.
void KeepBelow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // add
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_BELOW", False));
    event.xclient.data.l[3] = 1;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XSync(display, False);
}

// Pauses differ by the timers' accuracy; everything else is the same.
void ExpectSameLines(const std::vector<std::string>& first, const std::vector<std::string>& again) {
    ASSERT_EQ(first.size(), again.size()) << ::testing::PrintToString(again);
    for (size_t i = 0; i < first.size(); ++i) {
        const std::string word = "Interval ";
        if (first[i].starts_with(word) && again[i].starts_with(word)) {
            EXPECT_NEAR(std::stoi(first[i].substr(word.size())), std::stoi(again[i].substr(word.size())), 60)
                << "line " << i + 1;
        } else {
            EXPECT_EQ(first[i], again[i]) << "line " << i + 1;
        }
    }
}

TEST_F(RecorderTest, ARecordingPlaysBackAndRecordsTheSameAgain) {
    background_.push_back(StartProgram({"openbox"}));
    WatchingClient clicks(server.name());  // under the terminal: counts the clicks beside it
    ASSERT_NE(clicks.display(), nullptr);
    ASSERT_TRUE(WaitForWindowManager(clicks.display()));
    KeepBelow(clicks.display(), clicks.window());
    int x = 0, y = 0;
    StartTerminal(Path("typed1"), x, y);

    const std::string first = Path("first.sf");
    const pid_t recorder = StartRecorder(first);
    clicks.Collect();
    const std::string X = std::to_string(x), Y = std::to_string(y);
    // "type" takes the rest of the command line as its text: one command
    // per run of xdotool where it appears.
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"mousemove", "500", "400", "click", "1", "sleep", "0.3", "mousemove", "560", "420", "click", "3",
              "sleep", "0.3", "mousemove", "600", "300", "mousedown", "1", "mousemove", "610", "310", "mousemove",
              "630", "330", "mousemove", "650", "340", "mouseup", "1", "sleep", "0.3", "mousemove", X, Y, "click",
              "1", "sleep", "0.3"},
             {"type", "--delay", "30", "hello world 1"},
             {"key", "Return", "sleep", "0.3"},
             {"type", "--delay", "30", "Ab; x"},
             {"key", "Return", "sleep", "0.3", "key", "Pause"}}) {
        ASSERT_EQ(Xdotool(command), 0);
    }
    EXPECT_EQ(Finished(recorder), 0) << Read(first + ".log");
    const std::string typed = WaitForFile(Path("typed1"), [](const std::string& t) { return t.size() >= 20; });
    ASSERT_EQ(typed, "hello world 1\nAb; x\n");
    const int presses = Presses(clicks.Collect());
    EXPECT_EQ(presses, 3);
    std::vector<std::string> lines, again;
    std::string error;
    ASSERT_TRUE(ReadScenarioFile(first, lines, error)) << error;

    // A fresh terminal in the same place; the recording played into it is
    // recorded again.
    kill(background_.back(), SIGTERM);
    WaitForProgram(background_.back());
    background_.pop_back();
    int x2 = 0, y2 = 0;
    StartTerminal(Path("typed2"), x2, y2);
    ASSERT_EQ(x2, x);
    ASSERT_EQ(y2, y);
    const std::string second = Path("second.sf");
    const pid_t rerecorder = StartRecorder(second);
    clicks.Collect();
    EXPECT_EQ(WaitForProgram(StartProgram({TESS_PLAY_PATH, first})), 0);
    EXPECT_EQ(WaitForFile(Path("typed2"), [&](const std::string& t) { return t == typed; }), typed);
    EXPECT_EQ(Presses(clicks.Collect()), presses);
    kill(rerecorder, SIGTERM);
    EXPECT_EQ(Finished(rerecorder), 0);
    ASSERT_TRUE(ReadScenarioFile(second, again, error)) << error;
    ExpectSameLines(lines, again);
}

TEST_F(RecorderTest, TheStopKeyIsNotRecordedAndDoesNotReachTheApplication) {
    for (const char* stopKey : {"Pause", "ctrl+alt+q"}) {
        WatchingClient focused(server.name());
        ASSERT_NE(focused.display(), nullptr);
        const std::string file = Path("stopped.sf");
        const pid_t recorder = StartRecorder(file);
        ASSERT_EQ(Xdotool({"type", "--delay", "30", "ab"}), 0);
        ASSERT_EQ(Xdotool({"key", stopKey}), 0);
        EXPECT_EQ(Finished(recorder), 0) << stopKey;
        std::vector<std::string> lines;
        std::string error;
        ASSERT_TRUE(ReadScenarioFile(file, lines, error)) << error;
        EXPECT_EQ(lines, (std::vector<std::string>{"Interval 10", "Write ab"})) << stopKey;
        for (const SeenEvent& e : focused.Collect()) {
            EXPECT_TRUE(e.keysym != XK_Pause && e.keysym != XK_q && e.keysym != XK_Q)
                << stopKey << ": the application saw " << (e.type == KeyPress ? "a press" : "a release");
        }
    }
}

TEST_F(RecorderTest, CharactersTypedThroughAChangedKeymapAreRecordedAsTyped) {
    // The player maps characters the layout lacks onto spare keycodes with
    // XKB; xdotool does it with the core request. Both change the keymap
    // back within moments of the key.
    WatchingClient focused(server.name());
    ASSERT_NE(focused.display(), nullptr);
    const std::string file = Path("keymap.sf");
    const pid_t recorder = StartRecorder(file);
    const std::string scenario = Path("greek.sf");
    std::ofstream(scenario) << "Interval 1\nWrite αβγ ö\n";
    ASSERT_EQ(Finished(StartProgram({TESS_PLAY_PATH, scenario})), 0);
    ASSERT_EQ(Xdotool({"type", "--delay", "30", "é€"}), 0);
    kill(recorder, SIGTERM);
    ASSERT_EQ(Finished(recorder), 0);
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(ReadScenarioFile(file, lines, error)) << error;
    std::string written;
    for (const std::string& line : lines) {
        if (line.starts_with("Write ")) written += line.substr(6);
    }
    EXPECT_EQ(written, "αβγ öé€") << ::testing::PrintToString(lines);
}

TEST_F(RecorderTest, InputInTheProgramsOwnWindowsIsLeftOut) {
    WatchingClient own(server.name());
    ASSERT_NE(own.display(), nullptr);
    std::string error;
    auto recorder = X11Recorder::Open(server.name().c_str(), error);
    ASSERT_TRUE(recorder) << error;
    std::mutex mutex;
    std::vector<InputEvent> events;
    recorder->IgnoreWindows({own.window()});
    ASSERT_TRUE(recorder->Start(
        [&](const InputEvent& e) {
            std::lock_guard lock(mutex);
            if (e.kind != InputEventKind::Motion) events.push_back(e);
        },
        {}, error))
        << error;
    ASSERT_EQ(Xdotool({"mousemove", "300", "200", "click", "1", "type", "a"}), 0);
    recorder->IgnoreWindows({});
    ASSERT_EQ(Xdotool({"click", "3"}), 0);
    ASSERT_EQ(Xdotool({"type", "b"}), 0);
    own.Collect();  // the server has handled all of it
    recorder->Stop();
    // Presses only: a release without its press means nothing to the lines.
    std::vector<std::pair<InputEventKind, int>> pressed;
    for (const InputEvent& e : events) {
        if (e.kind == InputEventKind::ButtonDown) pressed.emplace_back(e.kind, e.button);
        if (e.kind == InputEventKind::KeyDown) pressed.emplace_back(e.kind, e.ch);
    }
    EXPECT_EQ(pressed, (std::vector<std::pair<InputEventKind, int>>{{InputEventKind::ButtonDown, 3},
                                                                     {InputEventKind::KeyDown, 'b'}}));
}

// Every way the recorder can end keeps what was recorded: each signal that
// would end it writes FILE; a FILE that cannot be written at the end leaves
// the recording in the data folder, named in one line with FILE; a server
// that dies ends the recording at once, written, with status 1.
TEST_F(RecorderTest, EveryEndKeepsTheRecording) {
    const fs::path data = dir_ / "data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    const auto clickRecorded = [&](const std::vector<std::string>& lines) {
        return std::find(lines.begin(), lines.end(), "Click ") != lines.end();
    };
    struct Case {
        const char* name;
        int signal;          // sent to the recorder, or 0 for the server's end
        bool folderRemoved;  // FILE's folder goes away before the end
        int status;
    };
    const Case cases[] = {
        {"HUP (terminal closed)", SIGHUP, false, 0}, {"QUIT", SIGQUIT, false, 0},
        {"USR2", SIGUSR2, false, 0},                 {"PIPE", SIGPIPE, false, 0},
        {"ALRM", SIGALRM, false, 0},                 {"folder removed", SIGTERM, true, 1},
        {"server lost", 0, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(dir_ / "out");
        const std::string file = (dir_ / "out" / "rec.sf").string();
        const std::string logFile = Path("rec.log");
        fs::remove(logFile);
        const pid_t recorder = StartRecorder(file, logFile);
        ASSERT_EQ(Xdotool({"mousemove", "300", "200", "click", "1"}), 0);
        if (c.folderRemoved) fs::remove_all(dir_ / "out");
        if (c.signal) {
            kill(recorder, c.signal);
        } else {
            Display* display = XOpenDisplay(server.name().c_str());
            ASSERT_NE(display, nullptr);
            ucred peer{};
            socklen_t size = sizeof peer;
            ASSERT_EQ(getsockopt(ConnectionNumber(display), SOL_SOCKET, SO_PEERCRED, &peer, &size), 0);
            XCloseDisplay(display);
            kill(peer.pid, SIGKILL);
        }
        EXPECT_EQ(Finished(recorder), c.status) << Read(logFile);
        const std::string log = Read(logFile);
        std::vector<std::string> lines;
        std::string error;
        if (c.folderRemoved) {
            EXPECT_NE(log.find(file), std::string::npos) << log;
            ASSERT_TRUE(fs::exists(data / "tessaline-0003")) << log;
            const fs::path kept = fs::directory_iterator(data / "tessaline-0003")->path();
            EXPECT_NE(log.find(kept.string()), std::string::npos) << log;
            ASSERT_TRUE(ReadScenarioFile(kept.string(), lines, error)) << error;
        } else {
            ASSERT_TRUE(ReadScenarioFile(file, lines, error)) << error << log;
        }
        EXPECT_TRUE(clickRecorded(lines)) << ::testing::PrintToString(lines);
        if (!c.signal) {
            EXPECT_NE(log.find("X server"), std::string::npos) << log;
        }
        fs::remove_all(dir_ / "out");
        fs::remove_all(data);
    }
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace tess::x11::testing
