// Runs the built player on scenario files in a temporary folder and checks
// its listing, messages and exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tess-play-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    Result Run(const std::string& args, const std::string& env = "") {
        const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
        const std::string command = env + " " TESS_PLAYER_PATH " " + args + " >" + out.string() + " 2>" +
                                    err.string();
        Result r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(out);
        r.err = Slurp(err);
        return r;
    }
    // A dry run of `scenario` with a fixed clock.
    Result Dry(const std::string& scenario, const std::string& options = "") {
        return Run("--dry-run --clock 00:00:01.000 " + options + " " + Write("s.sf", scenario));
    }
    fs::path dir_;
};

TEST_F(PlayerTest, SampleScenario) {
    const Result r = Run("--dry-run --clock 00:00:01.000 " TESS_SAMPLE_PATH);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string block = "10 SetCursorPos 20 68\n11 mouse_event 0x8002\n11 mouse_event 0x8004\n";
    const std::string click13 = "13 mouse_event 0x8002\n13 mouse_event 0x8004\n";
    EXPECT_EQ(r.out,
              "1 ShellExecute link.htm\n3 SetCursorPos 118 141\n4 mouse_event 0x8002\n4 mouse_event 0x8004\n"
              "5 mouse_event 0x8008\n5 mouse_event 0x8010\n6 SetCursorPos 144 155\n7 mouse_event 0x8002\n"
              "7 mouse_event 0x8004\n" +
                  block + "12 SetCursorPos 757 178\n" + click13 + block + "12 SetCursorPos 757 176\n" + click13 +
                  block + "12 SetCursorPos 750 178\n" + click13 +
                  "16 SetCursorPos 28 69\n17 mouse_event 0x8002\n17 mouse_event 0x8004\n"
                  "18 SetCursorPos 388 214\n19 mouse_event 0x8002\n19 mouse_event 0x8004\n"
                  "20 SetCursorPos 399 347\n21 interval 1\n22 mouse_event 0x8002\n23 mouse_event 0x8004\n"
                  "24 interval 1000\n26 SetCursorPos 791 258\n27 mouse_event 0x8002\n28 SetCursorPos 789 404\n"
                  "29 mouse_event 0x8004\n30 SetCursorPos 389 516\n31 mouse_event 0x8002\n31 mouse_event 0x8004\n"
                  "33 stop\n");
}

TEST_F(PlayerTest, KeysTextAndShell) {
    const Result r = Dry("Write Hi\xC3\xA9\nKeyPress #13\nKeyPress A\nLoad \nLoad  a b\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "1 keybd_event 16 down\n1 keybd_event 72 down\n1 keybd_event 72 up\n1 keybd_event 16 up\n"
              "1 keybd_event 73 down\n1 keybd_event 73 up\n1 unicode 233\n"
              "2 keybd_event 13 down\n2 keybd_event 13 up\n3 keybd_event 65 down\n3 keybd_event 65 up\n"
              "4 ShellExecute \n5 ShellExecute  a b\n6 end\n");
}

TEST_F(PlayerTest, HeldInputIsReleasedBeforeTheStop) {
    EXPECT_EQ(Dry("KeyDown #16\nMouseLDown \nStop\nClick\n").out,
              "1 keybd_event 16 down\n2 mouse_event 0x8002\n3 mouse_event 0x8004\n3 keybd_event 16 up\n3 stop\n");
    EXPECT_EQ(Dry("MouseRDown \n").out, "1 mouse_event 0x8008\n2 mouse_event 0x8010\n2 end\n");
}

TEST_F(PlayerTest, ErrorsStepOverOrHalt) {
    Result r = Dry("KeyDown #17\nCurPos 1\nCurPos 2,3\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1 keybd_event 17 down\n2 error\n3 SetCursorPos 2 3\n4 keybd_event 17 up\n4 end\n");
    r = Dry("KeyDown #17\nCurPos 1\nCurPos 2,3\n", "--halt-on-error");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1 keybd_event 17 down\n2 error\n2 keybd_event 17 up\n");
}

TEST_F(PlayerTest, StartRepeatAndTickLimit) {
    Result r = Dry("CurPos 1,1\nCurPos 2,2\nMouseLDown \n", "--start 2 --repeat --max-ticks 5");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "2 SetCursorPos 2 2\n3 mouse_event 0x8002\n1 SetCursorPos 1 1\n2 SetCursorPos 2 2\n"
              "2 mouse_event 0x8004\n");
    r = Dry("Click\n", "--max-ticks 0");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(PlayerTest, IntervalsAndRanges) {
    EXPECT_EQ(Dry("Interval [0..100]\nInterval 0\nInterval 250\n").out,
              "1 interval 37\n2 interval 1\n3 interval 250\n4 end\n");
}

TEST_F(PlayerTest, FileFormats) {
    EXPECT_EQ(Dry("").out, "1 end\n");
    EXPECT_EQ(Dry("Write \xE9\r\n\r\nClick").out,
              "1 unicode 233\n3 mouse_event 0x8002\n3 mouse_event 0x8004\n4 end\n");
}

TEST_F(PlayerTest, HostileLinesNeitherCrashNorHang) {
    std::string scenario = std::string("Click\0 \nWrite a\0b\n", 18);
    scenario += "CurPos " + std::string(100000, '[') + "," + std::string(100000, '9') + "\n";
    scenario += "KeyPress #" + std::string(100000, '1') + "\n";
    scenario += "Interval [1.." + std::string(100000, ']') + "\n";
    scenario += "Cycle " + std::string(100000, '5') + "\n";
    scenario += "Write \xFF\xFE\n";
    const Result r = Dry(scenario);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "2 keybd_event 65 down\n2 keybd_event 65 up\n2 unicode 0\n2 keybd_event 66 down\n"
              "2 keybd_event 66 up\n3 error\n4 error\n5 error\n6 error\n7 unicode 255\n7 unicode 254\n8 end\n");
}

TEST_F(PlayerTest, BadUsageAndUnreadableFiles) {
    const std::string file = Write("a.sf", "Click\n");
    for (const std::string& args :
         {std::string("--dry-run"), "--dry-run --bogus " + file, "--dry-run --start 0 " + file, "--dry-run --start 3 " + file,
          "--dry-run --clock 25:00:00.000 " + file, "--dry-run " + file + " " + file}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args;
    }
    Result r = Run("--dry-run " + (dir_ / "missing.sf").string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("missing.sf: no such file"), std::string::npos) << r.err;
    r = Run("--dry-run " + dir_.string());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is a directory"), std::string::npos) << r.err;
}

// Files no scenario is: refused with one line naming the bound, without
// reading them whole (a sparse file of 300 MiB takes no disk).
TEST_F(PlayerTest, FilesBeyondTheBoundsAreRefusedWithOneLine) {
    struct Case {
        const char* name;
        std::function<std::string()> make;
        const char* said;
    };
    const Case cases[] = {
        {"a 2 MiB line", [&] { return Write("long.sf", "Write " + std::string(2 << 20, 'x') + "\n"); },
         "line 1 is longer than 1 MiB"},
        {"300 MiB", [&] {
             const std::string path = Write("huge.sf", "Click\n");
             fs::resize_file(path, std::uintmax_t(300) << 20);
             return path;
         },
         "larger than 256 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Run("--dry-run " + c.make());
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    }
}

TEST_F(PlayerTest, WithoutADesktopThePlayerSaysSo) {
    const Result r = Run(Write("a.sf", "Click\n"), "env -u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("tessaline-play: "), std::string::npos);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST_F(PlayerTest, StopSignalWhileTheListingWaitsForAReaderGivesItsStatus) {
    // An endless dry run into a pipe nobody reads: the player waits on the
    // full pipe until the signal comes.
    const std::string file = Write("a.sf", "Cycle \nWrite x\nCycleEnd \n");
    const std::string err = (dir_ / "stderr").string();
    for (const int signal : {SIGTERM, SIGINT}) {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(errFd, STDERR_FILENO);
            ::close(out[0]);
            ::execl(TESS_PLAYER_PATH, TESS_PLAYER_PATH, "--dry-run", file.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        const int capacity = ::fcntl(out[0], F_GETPIPE_SZ);
        int queued = 0;
        for (int i = 0; i < 2000 && queued < capacity; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::ioctl(out[0], FIONREAD, &queued);
        }
        EXPECT_GE(queued, capacity);
        ::kill(pid, signal);
        int status = 0;
        int waited = 0;
        for (int i = 0; i < 2000 && (waited = ::waitpid(pid, &status, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (waited == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the player did not end";
        }
        ::close(out[0]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << signal << " " << status;
        EXPECT_EQ(Slurp(err), "") << signal;
    }
}

}  // namespace
