#pragma once
// The desktop sink for KDE Plasma (KWin) through its fake input: the
// pointer moved to points of the outputs' logical layout, buttons, and keys
// by key code (KWin keeps the modifier state itself). Only key codes can be
// sent: a character the layout lacks cannot be typed.
#include <xkbcommon/xkbcommon.h>

#include <bitset>
#include <memory>
#include <optional>
#include <string>

#include "platform/InputSink.h"
#include "platform/OwnKeyGuard.h"
#include "platform/wayland/Globals.h"
#include "platform/xkb/KeyPresses.h"
#include "platform/xkb/KeymapIndex.h"

namespace tess::wayland {

class KdeSink : public InputSink, public GuardedSink {
public:
    // Takes a connection whose compositor offers fake input version 4 or
    // later; the keymap is the XKB text of the layout KWin types with.
    static std::unique_ptr<KdeSink> Open(std::unique_ptr<Globals> globals, const std::string& keymap,
                                         std::string& error);
    ~KdeSink() override;
    KdeSink(const KdeSink&) = delete;
    KdeSink& operator=(const KdeSink&) = delete;

    void SetCursorPos(int32_t x, int32_t y) override;
    // KWin tells ordinary programs nothing of the pointer: the last point
    // this sink moved it to.
    ScreenPoint GetCursorPos() override { return lastPoint_.value_or(ScreenPoint{}); }
    bool CursorPosKnown() override { return lastPoint_.has_value(); }
    bool CursorPosLive() override { return false; }
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                     uintptr_t extraInfo) override;
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) override;
    int16_t VkKeyScanA(char32_t ch) override { return keys_.VkKeyScan(ch); }
    void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                       const std::string& file, const std::string& parameters,
                       const std::string& directory, int showMode) override;
    // Types the character when the layout has it; otherwise nothing can.
    void SendUnicodeChar(char32_t ch) override;
    // Names, on standard error and once for the text, the characters of
    // it that KWin cannot be given.
    void WillSendUnicodeChars(std::u32string_view chars) override;
    void Flush() override;

    void ReleaseAll();
    void SetOwnKeyGuard(OwnKeyGuard* guard) override { guard_ = guard; }

private:
    explicit KdeSink(std::unique_ptr<Globals> globals);
    void SendKey(xkb_keycode_t keycode, bool press);

    std::unique_ptr<Globals> globals_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb::KeymapIndex keys_;
    xkb::KeyPresses presses_;
    OutputLayout layout_;
    std::optional<ScreenPoint> lastPoint_;
    std::bitset<2> buttonsDown_;  // left, right
    OwnKeyGuard* guard_ = nullptr;
};

}  // namespace tess::wayland
