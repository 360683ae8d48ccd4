// The stop keys on Windows inside Wine: hot keys pressed by another
// process stop a running player, the scenario's own presses of the same
// keys do not, and a key another program holds is named once.
#include <gtest/gtest.h>

#include "app/play/Player.h"
#include "platform/win/WinSink.h"
#include "platform/win/WinStopKey.h"
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

bool Held(int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; }

void Send(const std::vector<WORD>& keys, bool release) {
    for (WORD vk : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
        ::SendInput(1, &input, sizeof input);
    }
}

TEST(WinStopKeyTest, KeyFromAnotherProcessStopsThePlayerWithNothingHeld) {
    const fs::path scenario =
        fs::temp_directory_path() / ("tess-stop-key-" + std::to_string(::GetCurrentProcessId()) + ".sf");
    std::ofstream(scenario) << "Interval 1\nKeyDown #16\nMouseLDown \nCurPos 10,10\nCurPos 20,20\n";
    const std::vector<std::vector<WORD>> stopKeys = {{VK_PAUSE}, {VK_CONTROL, VK_MENU, 'Q'}};
    for (const auto& keys : stopKeys) {
        SCOPED_TRACE(keys.size() == 1 ? "Pause" : "Ctrl+Alt+Q");
        std::wstring command =
            L"\"" + fs::path(TESS_PLAY_PATH).wstring() + L"\" --repeat \"" + scenario.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &process));
        // Shift is held by the scenario when the key comes: the key counts
        // whatever the scenario holds.
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (!(Held(VK_SHIFT) && Held(VK_LBUTTON)) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(Held(VK_SHIFT) && Held(VK_LBUTTON));
        Send(keys, false);
        Send({keys.rbegin(), keys.rend()}, true);
        const DWORD waited = ::WaitForSingleObject(process.hProcess, 20000);
        if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 99);
        DWORD status = 99;
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
        EXPECT_EQ(waited, WAIT_OBJECT_0);
        EXPECT_EQ(status, 0u);
        EXPECT_FALSE(Held(VK_SHIFT) || Held(VK_LBUTTON));
        if (Held(VK_SHIFT)) Send({VK_SHIFT}, true);
        if (Held(VK_LBUTTON)) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
            ::SendInput(1, &input, sizeof input);
        }
    }
    std::error_code ec;
    fs::remove(scenario, ec);
}

TEST(WinStopKeyTest, KeysTheScenarioSendsItselfDoNotStopIt) {
    WinSink sink;
    std::string notice;
    const std::unique_ptr<StopKey> key = CreateStopKey(sink, notice);
    EXPECT_EQ(notice, "");
    RangeGenerator random([] { return 0u; });
    Player player({"Interval 1", "KeyPress #19", "KeyDown #17", "KeyDown #18", "KeyPress #81", "KeyUp #18",
                   "KeyUp #17"},
                  sink, random);
    player.Host().repeat = true;
    player.SetStopKey(key.get(), {});
    // Two rounds: the keys are taken back after each of the scenario's own.
    EXPECT_EQ(player.Play(1, PlaySettings{true, 14}), PlayOutcome::TickLimit);
    EXPECT_FALSE(key->Armed());
    // And a key from elsewhere still stops the same player.
    key->Arm();
    Send({VK_PAUSE}, false);
    Send({VK_PAUSE}, true);
    EXPECT_TRUE(key->TakePress());
    key->Disarm();
}

TEST(WinStopKeyTest, KeyThatAnotherProgramHoldsIsNamedOnceAndTheOtherStillStops) {
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_NOREPEAT, VK_PAUSE));
    WinSink sink;
    WinStopKey key(&sink);
    key.Arm();
    EXPECT_EQ(key.TakeNotices(),
              std::vector<std::string>{"Pause does not stop playback here: another program holds that key"});
    key.Disarm();
    key.Arm();
    EXPECT_TRUE(key.TakeNotices().empty());
    Send({VK_CONTROL, VK_MENU, 'Q'}, false);
    Send({'Q', VK_MENU, VK_CONTROL}, true);
    EXPECT_TRUE(key.TakePress());
    key.Disarm();
    ::UnregisterHotKey(nullptr, 1);
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    }
}

}  // namespace
}  // namespace tess::win
