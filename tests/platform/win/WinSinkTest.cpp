// The Windows sink inside Wine: a window of the test's own records what it
// receives, GetAsyncKeyState tells what is held, and a marker program
// stands in for the one a file type is associated with.
#include <gtest/gtest.h>

#include "app/play/Player.h"
#include "platform/win/WinSink.h"
#include "script/RangeValue.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tess::win {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<UINT> g_messages;
std::wstring g_chars;

LRESULT CALLBACK RecordMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CHAR: g_chars += static_cast<wchar_t>(wParam); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: g_messages.push_back(message); break;
    default: break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool Held(int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; }

class WinSinkTest : public ::testing::Test {
protected:
    // One window for the suite: making one costs Wine seconds.
    static void SetUpTestSuite() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = RecordMessage;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TessalineTestWindow";
        ::RegisterClassW(&windowClass);
        window_ = ::CreateWindowExW(WS_EX_TOPMOST, L"TessalineTestWindow", L"test", WS_POPUP | WS_VISIBLE, 100, 100,
                                    300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    static void TearDownTestSuite() { ::DestroyWindow(window_); }
    void SetUp() override {
        ASSERT_NE(window_, nullptr) << "no window: Wine needs an X display (DISPLAY)";
        ::SetForegroundWindow(window_);
        ::SetFocus(window_);
        Pump([] { return false; }, 100ms);
        g_messages.clear();
        g_chars.clear();
    }
    // Handles the window's messages until `done` holds or the time is up.
    template <typename Done>
    bool Pump(Done done, std::chrono::milliseconds limit = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
            if (done()) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    static inline HWND window_ = nullptr;
    WinSink sink_;
};

TEST_F(WinSinkTest, CursorIsSetAndReadAndKeptOnTheScreen) {
    sink_.SetCursorPos(118, 141);
    EXPECT_EQ(sink_.GetCursorPos(), (ScreenPoint{118, 141}));
    sink_.SetCursorPos(-50, 1000000);
    EXPECT_EQ(sink_.GetCursorPos(), (ScreenPoint{0, ::GetSystemMetrics(SM_CYSCREEN) - 1}));
}

TEST_F(WinSinkTest, KeysWithShiftAndUnicodeCharactersReachTheFocusedWindow) {
    EXPECT_EQ(sink_.VkKeyScanA(U'b'), 0x42);
    EXPECT_EQ(sink_.VkKeyScanA(U'A'), 0x141);
    EXPECT_EQ(sink_.VkKeyScanA(U'\x1F600'), -1);
    sink_.keybd_event(VK_SHIFT, 0, 0, 0);
    EXPECT_TRUE(Held(VK_SHIFT));
    sink_.keybd_event('A', 0, 0, 0);
    sink_.keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
    sink_.keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    sink_.keybd_event('B', 0, 0, 0);
    sink_.keybd_event('B', 0, KEYEVENTF_KEYUP, 0);
    sink_.SendUnicodeChar(U'\x3B1');
    sink_.SendUnicodeChar(U'\x1F600');
    const std::wstring expected = L"Ab\x3B1\xD83D\xDE00";
    EXPECT_TRUE(Pump([&] { return g_chars.size() >= expected.size(); }));
    EXPECT_EQ(g_chars, expected);
    EXPECT_FALSE(Held(VK_SHIFT));
}

TEST_F(WinSinkTest, ButtonsArriveAtTheCursorWithoutMovingIt) {
    sink_.SetCursorPos(250, 200);
    sink_.mouse_event(0x8002, 10, 10, 0, 0);
    EXPECT_TRUE(Held(VK_LBUTTON));
    sink_.mouse_event(0x8004, 10, 10, 0, 0);
    sink_.mouse_event(0x8008, 10, 10, 0, 0);
    sink_.mouse_event(0x8010, 10, 10, 0, 0);
    const std::vector<UINT> expected = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
    EXPECT_TRUE(Pump([&] { return g_messages.size() >= expected.size(); }));
    EXPECT_EQ(g_messages, expected);
    EXPECT_EQ(sink_.GetCursorPos(), (ScreenPoint{250, 200}));
    EXPECT_FALSE(Held(VK_LBUTTON) || Held(VK_RBUTTON));
}

TEST_F(WinSinkTest, HeldKeysAndButtonsAreReleasedAfterAStop) {
    struct Probe : WinSink {
        bool sawHeld = false;
        void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data, uintptr_t extra) override {
            WinSink::mouse_event(flags, dx, dy, data, extra);
            sawHeld = sawHeld || (Held(VK_SHIFT) && Held(VK_LBUTTON));
        }
    } probe;
    RangeGenerator random([] { return 0u; });
    Player player({"KeyDown #16", "MouseLDown ", "Stop"}, probe, random);
    EXPECT_EQ(player.Play(1, PlaySettings{false, std::nullopt}), PlayOutcome::Stopped);
    EXPECT_TRUE(probe.sawHeld);
    EXPECT_FALSE(Held(VK_SHIFT) || Held(VK_LBUTTON));
}

TEST_F(WinSinkTest, CtrlCEndsThePlayerWhichReleasesWhatItHolds) {
    // A name outside the code page: the player reads its arguments as UTF-16.
    fs::path scenario = fs::temp_directory_path() / fs::path(u8"tess-ctrl-c-\u03B1\u00E9-");
    scenario += std::to_string(::GetCurrentProcessId()) + ".sf";
    std::ofstream(scenario) << "Interval 1\nKeyDown #16\nMouseLDown \nInterval 600000\nStop\n";
    std::wstring command = L"\"" + fs::path(TESS_PLAY_PATH).wstring() + L"\" \"" + scenario.wstring() + L"\"";
    // Control events travel through a console: one is made when the tests
    // run without.
    ::FreeConsole();
    ::AllocConsole();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process));
    EXPECT_TRUE(Pump([] { return Held(VK_SHIFT) && Held(VK_LBUTTON); }, 20s));
    // The event goes to every program on the console: this one lets it pass.
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    const DWORD waited = ::WaitForSingleObject(process.hProcess, 20000);
    if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 99);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(status, 128u + 2u);  // SIGINT
    EXPECT_FALSE(Held(VK_SHIFT) || Held(VK_LBUTTON));
    if (Held(VK_SHIFT)) sink_.keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    if (Held(VK_LBUTTON)) sink_.mouse_event(0x8004, 0, 0, 0, 0);
    std::error_code ec;
    fs::remove(scenario, ec);
}

TEST_F(WinSinkTest, ShellOpensAUtf8NameWithTheAssociatedProgram) {
    const fs::path dir = fs::temp_directory_path() / ("tess-open-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(dir);
    const fs::path file = dir / fs::path(u8"sc\u00E9nario \u03B1.tessmark");
    std::ofstream(file) << "x";
    const fs::path out = dir / "opened";
    // Wine reads associations from HKEY_CLASSES_ROOT itself.
    const std::wstring command = L"\"" + fs::path(TESS_MARKER_PATH).wstring() + L"\" \"%1\"";
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, L".tessmark", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"TessalineMarker"), 32);
    ::RegCloseKey(key);
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"TessalineMarker\\shell\\open\\command", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                     static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    ::SetEnvironmentVariableW(L"TESS_MARKER_OUT", out.wstring().c_str());

    const std::u8string name = file.u8string();
    sink_.ShellExecuteA(nullptr, "open", std::string(name.begin(), name.end()), "", "", SW_SHOWNORMAL);
    EXPECT_TRUE(Pump([&] { return fs::exists(out); }, 20s));
    std::ifstream in(out, std::ios::binary);
    const std::string opened((std::istreambuf_iterator<char>(in)), {});
    in.close();
    EXPECT_TRUE(opened.ends_with("sc\xC3\xA9nario \xCE\xB1.tessmark")) << opened;

    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TessalineMarker");
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".tessmark");
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace tess::win
