#pragma once
// An InputSink that reaches nothing: it records every call in order, keeps
// a cursor position of its own and maps characters through a fixed US
// English layout. Serves the tests and the player's dry run.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/InputSink.h"

namespace tess {

// The fixed US English layout for the printable ASCII characters 32 to 126
// and Backspace, Tab, Enter and Escape (8, 9, 13, 27); every other character
// maps to -1.
int16_t UsLayoutVkKeyScan(char32_t ch);

struct SinkCall {
    enum class Kind { SetCursorPos, MouseEvent, KeybdEvent, ShellExecute, UnicodeChar };
    Kind kind;
    int32_t x = 0, y = 0;      // SetCursorPos
    uint32_t flags = 0;        // mouse_event / keybd_event flags
    int32_t dx = 0, dy = 0;    // mouse_event
    uint32_t data = 0;         // mouse_event
    uintptr_t extraInfo = 0;   // mouse_event / keybd_event
    uint8_t vk = 0, scan = 0;  // keybd_event
    std::string text;          // ShellExecute file
    std::string operation;     // ShellExecute operation
    int showMode = 0;          // ShellExecute
    char32_t ch = 0;           // UnicodeChar
};

class RecordingSink : public InputSink {
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

    // Where GetCursorPos says the pointer is (SetCursorPos moves it too).
    ScreenPoint cursor;
    std::vector<SinkCall> calls;
};

}  // namespace tess
