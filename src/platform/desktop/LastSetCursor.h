#pragma once
#include <memory>
#include <optional>
#include <string>

#include "platform/InputSink.h"

namespace tess::desktop {

// The X server of a Wayland session (XWayland) sees the pointer only while
// it is over one of its own windows: anywhere else it goes on reporting
// the last point it saw. Only the point playback set is known for sure.
class LastSetCursor : public InputSink {
public:
    explicit LastSetCursor(std::unique_ptr<InputSink> inner) : inner_(std::move(inner)) {}
    // The X11 sink it wraps, for the stop keys.
    InputSink& inner() { return *inner_; }
    void SetCursorPos(int32_t x, int32_t y) override {
        inner_->SetCursorPos(x, y);
        last_ = ScreenPoint{x, y};
    }
    ScreenPoint GetCursorPos() override { return last_.value_or(ScreenPoint{}); }
    bool CursorPosKnown() override { return last_.has_value(); }
    bool CursorPosLive() override { return false; }
    void mouse_event(uint32_t flags, int32_t dx, int32_t dy, uint32_t data, uintptr_t extra) override {
        inner_->mouse_event(flags, dx, dy, data, extra);
    }
    void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extra) override {
        inner_->keybd_event(vk, scan, flags, extra);
    }
    int16_t VkKeyScanA(char32_t ch) override { return inner_->VkKeyScanA(ch); }
    void ShellExecuteA(const void* owner, const std::string& operation, const std::string& file,
                       const std::string& parameters, const std::string& directory, int show) override {
        inner_->ShellExecuteA(owner, operation, file, parameters, directory, show);
    }
    void SendUnicodeChar(char32_t ch) override { inner_->SendUnicodeChar(ch); }
    void WillSendUnicodeChars(std::u32string_view chars) override { inner_->WillSendUnicodeChars(chars); }
    void Flush() override { inner_->Flush(); }

private:
    std::unique_ptr<InputSink> inner_;
    std::optional<ScreenPoint> last_;
};

}  // namespace tess::desktop
