#pragma once
// The desktop sink for wlroots compositors (sway, labwc, river, Wayfire):
// a virtual pointer moved over the outputs' logical layout, a virtual
// keyboard carrying the seat's layout, and a second virtual keyboard whose
// keymap carries the characters that layout lacks.
#include <xkbcommon/xkbcommon.h>

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/InputSink.h"
#include "platform/OwnKeyGuard.h"
#include "platform/wayland/Globals.h"
#include "platform/xkb/KeyPresses.h"
#include "platform/xkb/KeymapIndex.h"

struct zwlr_virtual_pointer_v1;
struct zwp_virtual_keyboard_v1;

namespace tess::wayland {

class WlrSink : public InputSink, public GuardedSink {
public:
    // Takes a connection whose compositor offers the virtual pointer and
    // keyboard managers and a seat. The keymap is the XKB text to type
    // with. Returns nullptr with a reason when it cannot be used.
    static std::unique_ptr<WlrSink> Open(std::unique_ptr<Globals> globals, const std::string& keymap,
                                         std::string& error);
    ~WlrSink() override;
    WlrSink(const WlrSink&) = delete;
    WlrSink& operator=(const WlrSink&) = delete;

    void SetCursorPos(int32_t x, int32_t y) override;
    // Wayland tells ordinary programs nothing of the pointer: this is the
    // last point this sink moved it to.
    ScreenPoint GetCursorPos() override { return lastPoint_.value_or(ScreenPoint{}); }
    bool CursorPosKnown() override { return lastPoint_.has_value(); }
    bool CursorPosLive() override { return false; }
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                     uintptr_t extraInfo) override;
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) override;
    int16_t VkKeyScanA(char32_t ch) override;
    void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                       const std::string& file, const std::string& parameters,
                       const std::string& directory, int showMode) override;
    void SendUnicodeChar(char32_t ch) override;
    // Puts every announced character the layout lacks on the extra
    // keyboard's keymap at once: one keymap for a whole text.
    void WillSendUnicodeChars(std::u32string_view chars) override;
    void Flush() override;

    // Lets go of every key and button this sink holds down.
    void ReleaseAll();
    void SetOwnKeyGuard(OwnKeyGuard* guard) override { guard_ = guard; }

private:
    explicit WlrSink(std::unique_ptr<Globals> globals);
    bool Start(const std::string& keymap, std::string& error);
    void SendKey(xkb_keycode_t keycode, bool press);
    void SendModifiers();
    void TypeOnExtraKeyboard(xkb_keysym_t keysym);
    void TypeInPlace(xkb_keysym_t keysym);
    bool UploadInPlace();
    void BackToLayout();
    uint32_t Now() const;

    std::unique_ptr<Globals> globals_;
    OutputLayout layout_;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    zwp_virtual_keyboard_v1* extraKeyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    xkb::KeymapIndex keys_;
    xkb::KeyPresses presses_;
    std::optional<ScreenPoint> lastPoint_;
    std::bitset<2> buttonsDown_;  // left, right

    std::vector<xkb_keysym_t> extraKeysyms_;  // what the extra keymap carries
    bool extraActive_ = false;  // the extra keyboard typed last
    // With XWayland beside the compositor, characters the layout lacks go
    // on spare keys of the layout's own keymap, which then stays in force:
    // XWayland clients look a key up when they read it, after a swapped
    // keymap would have been swapped back already.
    std::string layoutText_;
    std::vector<xkb_keycode_t> spare_;
    std::vector<xkb_keysym_t> inPlace_;  // what the spare keys carry
    bool typeInPlace_ = false;
    OwnKeyGuard* guard_ = nullptr;
};

}  // namespace tess::wayland
