// The windows under a real window manager (Xvfb and openbox): the action
// editor opens centred on the main window's frame, by its own frame.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "XTestServer.h"

namespace tess::x11::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    double CentreX() const { return left + width / 2.0; }
    double CentreY() const { return top + height / 2.0; }
};

// A window's frame on the screen: its client area grown by the extents the
// window manager reports; false until the manager has framed and mapped it.
bool Framed(Display* display, Window window, Frame& frame) {
    Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) != Success || count != 4 || !data) {
        if (data) XFree(data);
        return false;
    }
    const long* e = reinterpret_cast<const long*>(data);  // left, right, top, bottom
    XWindowAttributes attributes{};
    Window child = 0;
    int x = 0, y = 0;
    const bool ok = XGetWindowAttributes(display, window, &attributes) &&
                    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x,
                                          &y, &child);
    frame = {x - int(e[0]), y - int(e[2]), attributes.width + int(e[0] + e[1]),
             attributes.height + int(e[2] + e[3])};
    XFree(data);
    return ok && attributes.map_state == IsViewable;
}

// The first window xdotool finds by this exact name, waiting for it.
Window FindWindow(const fs::path& dir, const std::string& name) {
    const std::string out = (dir / "found").string();
    if (WaitForProgram(StartProgram({"timeout", "20", "xdotool", "search", "--sync",
                                     "--onlyvisible", "--name", "^" + name + "$"},
                                    out)) != 0)
        return 0;
    std::ifstream in(out);
    unsigned long id = 0;
    in >> id;
    return Window(id);
}

TEST(FrameTest, EditorOpensCentredOnTheMainWindowsFrame) {
    if (WaitForProgram(StartProgram({"sh", "-c", "command -v openbox && command -v xdotool"})) != 0)
        GTEST_SKIP() << "openbox or xdotool is not installed";
    Xvfb server;
    ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
    const fs::path dir = fs::temp_directory_path() / ("tess-frame-" + std::to_string(getpid()));
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    setenv("DISPLAY", server.name().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    Display* display = XOpenDisplay(server.name().c_str());
    ASSERT_NE(display, nullptr);

    const pid_t manager = StartProgram({"openbox", "--sm-disable"});
    // The manager is running once it has announced itself on the root window.
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    bool managed = false;
    for (int i = 0; i < 1000 && !managed; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data);
        managed = count == 1;
        if (data) XFree(data);
        if (!managed) std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(managed) << "openbox did not start";

    const pid_t program = StartProgram({TESSALINE_PROGRAM});
    const Window main = FindWindow(dir, "Tessaline 0003");
    ASSERT_NE(main, 0u);
    ASSERT_EQ(WaitForProgram(StartProgram({"timeout", "20", "xdotool", "windowactivate", "--sync",
                                           std::to_string(main), "key", "Insert"})),
              0);
    const Window editor = FindWindow(dir, " New action");
    ASSERT_NE(editor, 0u);
    Frame outer, inner;
    bool framed = false;
    for (int i = 0; i < 1000 && !framed; ++i) {
        framed = Framed(display, main, outer) && Framed(display, editor, inner);
        if (!framed) std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(framed);
    // Frames may differ in their borders by a pixel or two, not by a title bar.
    EXPECT_NEAR(inner.CentreX(), outer.CentreX(), 3);
    EXPECT_NEAR(inner.CentreY(), outer.CentreY(), 3);

    XCloseDisplay(display);
    kill(program, SIGTERM);
    WaitForProgram(program);
    kill(manager, SIGTERM);
    WaitForProgram(manager);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tess::x11::testing
