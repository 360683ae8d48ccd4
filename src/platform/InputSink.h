#pragma once
// The six operations through which the program reaches the desktop, under
// their Windows names, plus one for characters that no key of the layout
// produces. Every effect on the rest of the system passes through here.
#include <cstdint>
#include <string>
#include <string_view>

namespace tess {

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Windows constant values used by the actions.
inline constexpr uint32_t MOUSEEVENTF_ABSOLUTE = 0x8000;
inline constexpr uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
inline constexpr uint32_t MOUSEEVENTF_LEFTUP = 0x0004;
inline constexpr uint32_t MOUSEEVENTF_RIGHTDOWN = 0x0008;
inline constexpr uint32_t MOUSEEVENTF_RIGHTUP = 0x0010;
inline constexpr uint32_t KEYEVENTF_KEYUP = 0x0002;
inline constexpr int SW_SHOWNORMAL = 1;

// Modifier bits in the high byte of a VkKeyScanA result.
inline constexpr int kShiftStateShift = 1;
inline constexpr int kShiftStateCtrl = 2;
inline constexpr int kShiftStateAlt = 4;

class InputSink {
public:
    virtual ~InputSink() = default;

    // Moves the pointer to an absolute screen point (origin: top-left of the
    // primary monitor). The system keeps the pointer on screen.
    virtual void SetCursorPos(int32_t x, int32_t y) = 0;
    virtual ScreenPoint GetCursorPos() = 0;
    // Whether GetCursorPos tells where the pointer is. Some desktops tell
    // ordinary programs nothing of it: there GetCursorPos answers the last
    // point SetCursorPos moved it to, and false until there is one.
    virtual bool CursorPosKnown() { return true; }
    // Whether GetCursorPos reads the pointer's position from the desktop
    // (true) or only answers the last point SetCursorPos moved it to.
    virtual bool CursorPosLive() { return true; }
    // One button event at the pointer's current position, no motion.
    virtual void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                             uintptr_t extraInfo) = 0;
    // One key event: flags 0 for down, KEYEVENTF_KEYUP for up.
    virtual void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) = 0;
    // One character (a Unicode code point) to its key on the current layout:
    // low byte the virtual-key code, high byte the shift state; -1 when no key
    // of the layout produces it.
    virtual int16_t VkKeyScanA(char32_t ch) = 0;
    // Asks the desktop to open a file or address. Never blocks, never fails
    // the caller; the outcome is not reported.
    virtual void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                               const std::string& file, const std::string& parameters,
                               const std::string& directory, int showMode) = 0;
    // Types one character that VkKeyScanA cannot map.
    virtual void SendUnicodeChar(char32_t ch) = 0;
    // Announces the characters SendUnicodeChar will be given next, in order,
    // so that the sink can prepare for all of them at once. A hint only.
    virtual void WillSendUnicodeChars(std::u32string_view /*chars*/) {}
    // Hands everything sent so far to the system; called at the end of a tick.
    virtual void Flush() {}
};

}  // namespace tess
