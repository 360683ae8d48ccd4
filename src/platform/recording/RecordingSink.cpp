#include "platform/recording/RecordingSink.h"

namespace tess {

void RecordingSink::SetCursorPos(int32_t x, int32_t y) {
    SinkCall call{};
    call.kind = SinkCall::Kind::SetCursorPos;
    call.x = x;
    call.y = y;
    calls.push_back(std::move(call));
    cursor = {x, y};
}

ScreenPoint RecordingSink::GetCursorPos() { return cursor; }

void RecordingSink::mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                                uintptr_t extraInfo) {
    SinkCall call{};
    call.kind = SinkCall::Kind::MouseEvent;
    call.flags = flags;
    call.dx = dx;
    call.dy = dy;
    call.data = data;
    call.extraInfo = extraInfo;
    calls.push_back(std::move(call));
}

void RecordingSink::keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) {
    SinkCall call{};
    call.kind = SinkCall::Kind::KeybdEvent;
    call.vk = vk;
    call.scan = scan;
    call.flags = flags;
    call.extraInfo = extraInfo;
    calls.push_back(std::move(call));
}

int16_t RecordingSink::VkKeyScanA(char32_t ch) { return UsLayoutVkKeyScan(ch); }

void RecordingSink::ShellExecuteA(const void* /*ownerWindow*/, const std::string& operation,
                                  const std::string& file, const std::string& /*parameters*/,
                                  const std::string& /*directory*/, int showMode) {
    SinkCall call{};
    call.kind = SinkCall::Kind::ShellExecute;
    call.operation = operation;
    call.text = file;
    call.showMode = showMode;
    calls.push_back(std::move(call));
}

void RecordingSink::SendUnicodeChar(char32_t ch) {
    SinkCall call{};
    call.kind = SinkCall::Kind::UnicodeChar;
    call.ch = ch;
    calls.push_back(std::move(call));
}

}  // namespace tess
