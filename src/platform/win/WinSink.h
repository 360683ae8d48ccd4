#pragma once
// The desktop sink on Windows: the cursor through SetCursorPos and
// GetCursorPos, buttons and keys through SendInput, characters mapped on
// the keyboard layout of the window that has the focus, characters no key
// produces as Unicode key events, and the shell's "open" through
// ShellExecuteExW (never a command interpreter).
#include "platform/InputSink.h"
#include "platform/win/KeyPressGuard.h"

namespace tess::win {

class WinSink : public InputSink {
public:
    void SetCursorPos(int32_t x, int32_t y) override;
    ScreenPoint GetCursorPos() override;
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                     uintptr_t extraInfo) override;
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) override;
    int16_t VkKeyScanA(char32_t ch) override;
    void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                       const std::string& file, const std::string& parameters,
                       const std::string& directory, int showMode) override;
    void SendUnicodeChar(char32_t ch) override;

    // Steps aside around the sink's own events of the keys it guards
    // (nullptr: none).
    void SetKeyPressGuard(KeyPressGuard* guard) { guard_ = guard; }

private:
    KeyPressGuard* guard_ = nullptr;
};

}  // namespace tess::win
