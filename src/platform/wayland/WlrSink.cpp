#include "platform/wayland/WlrSink.h"

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/wayland/Keymaps.h"
#include "platform/wayland/virtual-keyboard-unstable-v1-client.h"
#include "platform/wayland/wlr-virtual-pointer-unstable-v1-client.h"
#include "platform/xdg/ShellOpen.h"

namespace tess::wayland {
namespace {

constexpr uint32_t kPressed = WL_KEYBOARD_KEY_STATE_PRESSED;
constexpr uint32_t kReleased = WL_KEYBOARD_KEY_STATE_RELEASED;

bool UploadKeymap(zwp_virtual_keyboard_v1* keyboard, const std::string& text) {
    const int fd = KeymapFile(text);
    if (fd < 0) return false;
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<uint32_t>(text.size() + 1));
    close(fd);
    return true;
}

}  // namespace

WlrSink::WlrSink(std::unique_ptr<Globals> globals)
    : globals_(std::move(globals)),
      presses_(keys_, [this](xkb_keycode_t keycode, bool press) { SendKey(keycode, press); }) {}

std::unique_ptr<WlrSink> WlrSink::Open(std::unique_ptr<Globals> globals, const std::string& keymap,
                                       std::string& error) {
    std::unique_ptr<WlrSink> sink(new WlrSink(std::move(globals)));
    if (!sink->Start(keymap, error)) return nullptr;
    return sink;
}

bool WlrSink::Start(const std::string& keymapText, std::string& error) {
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (context_) {
        keymap_ = xkb_keymap_new_from_string(context_, keymapText.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    if (!keymap_) {
        error = "the keyboard layout could not be compiled";
        return false;
    }
    state_ = xkb_state_new(keymap_);
    keys_ = xkb::KeymapIndex(keymap_, 0);
    // Both devices exist before the first event: a compositor can lose the
    // first events of a device it has just set up.
    pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals_->pointerManager(),
                                                                      globals_->seat());
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals_->keyboardManager(),
                                                                       globals_->seat());
    extraKeyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        globals_->keyboardManager(), globals_->seat());
    char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (text) layoutText_ = text;
    spare_ = SpareKeycodes(keymap_);
    const char* display = std::getenv("DISPLAY");
    typeInPlace_ = display && *display && !spare_.empty();
    const bool uploaded = text && UploadKeymap(keyboard_, text) &&
                          UploadKeymap(extraKeyboard_, ExtraKeymap({XKB_KEY_space}));
    free(text);
    if (!uploaded) {
        error = "the keyboard layout could not be handed to the compositor";
        return false;
    }
    extraKeysyms_ = {XKB_KEY_space};
    globals_->Roundtrip();
    bool changed = false;
    layout_.SetOutputs(globals_->Outputs(changed));
    return true;
}

WlrSink::~WlrSink() {
    if (keyboard_) {
        ReleaseAll();
        zwp_virtual_keyboard_v1_destroy(extraKeyboard_);
        zwp_virtual_keyboard_v1_destroy(keyboard_);
    }
    if (pointer_) zwlr_virtual_pointer_v1_destroy(pointer_);
    globals_->Flush();
    if (state_) xkb_state_unref(state_);
    if (keymap_) xkb_keymap_unref(keymap_);
    if (context_) xkb_context_unref(context_);
}

uint32_t WlrSink::Now() const {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void WlrSink::SetCursorPos(int32_t x, int32_t y) {
    globals_->ReadPending();
    bool changed = false;
    auto outputs = globals_->Outputs(changed);
    if (changed) layout_.SetOutputs(outputs);
    const auto motion = layout_.Place(x, y);
    if (!motion) return;  // no output to put the pointer on
    zwlr_virtual_pointer_v1_motion_absolute(pointer_, Now(), motion->x, motion->y, motion->xExtent,
                                            motion->yExtent);
    zwlr_virtual_pointer_v1_frame(pointer_);
    lastPoint_ = ScreenPoint{x, y};
}

void WlrSink::mouse_event(uint32_t flags, int32_t, int32_t, uint32_t, uintptr_t) {
    presses_.Commit();  // a Ctrl or Alt held for the click is down before it
    static constexpr struct {
        uint32_t flag;
        uint32_t button;
        bool press;
        int index;
    } kButtons[] = {{MOUSEEVENTF_LEFTDOWN, BTN_LEFT, true, 0},
                    {MOUSEEVENTF_LEFTUP, BTN_LEFT, false, 0},
                    {MOUSEEVENTF_RIGHTDOWN, BTN_RIGHT, true, 1},
                    {MOUSEEVENTF_RIGHTUP, BTN_RIGHT, false, 1}};
    for (const auto& b : kButtons) {
        if (!(flags & b.flag)) continue;
        zwlr_virtual_pointer_v1_button(pointer_, Now(), b.button,
                                       b.press ? WL_POINTER_BUTTON_STATE_PRESSED
                                               : WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer_);
        buttonsDown_[b.index] = b.press;
    }
}

void WlrSink::SendModifiers() {
    zwp_virtual_keyboard_v1_modifiers(
        keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
}

void WlrSink::SendKey(xkb_keycode_t keycode, bool press) {
    extraActive_ = false;
    const xkb_keysym_t keysym = press && guard_ ? FirstKeysym(keymap_, keycode) : XKB_KEY_NoSymbol;
    const bool guarded = press && guard_ && guard_->Guards(keycode, keysym);
    if (guarded) guard_->BeforeOwnPress(keycode, keysym);
    zwp_virtual_keyboard_v1_key(keyboard_, Now(), keycode - 8, press ? kPressed : kReleased);
    if (guarded) {
        globals_->Roundtrip();
        guard_->AfterOwnPress(keycode, keysym);
    }
    // The compositor keeps no modifier state for a virtual keyboard: it
    // has to be told after every change, or Shift+A arrives as 'a'.
    const auto changed = xkb_state_update_key(state_, keycode, press ? XKB_KEY_DOWN : XKB_KEY_UP);
    if (changed) SendModifiers();
}

void WlrSink::keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    presses_.KeyEvent(vk, flags & KEYEVENTF_KEYUP);
}

int16_t WlrSink::VkKeyScanA(char32_t ch) { return keys_.VkKeyScan(ch); }

void WlrSink::SendUnicodeChar(char32_t ch) {
    if (!presses_.TypeChar(ch)) {
        const xkb_keysym_t keysym = xkb::KeysymForChar(ch);
        if (keysym != XKB_KEY_NoSymbol) typeInPlace_ ? TypeInPlace(keysym) : TypeOnExtraKeyboard(keysym);
    }
    // A long text must not overflow the connection's buffer.
    globals_->Flush();
}

void WlrSink::WillSendUnicodeChars(std::u32string_view chars) {
    std::vector<xkb_keysym_t>& have = typeInPlace_ ? inPlace_ : extraKeysyms_;
    const size_t room = typeInPlace_ ? spare_.size() : kMaxExtraKeys;
    std::vector<xkb_keysym_t> wanted = have;
    for (char32_t ch : chars) {
        const auto stroke = keys_.KeyForChar(ch);
        if (stroke && stroke->keycode < 256) continue;  // typed with the layout's keys
        const xkb_keysym_t keysym = xkb::KeysymForChar(ch);
        if (keysym == XKB_KEY_NoSymbol || std::find(wanted.begin(), wanted.end(), keysym) != wanted.end())
            continue;
        if (wanted.size() >= room) break;  // the rest one by one, as they come
        wanted.push_back(keysym);
    }
    if (wanted.size() <= have.size()) return;
    if (typeInPlace_) {
        inPlace_ = std::move(wanted);
        UploadInPlace();
    } else if (UploadKeymap(extraKeyboard_, ExtraKeymap(wanted))) {
        extraKeysyms_ = std::move(wanted);
    }
}

bool WlrSink::UploadInPlace() {
    if (!UploadKeymap(keyboard_, ExtendedKeymap(layoutText_, keymap_, spare_, inPlace_))) return false;
    // A new keymap starts with no modifier down: what the scenario holds
    // is said again.
    SendModifiers();
    return true;
}

void WlrSink::TypeInPlace(xkb_keysym_t keysym) {
    size_t slot = std::find(inPlace_.begin(), inPlace_.end(), keysym) - inPlace_.begin();
    if (slot == inPlace_.size()) {
        if (inPlace_.size() >= spare_.size()) inPlace_.clear();
        inPlace_.push_back(keysym);
        slot = inPlace_.size() - 1;
        if (!UploadInPlace()) return;
    }
    const uint32_t key = spare_[slot] - 8;
    zwp_virtual_keyboard_v1_key(keyboard_, Now(), key, kPressed);
    zwp_virtual_keyboard_v1_key(keyboard_, Now(), key, kReleased);
}

void WlrSink::TypeOnExtraKeyboard(xkb_keysym_t keysym) {
    size_t slot = 0;
    while (slot < extraKeysyms_.size() && extraKeysyms_[slot] != keysym) ++slot;
    if (slot == extraKeysyms_.size()) {
        // A new character: the keymap grows by one key (starting afresh
        // when it is full). Events stay in order, so the keymap is in
        // force for the stroke that follows it.
        if (extraKeysyms_.size() >= kMaxExtraKeys) extraKeysyms_.clear();
        extraKeysyms_.push_back(keysym);
        slot = extraKeysyms_.size() - 1;
        if (!UploadKeymap(extraKeyboard_, ExtraKeymap(extraKeysyms_))) return;
    }
    const uint32_t key = static_cast<uint32_t>(kFirstExtraKeycode + slot - 8);
    zwp_virtual_keyboard_v1_key(extraKeyboard_, Now(), key, kPressed);
    zwp_virtual_keyboard_v1_key(extraKeyboard_, Now(), key, kReleased);
    extraActive_ = true;
}

void WlrSink::BackToLayout() {
    if (!extraActive_) return;
    // The seat takes the keyboard that last changed its modifiers as its
    // own again, and hands clients its keymap; an unchanged state is no
    // change, so one modifier nothing uses comes and goes.
    const xkb_mod_index_t mod3 = xkb_keymap_mod_get_index(keymap_, "Mod3");
    const uint32_t blip = mod3 == XKB_MOD_INVALID ? 0 : (1u << mod3);
    zwp_virtual_keyboard_v1_modifiers(
        keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED) ^ blip,
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
        xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
        xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
    SendModifiers();
    extraActive_ = false;
}

void WlrSink::Flush() {
    presses_.Commit();
    BackToLayout();
    globals_->Flush();
    globals_->ReadPending();
}

void WlrSink::ReleaseAll() {
    BackToLayout();
    presses_.ReleaseAll();
    static constexpr uint32_t kButtonCodes[] = {BTN_LEFT, BTN_RIGHT};
    for (size_t b = 0; b < buttonsDown_.size(); ++b) {
        if (!buttonsDown_[b]) continue;
        zwlr_virtual_pointer_v1_button(pointer_, Now(), kButtonCodes[b], WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer_);
    }
    buttonsDown_.reset();
    globals_->Roundtrip();
}

void WlrSink::ShellExecuteA(const void*, const std::string& operation, const std::string& file,
                            const std::string&, const std::string& directory, int) {
    if (operation.empty() || operation == "open") xdg::ShellOpen(file, directory);
}

}  // namespace tess::wayland
