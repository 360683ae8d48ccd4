#include "platform/win/WinSink.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "platform/DesktopSink.h"
#include "platform/win/WideText.h"

namespace tess::win {

namespace {

void SendKey(WORD vk, WORD scan, DWORD flags, ULONG_PTR extraInfo) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    input.ki.dwExtraInfo = extraInfo;
    ::SendInput(1, &input, sizeof input);
}

// The layout of the thread that owns the focused window: the one the
// characters will be read with.
HKL ActiveLayout() {
    const HWND foreground = ::GetForegroundWindow();
    const DWORD thread = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    return ::GetKeyboardLayout(thread);
}

}  // namespace

void WinSink::SetCursorPos(int32_t x, int32_t y) { ::SetCursorPos(x, y); }

ScreenPoint WinSink::GetCursorPos() {
    POINT point{};
    if (!::GetCursorPos(&point)) return {};
    return {static_cast<int32_t>(point.x), static_cast<int32_t>(point.y)};
}

void WinSink::mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                          uintptr_t extraInfo) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.mouseData = data;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = extraInfo;
    ::SendInput(1, &input, sizeof input);
}

void WinSink::keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) {
    KeyPressGuard* guard = guard_ && guard_->Guards(vk) ? guard_ : nullptr;
    if (guard) guard->BeforeOwnPress(vk);
    SendKey(vk, scan, flags & (KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY), extraInfo);
    if (guard) guard->AfterOwnPress(vk, (flags & KEYEVENTF_KEYUP) != 0);
}

int16_t WinSink::VkKeyScanA(char32_t ch) {
    // A key types one UTF-16 unit: characters beyond the first plane have none.
    if (ch > 0xFFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return -1;
    return static_cast<int16_t>(::VkKeyScanExW(static_cast<WCHAR>(ch), ActiveLayout()));
}

void WinSink::SendUnicodeChar(char32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return;
    WCHAR units[2];
    int count = 1;
    if (ch > 0xFFFF) {
        const char32_t v = ch - 0x10000;
        units[0] = static_cast<WCHAR>(0xD800 + (v >> 10));
        units[1] = static_cast<WCHAR>(0xDC00 + (v & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<WCHAR>(ch);
    }
    for (int i = 0; i < count; ++i) {
        SendKey(0, units[i], KEYEVENTF_UNICODE, 0);
        SendKey(0, units[i], KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0);
    }
}

void WinSink::ShellExecuteA(const void* ownerWindow, const std::string& operation,
                            const std::string& file, const std::string& parameters,
                            const std::string& directory, int showMode) {
    // Some handlers the shell starts need COM on the calling thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring wideOperation = WideFromUtf8(operation);
    const std::wstring wideFile = WideFromUtf8(file);
    const std::wstring wideParameters = WideFromUtf8(parameters);
    const std::wstring wideDirectory = WideFromUtf8(directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No error box for a name nothing opens: the outcome is not reported,
    // and a box would hold playback.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = static_cast<HWND>(const_cast<void*>(ownerWindow));
    info.lpVerb = wideOperation.empty() ? nullptr : wideOperation.c_str();
    info.lpFile = wideFile.c_str();
    info.lpParameters = wideParameters.empty() ? nullptr : wideParameters.c_str();
    info.lpDirectory = wideDirectory.empty() ? nullptr : wideDirectory.c_str();
    info.nShow = showMode;
    ::ShellExecuteExW(&info);
    if (SUCCEEDED(com)) ::CoUninitialize();
}

}  // namespace tess::win

namespace tess {

// Windows has one desktop: every choice reaches it.
DesktopSink CreateDesktopSink(DesktopChoice) {
    DesktopSink desktop;
    desktop.sink = std::make_unique<win::WinSink>();
    return desktop;
}

}  // namespace tess
