#include "playback/ActionExecution.h"

#include <string>
#include <vector>

#include "script/ActionLine.h"
#include "script/Utf8.h"

namespace tess {

namespace {

constexpr uint8_t kVkShift = 16;
constexpr uint8_t kVkControl = 17;
constexpr uint8_t kVkMenu = 18;  // Alt
constexpr uint8_t kVkLShift = 160;    // then 161, the right one
constexpr uint8_t kVkLControl = 162;  // then 163
constexpr uint8_t kVkLMenu = 164;     // then 165

void PerformCurPos(std::string_view line, ActionContext& c) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) throw LineFailure("no comma between x and y");
    const std::string xField = ScanNumberField(line, 0, comma, true);
    if (xField.empty()) throw LineFailure("x is missing");
    const int32_t x = EvaluateNumberField(xField, c.random);
    const std::string yField = ScanNumberField(line, comma + 1, line.size(), true);
    if (yField.empty()) throw LineFailure("y is missing");
    const int32_t y = EvaluateNumberField(yField, c.random);
    c.sink.SetCursorPos(x, y);
}

void PerformInterval(std::string_view line, ActionContext& c) {
    const std::string field = ScanNumberField(line, 0, line.size(), true);
    if (field.empty()) throw LineFailure("interval is missing");
    c.engine.IntervalLine(static_cast<uint32_t>(EvaluateNumberField(field, c.random)));
}

// Whether the scenario holds a modifier down through "KeyDown", in its
// generic, left or right form.
bool ModifierHeld(const HeldInput& held, uint8_t generic, uint8_t left) {
    return held.KeyHeld(generic) || held.KeyHeld(left) || held.KeyHeld(static_cast<uint8_t>(left + 1));
}

}  // namespace

bool LoadLimit::Take(int64_t now) {
    constexpr int64_t kSecond = 1'000'000'000;
    if (count_ < kPerSecond) {
        starts_[(oldest_ + count_++) % kPerSecond] = now;
        return true;
    }
    if (now - starts_[oldest_] < kSecond) return false;
    starts_[oldest_] = now;
    oldest_ = (oldest_ + 1) % kPerSecond;
    return true;
}

void TextTyping::Start(std::string_view text, InputSink& /*sink*/, const HeldInput& held) {
    Drop();
    for (std::size_t pos = 0; pos < text.size();) chars_ += NextCodePoint(text, pos);
    scans_.reserve(chars_.size());
    // A modifier the scenario holds stays as it is: the characters are
    // typed with it held, and the text neither presses nor releases it.
    shiftHeld_ = ModifierHeld(held, kVkShift, kVkLShift);
    ctrlHeld_ = ModifierHeld(held, kVkControl, kVkLControl);
    altHeld_ = ModifierHeld(held, kVkMenu, kVkLMenu);
}

bool TextTyping::TypeSlice(InputSink& sink, HeldInput& held, const std::function<bool()>& sliceOver) {
    // Every character is mapped to its key first (in slices too: a long
    // text takes a while), and the off-layout ones are announced together
    // before the first is typed.
    while (scans_.size() < chars_.size()) {
        scans_.push_back(sink.VkKeyScanA(chars_[scans_.size()]));
        if (scans_.back() == -1) offLayout_ += chars_[scans_.size() - 1];
        if (scans_.size() == chars_.size()) {
            if (!offLayout_.empty()) sink.WillSendUnicodeChars(offLayout_);
            offLayout_ = {};
        }
        if (sliceOver && sliceOver()) return Pending();
    }
    while (next_ < chars_.size()) {
        const std::size_t i = next_++;
        if (scans_[i] == -1) {
            sink.SendUnicodeChar(chars_[i]);
        } else {
            const auto vk = static_cast<uint8_t>(scans_[i] & 0xFF);
            const int shiftState = (scans_[i] >> 8) & 0xFF;
            uint8_t modifiers[3];
            int count = 0;
            if ((shiftState & kShiftStateShift) && !shiftHeld_) modifiers[count++] = kVkShift;
            if ((shiftState & kShiftStateCtrl) && !ctrlHeld_) modifiers[count++] = kVkControl;
            if ((shiftState & kShiftStateAlt) && !altHeld_) modifiers[count++] = kVkMenu;
            for (int m = 0; m < count; ++m) held.Key(sink, modifiers[m], false);
            held.Key(sink, vk, false);
            held.Key(sink, vk, true);
            for (int m = count - 1; m >= 0; --m) held.Key(sink, modifiers[m], true);
        }
        if (next_ < chars_.size() && sliceOver && sliceOver()) break;
    }
    const bool left = Pending();
    if (!left) Drop();
    return left;
}

void TextTyping::Drop() {
    chars_ = {};
    scans_ = {};
    offLayout_ = {};
    next_ = 0;
}

void WriteText(std::string_view text, InputSink& sink, HeldInput& held) {
    TextTyping typing;
    typing.Start(text, sink, held);
    typing.TypeSlice(sink, held, {});
}

void PerformActionLine(std::string_view line, ActionContext& c) {
    const SplitLine split = SplitActionLine(line);
    switch (MatchCommand(split.word)) {
    case ActionCommand::CurPos:
        PerformCurPos(line, c);
        break;
    case ActionCommand::Click:
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN);
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP);
        break;
    case ActionCommand::ClickRight:
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN);
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP);
        break;
    case ActionCommand::MouseLDown:
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN);
        break;
    case ActionCommand::MouseLUp:
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP);
        break;
    case ActionCommand::MouseRDown:
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN);
        break;
    case ActionCommand::MouseRUp:
        c.held.Mouse(c.sink, MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP);
        break;
    case ActionCommand::Load:
        if (!c.engine.LoadAllowed()) break;
        c.sink.ShellExecuteA(c.ownerWindow, "open", std::string(split.parameter), "", "",
                             SW_SHOWNORMAL);
        break;
    case ActionCommand::Stop:
        c.engine.StopLine();
        break;
    case ActionCommand::Cycle:
        c.engine.CycleLine(line);
        break;
    case ActionCommand::CycleEnd:
        c.engine.CycleEndLine();
        break;
    case ActionCommand::Interval:
        PerformInterval(line, c);
        break;
    case ActionCommand::KeyPress: {
        const uint8_t vk = ReadKeyCode(line, c.sink);
        c.held.Key(c.sink, vk, false);
        c.held.Key(c.sink, vk, true);
        break;
    }
    case ActionCommand::KeyDown:
        c.held.Key(c.sink, ReadKeyCode(line, c.sink), false);
        break;
    case ActionCommand::KeyUp:
        c.held.Key(c.sink, ReadKeyCode(line, c.sink), true);
        break;
    case ActionCommand::Write:
        if (c.typing)
            c.typing->Start(split.parameter, c.sink, c.held);
        else
            WriteText(split.parameter, c.sink, c.held);
        break;
    case ActionCommand::None:
        break;
    }
}

}  // namespace tess
