#include "app/play/DryRunOutput.h"

#include <charconv>

#include "platform/recording/RecordingSink.h"

namespace tess {

namespace {

constexpr std::size_t kFlushAt = 1 << 16;

}  // namespace

DryRunOutput::DryRunOutput(Writer write) : write_(std::move(write)) { buffer_.reserve(kFlushAt + 4096); }

DryRunOutput::~DryRunOutput() { Finish(); }

void DryRunOutput::Begin(int32_t line) {
    Number(line);
    buffer_ += ' ';
}

void DryRunOutput::Number(int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
}

void DryRunOutput::End() {
    buffer_ += '\n';
    if (buffer_.size() >= kFlushAt) Finish();
}

void DryRunOutput::Finish() {
    if (!buffer_.empty()) {
        if (good_ && !write_(buffer_)) good_ = false;
        buffer_.clear();
    }
}

void DryRunOutput::SetCursorPos(int32_t x, int32_t y) {
    cursor_ = {x, y};
    Begin();
    buffer_ += "SetCursorPos ";
    Number(x);
    buffer_ += ' ';
    Number(y);
    End();
}

void DryRunOutput::mouse_event(uint32_t flags, int32_t, int32_t, uint32_t, uintptr_t) {
    static constexpr char kHex[] = "0123456789abcdef";
    Begin();
    buffer_ += "mouse_event 0x";
    char digits[8];
    int n = 0;
    for (uint32_t v = flags; v != 0 || n < 4; v >>= 4) digits[n++] = kHex[v & 0xF];
    while (n > 0) buffer_ += digits[--n];
    End();
}

void DryRunOutput::keybd_event(uint8_t vk, uint8_t, uint32_t flags, uintptr_t) {
    Begin();
    buffer_ += "keybd_event ";
    Number(vk);
    buffer_ += (flags & KEYEVENTF_KEYUP) ? " up" : " down";
    End();
}

int16_t DryRunOutput::VkKeyScanA(char32_t ch) { return UsLayoutVkKeyScan(ch); }

void DryRunOutput::ShellExecuteA(const void*, const std::string&, const std::string& file,
                                 const std::string&, const std::string&, int) {
    Begin();
    buffer_ += "ShellExecute ";
    buffer_ += file;
    End();
}

void DryRunOutput::SendUnicodeChar(char32_t ch) {
    Begin();
    buffer_ += "unicode ";
    Number(static_cast<int64_t>(ch));
    End();
}

void DryRunOutput::OnInterval(int32_t line, uint32_t ms) {
    Begin(line);
    buffer_ += "interval ";
    Number(ms);
    End();
}

void DryRunOutput::OnLineError(int32_t line) {
    Begin(line);
    buffer_ += "error";
    End();
}

void DryRunOutput::OnStopLine(int32_t line) {
    Begin(line);
    buffer_ += "stop";
    End();
}

void DryRunOutput::OnEndOfList(int32_t line) {
    Begin(line);
    buffer_ += "end";
    End();
}

}  // namespace tess
