#include "record/LineComposer.h"

#include <algorithm>
#include <cstdlib>

#include "script/Utf8.h"

namespace tess {
namespace {

constexpr int kLeft = 1;
constexpr int kRight = 3;

int ButtonBit(int button) { return button == kLeft ? 1 : 2; }

// Shift, Ctrl, Alt and the Windows keys (generic, left and right forms).
bool IsModifierKey(uint8_t vk) {
    return vk == 16 || vk == 17 || vk == 18 || vk == 91 || vk == 92 || (vk >= 160 && vk <= 165);
}

// Caps Lock, Num Lock and Scroll Lock: their effect is already in the
// characters typed, so pressing them again on playback would undo it.
bool IsLockKey(uint8_t vk) { return vk == 20 || vk == 144 || vk == 145; }

bool Near(ScreenPoint a, ScreenPoint b, int distance) {
    return std::abs(a.x - b.x) <= distance && std::abs(a.y - b.y) <= distance;
}

std::string KeyLine(const char* word, uint8_t vk) { return std::string(word) + " #" + std::to_string(vk); }

}  // namespace

LineComposer::LineComposer(ComposerOptions options) : options_(options) {}

void LineComposer::Emit(std::string line) {
    if (lines_.empty()) lines_.push_back("Interval " + std::to_string(options_.intervalMs));
    lines_.push_back(std::move(line));
}

void LineComposer::NoteTime(uint32_t time) {
    if (lastTime_) {
        const auto gap = static_cast<int32_t>(time - *lastTime_);
        // Playback spends one tick on each of the two "Interval" lines.
        const int64_t pause = int64_t{gap} - 2 * int64_t{options_.intervalMs};
        if (pause >= int64_t{options_.pauseMs}) {
            Flush();
            if (!lines_.empty()) {
                Emit("Interval " + std::to_string(pause));
                Emit("Interval " + std::to_string(options_.intervalMs));
            }
        }
    }
    if (!lastTime_ || static_cast<int32_t>(time - *lastTime_) > 0) lastTime_ = time;
}

void LineComposer::Flush() {
    FlushText();
    FlushKey();
    FlushPress();
    FlushPointer();
}

void LineComposer::FlushText() {
    if (text_.empty()) return;
    std::string text;
    text.swap(text_);
    Emit("Write " + text);
}

void LineComposer::FlushPointer() {
    if (moved_) WriteCurPos(*moved_);
    moved_.reset();
}

void LineComposer::FlushPress() {
    if (!press_) return;
    const Press press = *press_;
    press_.reset();
    WriteModifiers();
    WriteCurPos(press.point);
    Emit(press.button == kLeft ? "MouseLDown " : "MouseRDown ");
    buttonsDown_ |= ButtonBit(press.button);
}

void LineComposer::FlushKey() {
    if (!key_) return;
    Emit(KeyLine("KeyDown", *key_));
    keysDown_.push_back(*key_);
    key_.reset();
}

void LineComposer::WriteModifiers() {
    for (auto& held : modifiers_) {
        if (held.written) continue;
        FlushText();
        Emit(KeyLine("KeyDown", held.vk));
        held.written = true;
    }
}

void LineComposer::WriteCurPos(ScreenPoint point) {
    if (written_ && *written_ == point) return;
    Emit("CurPos " + std::to_string(point.x) + "," + std::to_string(point.y));
    written_ = point;
}

void LineComposer::Add(const InputEvent& event) {
    NoteTime(event.time);
    switch (event.kind) {
    case InputEventKind::Motion:
        OnMotion(event);
        break;
    case InputEventKind::ButtonDown:
    case InputEventKind::ButtonUp:
        tap_.reset();
        OnButton(event, event.kind == InputEventKind::ButtonDown);
        break;
    case InputEventKind::KeyDown:
    case InputEventKind::KeyUp:
        OnKey(event, event.kind == InputEventKind::KeyDown);
        break;
    }
}

void LineComposer::OnMotion(const InputEvent& event) {
    if (press_) {
        // A small wobble while pressing still makes a click.
        if (Near(event.point, press_->point, options_.clickSlop)) return;
        FlushPress();
    }
    if (buttonsDown_ == 0) {
        moved_ = event.point;
        return;
    }
    // Dragging: the path, one point every few pixels.
    if (!written_ || !Near(event.point, *written_, options_.pathStep - 1)) {
        WriteCurPos(event.point);
        moved_.reset();
    } else {
        moved_ = event.point;
    }
}

void LineComposer::OnButton(const InputEvent& event, bool down) {
    if (event.button != kLeft && event.button != kRight) return;
    if (down) {
        FlushText();
        FlushKey();
        FlushPress();
        moved_.reset();
        press_ = Press{event.button, event.point};
        return;
    }
    if (press_ && press_->button == event.button) {
        const Press press = *press_;
        press_.reset();
        WriteModifiers();
        WriteCurPos(press.point);
        Emit(press.button == kLeft ? "Click " : "ClickRight ");
        return;
    }
    if ((buttonsDown_ & ButtonBit(event.button)) == 0) return;  // pressed before recording
    FlushText();
    FlushKey();
    moved_.reset();
    WriteCurPos(event.point);
    Emit(event.button == kLeft ? "MouseLUp " : "MouseRUp ");
    buttonsDown_ &= ~ButtonBit(event.button);
}

void LineComposer::OnKey(const InputEvent& event, bool down) {
    const uint8_t vk = event.vk;
    if (IsLockKey(vk)) return;
    if (IsModifierKey(vk)) {
        auto held = std::find_if(modifiers_.begin(), modifiers_.end(),
                                 [vk](const HeldModifier& m) { return m.vk == vk; });
        if (down) {
            if (held != modifiers_.end()) return;  // repeated by the keyboard
            FlushKey();
            modifiers_.push_back({vk, false});
            tap_ = vk;
            return;
        }
        if (held == modifiers_.end()) return;  // pressed before recording
        const bool written = held->written;
        modifiers_.erase(held);
        if (written) {
            FlushText();
            FlushKey();
            Emit(KeyLine("KeyUp", vk));
        } else if (tap_ == vk) {
            // Pressed and released alone (Alt opens a menu bar).
            FlushText();
            FlushKey();
            FlushPress();
            WriteModifiers();
            Emit(KeyLine("KeyPress", vk));
        }
        tap_.reset();
        return;
    }
    tap_.reset();

    if (down) {
        const bool text = event.ch >= 0x20 && event.ch != 0x7F && !(event.ch >= 0x80 && event.ch < 0xA0) &&
                          (event.modifiers & (kModCtrl | kModAlt | kModWin)) == 0;
        if (text) {
            FlushKey();
            FlushPress();
            AppendUtf8(text_, event.ch);
            return;
        }
        if (vk == 0) return;
        FlushText();
        if (key_ == vk) {
            // Held long enough to repeat: each repeat is a press of its own.
            Emit(KeyLine("KeyPress", vk));
            return;
        }
        FlushKey();
        FlushPress();
        if (std::find(keysDown_.begin(), keysDown_.end(), vk) != keysDown_.end()) return;
        WriteModifiers();
        key_ = vk;
        return;
    }
    if (key_ == vk) {
        key_.reset();
        Emit(KeyLine("KeyPress", vk));
        return;
    }
    auto written = std::find(keysDown_.begin(), keysDown_.end(), vk);
    if (written == keysDown_.end()) return;  // a typed character, or pressed before recording
    keysDown_.erase(written);
    FlushText();
    FlushKey();
    Emit(KeyLine("KeyUp", vk));
}

std::vector<std::string> LineComposer::Finish() {
    FlushText();
    if (key_) Emit(KeyLine("KeyPress", *key_));
    key_.reset();
    FlushPress();
    FlushPointer();
    // Nothing the recording pressed stays pressed after it.
    for (auto it = keysDown_.rbegin(); it != keysDown_.rend(); ++it) Emit(KeyLine("KeyUp", *it));
    keysDown_.clear();
    for (auto it = modifiers_.rbegin(); it != modifiers_.rend(); ++it) {
        if (it->written) Emit(KeyLine("KeyUp", it->vk));
    }
    modifiers_.clear();
    if (buttonsDown_ & ButtonBit(kLeft)) Emit("MouseLUp ");
    if (buttonsDown_ & ButtonBit(kRight)) Emit("MouseRUp ");
    buttonsDown_ = 0;
    return lines_;
}

}  // namespace tess
