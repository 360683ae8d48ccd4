#include "platform/wayland/KdeSink.h"

#include <errno.h>
#include <linux/input-event-codes.h>

#include <cstdio>
#include <string>

#include "platform/wayland/Keymaps.h"
#include "platform/wayland/fake-input-client.h"
#include "platform/xdg/ShellOpen.h"
#include "script/Utf8.h"

namespace tess::wayland {
namespace {

constexpr uint32_t kButtonCodes[] = {BTN_LEFT, BTN_RIGHT};

}  // namespace

KdeSink::KdeSink(std::unique_ptr<Globals> globals)
    : globals_(std::move(globals)),
      presses_(keys_, [this](xkb_keycode_t keycode, bool press) { SendKey(keycode, press); }) {}

void KdeSink::SendKey(xkb_keycode_t keycode, bool press) {
    // KWin matches its global shortcuts against fake input too: a stop key
    // taken there steps aside for the scenario's own press of it.
    const xkb_keysym_t keysym = press && guard_ ? FirstKeysym(keymap_, keycode) : XKB_KEY_NoSymbol;
    const bool guarded = press && guard_ && guard_->Guards(keycode, keysym);
    if (guarded) guard_->BeforeOwnPress(keycode, keysym);
    org_kde_kwin_fake_input_keyboard_key(globals_->fakeInput(), keycode - 8,
                                         press ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (guarded) {
        globals_->Roundtrip();
        guard_->AfterOwnPress(keycode, keysym);
    }
}

std::unique_ptr<KdeSink> KdeSink::Open(std::unique_ptr<Globals> globals, const std::string& keymap,
                                       std::string& error) {
    std::unique_ptr<KdeSink> sink(new KdeSink(std::move(globals)));
    sink->context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (sink->context_) {
        sink->keymap_ = xkb_keymap_new_from_string(sink->context_, keymap.c_str(),
                                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    if (!sink->keymap_) {
        error = "the keyboard layout could not be compiled";
        return nullptr;
    }
    sink->keys_ = xkb::KeymapIndex(sink->keymap_, 0);
    org_kde_kwin_fake_input_authenticate(sink->globals_->fakeInput(), "Tessaline 0003",
                                         "plays scenarios of mouse moves, clicks and keys");
    // KWin can lose the first event after the authentication: settle it.
    sink->globals_->Roundtrip();
    sink->layout_.SetOutputs(sink->globals_->Outputs());
    return sink;
}

KdeSink::~KdeSink() {
    if (keymap_) ReleaseAll();
    if (keymap_) xkb_keymap_unref(keymap_);
    if (context_) xkb_context_unref(context_);
}

void KdeSink::SetCursorPos(int32_t x, int32_t y) {
    globals_->ReadPending();
    bool changed = false;
    auto outputs = globals_->Outputs(changed);
    if (changed) layout_.SetOutputs(outputs);
    const auto point = layout_.PlaceInLayout(x, y);
    if (!point) return;
    org_kde_kwin_fake_input_pointer_motion_absolute(globals_->fakeInput(), wl_fixed_from_int(point->x),
                                                    wl_fixed_from_int(point->y));
    lastPoint_ = ScreenPoint{x, y};
}

void KdeSink::mouse_event(uint32_t flags, int32_t, int32_t, uint32_t, uintptr_t) {
    presses_.Commit();  // a Ctrl or Alt held for the click is down before it
    static constexpr struct {
        uint32_t flag;
        bool press;
        int index;
    } kButtons[] = {{MOUSEEVENTF_LEFTDOWN, true, 0},
                    {MOUSEEVENTF_LEFTUP, false, 0},
                    {MOUSEEVENTF_RIGHTDOWN, true, 1},
                    {MOUSEEVENTF_RIGHTUP, false, 1}};
    for (const auto& b : kButtons) {
        if (!(flags & b.flag)) continue;
        org_kde_kwin_fake_input_button(globals_->fakeInput(), kButtonCodes[b.index],
                                       b.press ? WL_POINTER_BUTTON_STATE_PRESSED
                                               : WL_POINTER_BUTTON_STATE_RELEASED);
        buttonsDown_[b.index] = b.press;
    }
}

void KdeSink::keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    presses_.KeyEvent(vk, flags & KEYEVENTF_KEYUP);
}

void KdeSink::SendUnicodeChar(char32_t ch) {
    // Only key codes reach KWin: a character without a key of its own is
    // typed through the layout's dead keys where they lead to it, else
    // dropped (the user was told so when the sink opened).
    if (!presses_.TypeChar(ch)) presses_.TypeWithDeadKey(ch);
    globals_->Flush();
}

void KdeSink::WillSendUnicodeChars(std::u32string_view chars) {
    std::u32string lacking;
    for (char32_t ch : chars) {
        const bool typable = presses_.CanTypeChar(ch) || keys_.DeadKeysForChar(ch).has_value();
        if (!typable && lacking.find(ch) == std::u32string::npos) lacking += ch;
    }
    if (lacking.empty()) return;
    std::string text;
    for (char32_t ch : lacking) AppendUtf8(text, ch);
    std::fprintf(stderr, "%s: KDE Plasma cannot type \"%s\": the keyboard layout lacks %s\n",
                 program_invocation_short_name, text.c_str(), lacking.size() == 1 ? "it" : "them");
}

void KdeSink::Flush() {
    presses_.Commit();
    globals_->Flush();
    globals_->ReadPending();
}

void KdeSink::ReleaseAll() {
    presses_.ReleaseAll();
    for (size_t b = 0; b < buttonsDown_.size(); ++b) {
        if (buttonsDown_[b])
            org_kde_kwin_fake_input_button(globals_->fakeInput(), kButtonCodes[b],
                                           WL_POINTER_BUTTON_STATE_RELEASED);
    }
    buttonsDown_.reset();
    globals_->Roundtrip();
}

void KdeSink::ShellExecuteA(const void*, const std::string& operation, const std::string& file,
                            const std::string&, const std::string& directory, int) {
    if (operation.empty() || operation == "open") xdg::ShellOpen(file, directory);
}

}  // namespace tess::wayland
