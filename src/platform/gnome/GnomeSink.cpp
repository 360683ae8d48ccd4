#include "platform/gnome/GnomeSink.h"

#include <errno.h>
#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/gnome/InputSources.h"
#include "platform/wayland/Globals.h"
#include "platform/xdg/ShellOpen.h"
#include "script/Utf8.h"

namespace tess::gnome {
namespace {

constexpr uint32_t kButtonCodes[] = {BTN_LEFT, BTN_RIGHT};
constexpr uint8_t kVkControl = 17;
constexpr uint8_t kVkCapital = 20;

// The keymap mutter hands to Wayland clients. A seat without devices of
// its own gets its keyboard only from the session's first key event, so
// this comes after the warm-up; it is asked for a while until it is there.
std::string SeatKeymap(std::string& error) {
    wayland::Globals globals;
    if (!globals.Connect(error)) return {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        std::string keymap = globals.SeatKeymap();
        if (!keymap.empty()) return keymap;
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        globals.Roundtrip();
    }
    error = "GNOME's compositor at \"" + globals.name() + "\" hands Wayland clients no keyboard layout";
    return {};
}

}  // namespace

GnomeSink::GnomeSink(std::unique_ptr<RemoteDesktop> session)
    : session_(std::move(session)),
      presses_(keys_, [this](xkb_keycode_t keycode, bool press) { SendKey(keycode, press); }),
      clipboard_(*session_) {}

std::unique_ptr<GnomeSink> GnomeSink::Open(std::string& error) {
    std::unique_ptr<RemoteDesktop> session = RemoteDesktop::Open(error);
    if (!session) return nullptr;
    std::unique_ptr<GnomeSink> sink(new GnomeSink(std::move(session)));
    if (!sink->Start(error)) return nullptr;
    return sink;
}

bool GnomeSink::Start(std::string& error) {
    // The session's devices join the seat at their first events, and
    // whatever comes before a client bound them is lost: a motion that
    // goes nowhere and a key that types nothing (key code 0) create both.
    session_->MovePointerBy(0, 0);
    session_->Key(0, true);
    session_->Key(0, false);
    session_->Sync();
    const std::string keymapText = SeatKeymap(error);
    if (keymapText.empty()) return false;
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context_) {
        keymap_ = xkb_keymap_new_from_string(context_, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    if (!keymap_) {
        error = "the keyboard layout of GNOME's compositor could not be compiled";
        return false;
    }
    // GNOME Shell's keymap carries every keyboard layout of the input
    // sources; the shell's settings name the one in force.
    xkb_layout_index_t layout = 0;
    if (xkb_keymap_num_layouts(keymap_) > 1) layout = CurrentLayoutOfTheShell();
    if (layout >= xkb_keymap_num_layouts(keymap_)) layout = 0;
    keys_ = xkb::KeymapIndex(keymap_, layout);
    session_->SetPasteKeys([this] { PressPaste(); });
    clipboard_.Enable();
    return true;
}

GnomeSink::~GnomeSink() {
    if (keymap_) {
        ReleaseAll();
        xkb_keymap_unref(keymap_);
    }
    if (context_) xkb_context_unref(context_);
}

void GnomeSink::SetCursorPos(int32_t x, int32_t y) {
    PasteGathered();
    if (session_->MovePointer(x, y)) lastPoint_ = ScreenPoint{x, y};
}

void GnomeSink::mouse_event(uint32_t flags, int32_t, int32_t, uint32_t, uintptr_t) {
    static constexpr struct {
        uint32_t flag;
        bool press;
        int index;
    } kButtons[] = {{MOUSEEVENTF_LEFTDOWN, true, 0},
                    {MOUSEEVENTF_LEFTUP, false, 0},
                    {MOUSEEVENTF_RIGHTDOWN, true, 1},
                    {MOUSEEVENTF_RIGHTUP, false, 1}};
    PasteGathered();
    presses_.Commit();  // a Ctrl or Alt held for the click is down before it
    for (const auto& b : kButtons) {
        if (!(flags & b.flag)) continue;
        session_->Button(kButtonCodes[b.index], b.press);
        buttonsDown_[b.index] = b.press;
    }
}

void GnomeSink::keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    PasteGathered();
    if (vk == kVkCapital) {
        ResumeCapsLock();  // the scenario's own Caps Lock toggles the user's state
        const xkb_keycode_t caps = keys_.KeycodeForVirtualKey(kVkCapital);
        if (caps && !(flags & KEYEVENTF_KEYUP) && !presses_.IsDown(caps)) {
            ReadCapsLock();
            capsOn_ = !capsOn_;
            lastCapsPress_ = std::chrono::steady_clock::now();
        }
    } else {
        SuspendCapsLock();
    }
    presses_.KeyEvent(vk, flags & KEYEVENTF_KEYUP);
}

// A press of the scenario's own that a stop key could take for the user's
// (Pause, or the Q of Ctrl+Alt+Q) goes by with the stop key stepped aside,
// until GNOME has handled it.
void GnomeSink::SendKey(xkb_keycode_t keycode, bool press) {
    xkb_keysym_t keysym = XKB_KEY_NoSymbol;
    if (press && guard_) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap_, keycode, 0, 0, &syms) > 0) keysym = syms[0];
    }
    const bool guarded = press && guard_ && guard_->Guards(keycode, keysym);
    if (guarded) guard_->BeforeOwnPress(keycode, keysym);
    session_->Key(keycode - 8, press);
    if (guarded) {
        session_->Sync();
        guard_->AfterOwnPress(keycode, keysym);
    }
}

void GnomeSink::TapCapsLock() {
    const xkb_keycode_t caps = keys_.KeycodeForVirtualKey(kVkCapital);
    if (!caps || presses_.IsDown(caps)) return;
    session_->Key(caps - 8, true);
    session_->Key(caps - 8, false);
    lastCapsPress_ = std::chrono::steady_clock::now();
}

void GnomeSink::ReadCapsLock() {
    using namespace std::chrono_literals;
    if (capsReadThisTick_ || std::chrono::steady_clock::now() - lastCapsPress_ < 500ms) return;
    capsReadThisTick_ = true;
    session_->Sync();
    capsOn_ = session_->capsLock();
}

void GnomeSink::SuspendCapsLock() {
    if (capsSuspended_) return;
    ReadCapsLock();
    if (!capsOn_) return;
    TapCapsLock();
    capsSuspended_ = true;
}

void GnomeSink::ResumeCapsLock() {
    if (!capsSuspended_) return;
    TapCapsLock();
    capsSuspended_ = false;
}

void GnomeSink::SendUnicodeChar(char32_t ch) {
    if (presses_.CanTypeChar(ch)) {
        PasteGathered();
        SuspendCapsLock();
        presses_.TypeChar(ch);
        return;
    }
    if (!toldOfClipboard_) {
        toldOfClipboard_ = true;
        std::fprintf(stderr,
                     "%s: characters the keyboard layout lacks go through the clipboard: they need a window "
                     "that pastes on Ctrl+V\n",
                     program_invocation_short_name);
    }
    AppendUtf8(gathered_, ch);
}

void GnomeSink::PasteGathered() {
    if (gathered_.empty()) return;
    std::string text = std::move(gathered_);
    gathered_.clear();
    // The keys before the paste are handled before it.
    session_->Sync();
    clipboard_.Paste(text);
}

void GnomeSink::PressPaste() {
    const xkb_keycode_t ctrl = keys_.KeycodeForVirtualKey(kVkControl);
    const xkb_keycode_t v = keys_.KeycodeForVirtualKey('V');
    if (!ctrl || !v) return;
    session_->Key(ctrl - 8, true);
    session_->Key(v - 8, true);
    session_->Key(v - 8, false);
    session_->Key(ctrl - 8, false);
}

void GnomeSink::Flush() {
    PasteGathered();
    presses_.Commit();  // a Ctrl or Alt the scenario holds goes down by the tick's end
    ResumeCapsLock();
    session_->Sync();
    capsReadThisTick_ = false;
}

void GnomeSink::ReleaseAll() {
    PasteGathered();
    presses_.ReleaseAll();
    for (size_t b = 0; b < buttonsDown_.size(); ++b) {
        if (buttonsDown_[b]) session_->Button(kButtonCodes[b], false);
    }
    buttonsDown_.reset();
    ResumeCapsLock();
    session_->Sync();
}

void GnomeSink::ShellExecuteA(const void*, const std::string& operation, const std::string& file,
                              const std::string&, const std::string& directory, int) {
    if (operation.empty() || operation == "open") xdg::ShellOpen(file, directory);
}

}  // namespace tess::gnome
