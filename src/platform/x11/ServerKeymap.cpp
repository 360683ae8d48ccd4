#include "platform/x11/ServerKeymap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

namespace tess::x11 {
namespace {

std::vector<xkb_keycode_t> Keycodes(const std::vector<KeyCode>& keycodes) {
    return std::vector<xkb_keycode_t>(keycodes.begin(), keycodes.end());
}

}  // namespace

ServerKeymap::ServerKeymap() : context_(xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES)) {}

ServerKeymap::~ServerKeymap() {
    index_ = xkb::KeymapIndex();
    if (keymap_) xkb_keymap_unref(keymap_);
    if (context_) xkb_context_unref(context_);
}

bool ServerKeymap::Load(Display* display, const std::vector<KeyCode>& ignore) {
    index_ = xkb::KeymapIndex();
    if (keymap_) xkb_keymap_unref(keymap_);
    keymap_ = nullptr;
    xcb_connection_t* connection = XGetXCBConnection(display);
    if (!context_ || !connection ||
        !xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                     XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                     nullptr, nullptr))
        return false;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0) return false;
    keymap_ = xkb_x11_keymap_new_from_device(context_, connection, device,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap_) return false;
    XkbStateRec state{};
    group_ = XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    loadIgnore_ = ignore;
    index_ = xkb::KeymapIndex(keymap_, static_cast<xkb_layout_index_t>(group_), Keycodes(ignore));
    return true;
}

void ServerKeymap::SetGroup(int group, const std::vector<KeyCode>& ignore) {
    group_ = group;
    if (!keymap_) return;
    std::vector<xkb_keycode_t> absent = Keycodes(loadIgnore_);
    absent.insert(absent.end(), ignore.begin(), ignore.end());
    index_ = xkb::KeymapIndex(keymap_, static_cast<xkb_layout_index_t>(group), absent);
}

}  // namespace tess::x11
