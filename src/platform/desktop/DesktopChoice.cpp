// Choosing the desktop at start: GNOME's remote desktop on GNOME, Wayland
// when the compositor lets input in, X11 otherwise, and one line naming
// everything tried when none works.
#include <cstdlib>

#include "platform/DesktopSink.h"
#include "platform/desktop/Backends.h"

namespace tess {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Played through X11 while the session is Wayland: only programs running
// on XWayland see the input.
constexpr const char* kXWaylandOnly =
    "input goes through X11 on this Wayland desktop: playback reaches only XWayland windows";

// The X server of a Wayland session (XWayland) sees the pointer only while
// it is over one of its own windows: anywhere else it goes on reporting
// the last point it saw. Only the point playback set is known for sure.
class LastSetCursor : public InputSink {
public:
    explicit LastSetCursor(std::unique_ptr<InputSink> inner) : inner_(std::move(inner)) {}
    void SetCursorPos(int32_t x, int32_t y) override {
        inner_->SetCursorPos(x, y);
        last_ = ScreenPoint{x, y};
    }
    ScreenPoint GetCursorPos() override { return last_.value_or(ScreenPoint{}); }
    bool CursorPosKnown() override { return last_.has_value(); }
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

}  // namespace

DesktopSink CreateDesktopSink(DesktopChoice choice) {
    DesktopSink result;
    std::string tried;
    bool waylandSession = IsSet("WAYLAND_DISPLAY");
    // GNOME's compositor offers no Wayland interface for input: its own
    // remote desktop on the session bus is the way in.
    std::string gnomeFailed;
    if (choice == DesktopChoice::Gnome || (choice == DesktopChoice::Auto && waylandSession &&
                                           desktop::GnomeOnSessionBus())) {
        desktop::WaylandOpening gnome = desktop::OpenGnome();
        if (gnome.sink) {
            result.sink = std::move(gnome.sink);
            result.notice = std::move(gnome.notice);
            return result;
        }
        if (choice == DesktopChoice::Gnome) {
            result.error = "GNOME: " + gnome.error;
            return result;
        }
        gnomeFailed = "GNOME: " + gnome.error;
        tried = gnomeFailed + "; ";
    }
    if (choice != DesktopChoice::X11 && gnomeFailed.empty()) {
        desktop::WaylandOpening wayland = desktop::OpenWayland();
        if (wayland.sink) {
            result.sink = std::move(wayland.sink);
            result.notice = std::move(wayland.notice);
            return result;
        }
        if (choice == DesktopChoice::Wayland) {
            result.error = "Wayland: " + wayland.error;
            return result;
        }
        waylandSession = waylandSession && wayland.reachedCompositor;
        tried = "Wayland: " + wayland.error + "; ";
    }
    std::string error;
    result.sink = desktop::OpenX11(error);
    if (!result.sink) {
        result.error = tried + "X11: " + error;
    } else if (waylandSession) {
        result.notice = gnomeFailed.empty() ? kXWaylandOnly : gnomeFailed + "; " + kXWaylandOnly;
        result.sink = std::make_unique<LastSetCursor>(std::move(result.sink));
    }
    return result;
}

}  // namespace tess
