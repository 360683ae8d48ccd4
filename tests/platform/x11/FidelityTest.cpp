// Text and keys as clients read them, on several layouts: action lines
// played through the sink while a client decodes each event as it comes,
// the way a real client does; and xterm under a window manager.
#include "SinkFixture.h"

#include <X11/XKBlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/x11/ErrorTrap.h"
#include "playback/ActionExecution.h"

namespace tess::x11::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct NoEngine : EngineControl {
    void StopLine() override {}
    void CycleLine(std::string_view) override {}
    void CycleEndLine() override {}
    void IntervalLine(uint32_t) override {}
};

std::string PrintableAscii() {
    std::string text;
    for (char c = 32; c < 127; ++c) text += c;
    return text;
}

const std::string kGreekCyrillic =
    "αβγδεζηθικλμνξοπρστυφχψω АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ ωψχφυτσρποξνμλκιθηζεδγβα";
// More distinct characters than the spare keycodes carry at once.
const std::string kAlphabets =
    "αβγδεζηθικλμνξοπρστυφχψω ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ абвгдеёжзийклмнопрстуфхцчшщъыьэюя "
    "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞß αβγ";
const std::string kRussian = "Съешь же ещё этих мягких французских булок, да выпей чаю. ЁЖ";

class FidelityTest : public SinkTest {
protected:
    void Layout(const std::vector<std::string>& setxkbmap) {
        std::vector<std::string> args{"setxkbmap"};
        args.insert(args.end(), setxkbmap.begin(), setxkbmap.end());
        ASSERT_EQ(server.Run(args), 0);
        sink->Flush();
    }
    // Another client locks the keyboard on a group, as a layout switcher does.
    void LockGroup(int group) {
        Display* other = XOpenDisplay(server.name().c_str());
        ASSERT_NE(other, nullptr);
        XkbLockGroup(other, XkbUseCoreKbd, static_cast<unsigned>(group));
        XSync(other, False);
        XCloseDisplay(other);
        sink->Flush();
    }
    // Plays the lines ("@group N" switches the group), then a click that
    // ends the client's reading; returns what the client decoded.
    std::string Play(const std::vector<std::string>& lines) {
        client->Collect();
        std::thread reader([this] { client->WaitForButtonPress(); });
        for (const auto& line : lines) {
            if (line.starts_with("@group ")) {
                LockGroup(std::stoi(line.substr(7)));
                continue;
            }
            ActionContext context{*sink, held, random, engine, nullptr};
            PerformActionLine(line, context);
            sink->Flush();
        }
        sink->mouse_event(0x8002, 10, 10, 0, 0);
        sink->mouse_event(0x8004, 10, 10, 0, 0);
        sink->Flush();
        reader.join();
        return WatchingClient::Typed(client->Collect());
    }

    // The title of the top-level window that has the focus.
    std::string FocusedTitle() {
        Display* d = client->display();
        Window w = 0;
        int revert = 0;
        XGetInputFocus(d, &w, &revert);
        while (w > PointerRoot) {
            char* name = nullptr;
            if (XFetchName(d, w, &name) && name) {
                std::string title = name;
                XFree(name);
                return title;
            }
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(d, w, &root, &parent, &children, &count)) break;
            if (children) XFree(children);
            if (parent == root) break;
            w = parent;
        }
        return {};
    }

    // openbox on the test's server, once it names itself on the root
    // window; -1 when it did not come up.
    pid_t StartOpenbox() {
        const pid_t wm = StartProgram({"openbox", "--sm-disable"});
        const Atom check = XInternAtom(client->display(), "_NET_SUPPORTING_WM_CHECK", False);
        for (auto deadline = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(20ms)) {
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(client->display(), DefaultRootWindow(client->display()), check, 0, 1,
                               False, AnyPropertyType, &type, &format, &count, &after, &data);
            if (data) XFree(data);
            if (count > 0) return wm;
        }
        kill(wm, SIGTERM);
        WaitForProgram(wm);
        return -1;
    }
    void Perform(const std::string& line) {
        ActionContext context{*sink, held, random, engine, nullptr};
        PerformActionLine(line, context);
        sink->Flush();
    }
    // Polls a file until it is not empty (or the deadline); its bytes.
    static std::string WaitForContent(const fs::path& file, std::chrono::seconds limit) {
        std::string got;
        for (auto deadline = std::chrono::steady_clock::now() + limit;; std::this_thread::sleep_for(20ms)) {
            std::ifstream in(file, std::ios::binary);
            got.assign(std::istreambuf_iterator<char>(in), {});
            if (!got.empty() || std::chrono::steady_clock::now() >= deadline) return got;
        }
    }

    HeldInput held;
    RangeGenerator random{[] { return 1u; }};
    NoEngine engine;
};

TEST_F(FidelityTest, LinesArriveExactlyOnEveryLayout) {
    const std::vector<std::string> us{"-layout", "us"}, de{"-layout", "de"}, fr{"-layout", "fr"},
        ru{"-layout", "ru"}, gr{"-layout", "gr"}, dvorak{"-layout", "us", "-variant", "dvorak"},
        ruUs{"-layout", "ru,us"}, deRuCtrlAlt{"-layout", "de,ru", "-option", "grp:ctrl_alt_toggle"};
    const std::string ascii = "Write " + PrintableAscii();
    const int any = -1;
    const struct {
        std::vector<std::string> layout;
        std::vector<std::string> lines;
        std::string expected;
        int keymapChanges;  // mapping requests while typing, any = not checked
    } cases[] = {
        {us, {ascii}, PrintableAscii(), 0},
        {dvorak, {ascii}, PrintableAscii(), 0},
        {de, {ascii}, PrintableAscii(), any},
        {fr, {ascii}, PrintableAscii(), any},
        // More characters off the layout than there are spare keycodes.
        {ru, {ascii}, PrintableAscii(), any},
        {gr, {ascii}, PrintableAscii(), any},
        {us, {"Write " + kGreekCyrillic}, kGreekCyrillic, any},
        {us, {"Write " + kAlphabets, "Write " + kGreekCyrillic}, kAlphabets + kGreekCyrillic, any},
        // The layout's own letters, AltGr characters among them.
        {ru, {"Write " + kRussian}, kRussian, 0},
        {gr, {"Write ΞΕΣΚΕΠΑΖΩ την ψυχοφθορα βδελυγμια"}, "ΞΕΣΚΕΠΑΖΩ την ψυχοφθορα βδελυγμια", 0},
        {de, {"Write äöüßÄÖÜ@€{[]}\\~|µ²³"}, "äöüßÄÖÜ@€{[]}\\~|µ²³", 0},
        {fr, {"Write éèàçù€@#{}[]|\\"}, "éèàçù€@#{}[]|\\", 0},
        {ruUs, {"Write Привет", "@group 1", "Write Hello", "@group 0", "Write мир"}, "ПриветHelloмир", 0},
        // A Shift the scenario holds stays held through the text.
        {us, {"KeyDown #16", "Write Ab", "Write cd", "KeyUp #16"}, "ABCD", 0},
        {ru, {"KeyDown #16", "Write фы", "KeyUp #16", "Write ф"}, "ФЫф", 0},
        // Key numbers and single keys.
        {ru, {"KeyPress #65", "KeyPress #83", "KeyPress #188", "KeyPress #190", "KeyPress ж"}, "фыб.ж", 0},
        {fr, {"KeyPress #65", "KeyPress #83", "KeyPress #188", "KeyPress #190", "KeyPress ,"}, "as,;,", 0},
        {dvorak, {"KeyPress #65", "KeyPress #83", "KeyPress #188", "KeyPress #190", "KeyPress #87"}, "as,.w", 0},
        {ruUs, {"@group 1", "KeyPress #65", "@group 0", "KeyPress #65"}, "aф", 0},
        // AltGr characters go out with AltGr alone: a bare Ctrl+Alt would
        // switch to the Russian layout here (kept last: the option stays).
        {deRuCtrlAlt, {"Write a@b@c€d", "Write Mail: a@b.de, 5€, {x}", "Write z"}, "a@b@c€dMail: a@b.de, 5€, {x}z", 0},
    };
    for (const auto& c : cases) {
        const std::string name = c.layout[1] + (c.layout.size() > 2 ? "(" + c.layout[3] + ")" : "") +
                                 ": " + c.lines.front();
        Layout(c.layout);
        LockGroup(0);
        const auto mapping = client->KeyboardMapping();
        const unsigned long changesBefore = sink->KeymapChanges();
        EXPECT_EQ(Play(c.lines), c.expected) << name;
        if (c.keymapChanges != any) EXPECT_EQ(sink->KeymapChanges() - changesBefore, static_cast<unsigned long>(c.keymapChanges)) << name;
        EXPECT_FALSE(client->AnythingHeld()) << name;
        sink->RestoreKeyboardMapping();
        EXPECT_EQ(client->KeyboardMapping(), mapping) << name;
    }
}

// xterm (Xlib, decoding each key when it reads it) under openbox, typing
// into `cat`: every character arrives exactly, also when characters off the
// layout outnumber the spare keycodes many times over.
TEST_F(FidelityTest, XtermReceivesEveryCharacterExactly) {
    const fs::path dir = fs::temp_directory_path() / ("tess-xterm-" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("DISPLAY", server.name().c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    const pid_t wm = StartOpenbox();
    ASSERT_GT(wm, 0) << "openbox did not start";
    std::string mixed;
    for (int i = 0; i < 4; ++i) mixed += kGreekCyrillic + " ";
    const struct {
        std::vector<std::string> layout;
        std::string text;
    } cases[] = {
        {{"-layout", "us"}, mixed},
        {{"-layout", "us"}, kAlphabets},
        {{"-layout", "ru"}, kRussian + " " + PrintableAscii()},
    };
    int n = 0;
    for (const auto& c : cases) {
        Layout(c.layout);
        const fs::path out = dir / ("out" + std::to_string(n));
        const std::string title = "tess-xterm-" + std::to_string(n);
        const pid_t xterm = StartProgram({"xterm", "-u8", "-T", title, "-e", "sh", "-c",
                                          "stty raw -echo; exec cat > '" + out.string() + "'"});
        // Wait for this xterm to have the focus and cat to be reading.
        bool ready = false;
        for (auto deadline = std::chrono::steady_clock::now() + 20s;
             !ready && std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(20ms))
            ready = fs::exists(out) && FocusedTitle() == title;
        ASSERT_TRUE(ready) << "xterm did not start";
        ActionContext context{*sink, held, random, engine, nullptr};
        PerformActionLine("Write " + c.text, context);
        sink->Flush();
        std::string got;
        for (auto deadline = std::chrono::steady_clock::now() + 20s;
             got.size() < c.text.size() && std::chrono::steady_clock::now() < deadline;
             std::this_thread::sleep_for(20ms)) {
            std::ifstream in(out, std::ios::binary);
            got.assign(std::istreambuf_iterator<char>(in), {});
        }
        EXPECT_EQ(got, c.text) << c.layout[1];
        kill(xterm, SIGTERM);
        WaitForProgram(xterm);
        ++n;
    }
    kill(wm, SIGTERM);
    WaitForProgram(wm);
    fs::remove_all(dir);
}

// GTK (mousepad) and Qt (featherpad) editors, which read their events late
// and decode each key with the mapping of the moment they read it, under
// openbox; the text comes back through the editor's own Ctrl+S.
TEST_F(FidelityTest, EditorsReceiveEveryCharacterExactly) {
    const std::vector<std::string> editors = {"mousepad", "featherpad"};
    // Windows come and go under the focus lookups.
    WatchForErrors(client->display());
    const fs::path dir = fs::temp_directory_path() / ("tess-editors-" + std::to_string(getpid()));
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all);
    setenv("DISPLAY", server.name().c_str(), 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    // A session bus of our own: the editors hand a file to a running
    // instance on the user's bus.
    const pid_t bus = StartProgram({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"},
                                   (dir / "bus").string());
    std::string address = WaitForContent(dir / "bus", 20s);
    ASSERT_FALSE(address.empty()) << "dbus-daemon did not start";
    address.erase(address.find_last_not_of('\n') + 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    const pid_t wm = StartOpenbox();
    ASSERT_GT(wm, 0) << "openbox did not start";

    const std::vector<std::string> us{"-layout", "us"}, de{"-layout", "de"},
        deRuCtrlAlt{"-layout", "de,ru", "-option", "grp:ctrl_alt_toggle"};
    const struct {
        std::vector<std::string> layout;
        std::string text;
    } cases[] = {
        // The last character borrowed while the editor is far behind.
        {us, std::string(400, 'a') + "ж"},
        {de, PrintableAscii()},
        // More distinct characters than the spare keycodes carry at once.
        {us, kAlphabets},
        // Last: the option stays with the next layouts.
        {deRuCtrlAlt, "Mail: a@b.de, 5€, {x}z"},
    };
    int n = 0;
    for (const auto& editor : editors) {
        for (const auto& c : cases) {
            const std::string name = editor + " " + c.layout[1] + ": " + c.text.substr(0, 12);
            Layout(c.layout);
            LockGroup(0);
            const auto mapping = client->KeyboardMapping();
            const fs::path file = dir / ("text" + std::to_string(n++) + ".txt");
            std::ofstream(file).close();
            const pid_t pid = StartProgram({editor, file.string()});
            bool ready = false;
            for (auto deadline = std::chrono::steady_clock::now() + 60s;
                 !ready && std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(20ms))
                ready = FocusedTitle().find(file.filename().string()) != std::string::npos;
            ASSERT_TRUE(ready) << editor << " did not start";
            // The text, then the end of playback (which gives the borrowed
            // keycodes back), then the editor's Save.
            Perform("Write " + c.text);
            sink->ReleaseAll();
            EXPECT_EQ(client->KeyboardMapping(), mapping) << name;
            for (const char* line : {"KeyDown #17", "KeyPress S", "KeyUp #17"}) Perform(line);
            std::string got = WaitForContent(file, 60s);
            if (got.ends_with('\n')) got.pop_back();
            EXPECT_EQ(got, c.text) << name;
            kill(pid, SIGTERM);
            WaitForProgram(pid);
        }
    }
    kill(wm, SIGTERM);
    WaitForProgram(wm);
    kill(bus, SIGTERM);
    WaitForProgram(bus);
    StopWatchingErrors(client->display());
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tess::x11::testing
