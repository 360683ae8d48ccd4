// Which Wayland sink a compositor allows, and the keymap to type with.
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/desktop/Backends.h"
#include "platform/wayland/Globals.h"
#include "platform/wayland/KdeSink.h"
#include "platform/wayland/WlrSink.h"

namespace tess::desktop {
namespace {

// The layout XKB_DEFAULT_RULES, _MODEL, _LAYOUT, _VARIANT and _OPTIONS
// name (US without them), for a seat with no keyboard of its own.
std::string KeymapFromEnvironment() {
    std::string text;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return text;
    if (xkb_keymap* keymap = xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS)) {
        if (char* s = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1)) {
            text = s;
            std::free(s);
        }
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return text;
}

// KWin shows its fake input only to programs whose installed desktop file
// names the interface, found by the program's own path.
std::string KwinWithholdsFakeInput(const std::string& at) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string program = ec ? "tessaline-play" : self.filename().string();
    const char* data = std::getenv("XDG_DATA_DIRS");
    std::string dirs = data && *data ? data : "/usr/local/share:/usr/share";
    return at + " is KWin, which lets only installed programs use its fake input: it needs " + program +
           ".desktop in an applications folder of XDG_DATA_DIRS (" + dirs + ") with Exec=" +
           (ec ? program : self.string()) +
           " and X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input (`cmake --install` puts it there; "
           "a copied or moved program needs its own)";
}

constexpr const char* kKdeOffLayout =
    "KDE Plasma takes only key codes from programs: characters the keyboard layout lacks cannot be typed";

}  // namespace

WaylandOpening OpenWayland() {
    WaylandOpening opening;
    auto globals = std::make_unique<wayland::Globals>();
    if (!globals->Connect(opening.error)) return opening;
    opening.reachedCompositor = true;
    const std::string at = "the compositor at \"" + globals->name() + "\"";
    const bool wlroots = globals->pointerManager() && globals->keyboardManager() && globals->seat();
    if (!wlroots && globals->pointerManager() && globals->keyboardManager() && !globals->fakeInput()) {
        opening.error = at + " has no seat";
        return opening;
    }
    if (!wlroots && !globals->fakeInput() && globals->isKwin() && !globals->fakeInputVersion()) {
        opening.error = KwinWithholdsFakeInput(at);
        return opening;
    }
    if (!wlroots && !globals->fakeInput()) {
        opening.error = at + " offers neither zwlr_virtual_pointer_v1 with zwp_virtual_keyboard_v1";
        opening.error += globals->fakeInputVersion()
                             ? " nor org_kde_kwin_fake_input of version 4 (it has version " +
                                   std::to_string(globals->fakeInputVersion()) + ")"
                             : " nor org_kde_kwin_fake_input";
        return opening;
    }
    std::string keymap = globals->SeatKeymap();
    if (keymap.empty()) keymap = KeymapFromEnvironment();
    std::string error;
    if (wlroots) {
        opening.sink = wayland::WlrSink::Open(std::move(globals), keymap, error);
    } else {
        opening.sink = wayland::KdeSink::Open(std::move(globals), keymap, error);
        opening.notice = kKdeOffLayout;
    }
    if (!opening.sink) opening.error = at + ": " + error;
    return opening;
}

}  // namespace tess::desktop
