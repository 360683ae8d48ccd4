#pragma once
// One connection to a Wayland compositor and the globals the sink uses:
// the seat, the virtual pointer and keyboard managers and the outputs with
// their logical rectangles (from xdg-output where the compositor has it).
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/OutputLayout.h"

struct zwlr_virtual_pointer_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct org_kde_kwin_fake_input;

namespace tess::wayland {

class Globals {
public:
    Globals() = default;
    ~Globals();
    Globals(const Globals&) = delete;
    Globals& operator=(const Globals&) = delete;

    // Connects to the compositor named by WAYLAND_DISPLAY and reads its
    // globals and outputs. False with a one-line reason.
    bool Connect(std::string& error);
    // The compositor's name for the connection ("wayland-1").
    const std::string& name() const { return name_; }

    // Sends everything queued, waiting while the socket is full. Ends the
    // program when the compositor is gone.
    void Flush();
    // Flush, then wait for the compositor to have handled it all.
    void Roundtrip();
    // Reads whatever the compositor sent meanwhile, without waiting.
    void ReadPending();

    // The seat's own keymap (XKB text), empty when the seat has no keyboard.
    std::string SeatKeymap();
    // The outputs' logical rectangles; `changed` tells whether they moved
    // since the last call.
    std::vector<OutputRect> Outputs(bool& changed);

    wl_display* display() const { return display_; }
    wl_seat* seat() const { return seat_; }
    zwlr_virtual_pointer_manager_v1* pointerManager() const { return pointerManager_; }
    zwp_virtual_keyboard_manager_v1* keyboardManager() const { return keyboardManager_; }
    // KWin's fake input, and the version the compositor offers (0: none).
    org_kde_kwin_fake_input* fakeInput() const { return fakeInput_; }
    uint32_t fakeInputVersion() const { return fakeInputVersion_; }
    // The compositor announces interfaces of KWin's own (org_kde_kwin_...),
    // whether or not it lets this program use its fake input.
    bool isKwin() const { return kwin_; }
    // The logical rectangles as they are now.
    std::vector<OutputRect> Outputs() {
        bool changed = false;
        return Outputs(changed);
    }

private:
    struct Output {
        Globals* owner = nullptr;
        uint32_t name = 0;
        wl_output* output = nullptr;
        zxdg_output_v1* xdg = nullptr;
        OutputRect logical;         // from xdg-output
        OutputRect fromGeometry;    // from wl_output, for compositors without it
        int32_t scale = 1;
        bool haveLogicalPosition = false, haveLogicalSize = false;
    };
    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version);
    static void OnGlobalRemove(void* data, wl_registry* registry, uint32_t name);
    void AddOutput(uint32_t name, uint32_t version);
    void WatchXdgOutput(Output& output);
    [[noreturn]] void Lost();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    std::string name_;
    wl_seat* seat_ = nullptr;
    uint32_t seatCapabilities_ = 0;
    zwlr_virtual_pointer_manager_v1* pointerManager_ = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboardManager_ = nullptr;
    zxdg_output_manager_v1* outputManager_ = nullptr;
    org_kde_kwin_fake_input* fakeInput_ = nullptr;
    uint32_t fakeInputVersion_ = 0;
    bool kwin_ = false;
    std::vector<std::unique_ptr<Output>> outputs_;
    bool outputsChanged_ = true;
};

}  // namespace tess::wayland
