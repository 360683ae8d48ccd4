#pragma once
// The dry run: an InputSink that reaches nothing and prints every platform
// call, and a listener that prints the engine's events, one per line, each
// led by the engine's CurrentLine. Characters map through the fixed US
// layout, so the output is the same on every machine.
#include <functional>
#include <string>
#include <string_view>

#include "platform/InputSink.h"
#include "playback/PlaybackEngine.h"

namespace tess {

class DryRunOutput : public InputSink, public PlaybackListener {
public:
    // `write` takes each block of the listing; false when it was not written.
    using Writer = std::function<bool(std::string_view)>;
    explicit DryRunOutput(Writer write);
    ~DryRunOutput() override;

    // The engine whose CurrentLine numbers the lines.
    void SetEngine(const PlaybackEngine* engine) { engine_ = engine; }

    void SetCursorPos(int32_t x, int32_t y) override;
    ScreenPoint GetCursorPos() override { return cursor_; }
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data,
                     uintptr_t extraInfo) override;
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extraInfo) override;
    int16_t VkKeyScanA(char32_t ch) override;
    void ShellExecuteA(const void* ownerWindow, const std::string& operation,
                       const std::string& file, const std::string& parameters,
                       const std::string& directory, int showMode) override;
    void SendUnicodeChar(char32_t ch) override;
    // Output is written in large blocks; Finish writes what is left.
    void Flush() override {}
    void Finish();

    void OnInterval(int32_t line, uint32_t ms) override;
    void OnLineError(int32_t line) override;
    void OnStopLine(int32_t line) override;
    void OnEndOfList(int32_t line) override;

    // False once a write to the output has failed.
    bool Good() const { return good_; }

private:
    void Begin(int32_t line);
    void Begin() { Begin(engine_ ? engine_->CurrentLine() : 0); }
    void Number(int64_t value);
    void End();

    Writer write_;
    const PlaybackEngine* engine_ = nullptr;
    ScreenPoint cursor_;
    std::string buffer_;
    bool good_ = true;
};

}  // namespace tess
