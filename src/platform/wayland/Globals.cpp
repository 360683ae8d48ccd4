#include "platform/wayland/Globals.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/DesktopLost.h"

#include "platform/wayland/fake-input-client.h"
#include "platform/wayland/virtual-keyboard-unstable-v1-client.h"
#include "platform/wayland/wlr-virtual-pointer-unstable-v1-client.h"
#include "platform/wayland/xdg-output-unstable-v1-client.h"

namespace tess::wayland {
namespace {


const wl_seat_listener kSeatListener = {
    [](void* data, wl_seat*, uint32_t caps) { *static_cast<uint32_t*>(data) = caps; },
    [](void*, wl_seat*, const char*) {},
};

}  // namespace

Globals::~Globals() {
    if (!display_) return;
    for (auto& o : outputs_) {
        if (o->xdg) zxdg_output_v1_destroy(o->xdg);
        if (o->output) wl_output_destroy(o->output);
    }
    if (outputManager_) zxdg_output_manager_v1_destroy(outputManager_);
    if (pointerManager_) zwlr_virtual_pointer_manager_v1_destroy(pointerManager_);
    if (keyboardManager_) zwp_virtual_keyboard_manager_v1_destroy(keyboardManager_);
    if (fakeInput_) org_kde_kwin_fake_input_destroy(fakeInput_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
}

bool Globals::Connect(std::string& error) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) {
        error = "WAYLAND_DISPLAY is not set";
        return false;
    }
    name_ = name;
    display_ = wl_display_connect(nullptr);
    if (!display_) {
        error = "no Wayland compositor answers at \"" + name_ + "\"";
        return false;
    }
    static const wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
    // The globals, then the outputs' and the seat's first events.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        error = "the Wayland compositor at \"" + name_ + "\" closed the connection";
        return false;
    }
    return true;
}

void Globals::OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version) {
    auto* self = static_cast<Globals*>(data);
    const std::string_view iface = interface;
    if (iface.rfind("org_kde_kwin_", 0) == 0) self->kwin_ = true;
    if (iface == wl_seat_interface.name && !self->seat_) {
        self->seat_ = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(self->seat_, &kSeatListener, &self->seatCapabilities_);
    } else if (iface == zwlr_virtual_pointer_manager_v1_interface.name) {
        self->pointerManager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, std::min(version, 2u)));
    } else if (iface == zwp_virtual_keyboard_manager_v1_interface.name) {
        self->keyboardManager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (iface == zxdg_output_manager_v1_interface.name) {
        self->outputManager_ = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 2u)));
        for (auto& o : self->outputs_) self->WatchXdgOutput(*o);
    } else if (iface == wl_output_interface.name) {
        self->AddOutput(name, version);
    } else if (iface == org_kde_kwin_fake_input_interface.name) {
        self->fakeInputVersion_ = version;
        // Keys need version 4; anything older is named in the reason only.
        if (version >= 4) {
            self->fakeInput_ = static_cast<org_kde_kwin_fake_input*>(
                wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
        }
    }
}

void Globals::OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
    auto* self = static_cast<Globals*>(data);
    auto it = std::find_if(self->outputs_.begin(), self->outputs_.end(),
                           [&](const auto& o) { return o->name == name; });
    if (it == self->outputs_.end()) return;
    if ((*it)->xdg) zxdg_output_v1_destroy((*it)->xdg);
    wl_output_destroy((*it)->output);
    self->outputs_.erase(it);
    self->outputsChanged_ = true;
}

void Globals::AddOutput(uint32_t name, uint32_t version) {
    auto output = std::make_unique<Output>();
    output->owner = this;
    output->name = name;
    output->output = static_cast<wl_output*>(
        wl_registry_bind(registry_, name, &wl_output_interface, std::min(version, 2u)));
    static const wl_output_listener listener = {
        [](void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
           const char*, int32_t) {
            auto* o = static_cast<Output*>(data);
            o->fromGeometry.x = x;
            o->fromGeometry.y = y;
        },
        [](void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
            auto* o = static_cast<Output*>(data);
            if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
            o->fromGeometry.width = width;
            o->fromGeometry.height = height;
        },
        [](void* data, wl_output*) { static_cast<Output*>(data)->owner->outputsChanged_ = true; },
        [](void* data, wl_output*, int32_t scale) {
            static_cast<Output*>(data)->scale = std::max(scale, 1);
        },
        [](void*, wl_output*, const char*) {},
        [](void*, wl_output*, const char*) {},
    };
    wl_output_add_listener(output->output, &listener, output.get());
    WatchXdgOutput(*output);
    outputs_.push_back(std::move(output));
}

void Globals::WatchXdgOutput(Output& output) {
    if (!outputManager_ || output.xdg) return;
    output.xdg = zxdg_output_manager_v1_get_xdg_output(outputManager_, output.output);
    static const zxdg_output_v1_listener listener = {
        [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
            auto* o = static_cast<Output*>(data);
            o->logical.x = x;
            o->logical.y = y;
            o->haveLogicalPosition = true;
        },
        [](void* data, zxdg_output_v1*, int32_t width, int32_t height) {
            auto* o = static_cast<Output*>(data);
            o->logical.width = width;
            o->logical.height = height;
            o->haveLogicalSize = true;
        },
        [](void* data, zxdg_output_v1*) { static_cast<Output*>(data)->owner->outputsChanged_ = true; },
        [](void*, zxdg_output_v1*, const char*) {},
        [](void*, zxdg_output_v1*, const char*) {},
    };
    zxdg_output_v1_add_listener(output.xdg, &listener, &output);
}

std::vector<OutputRect> Globals::Outputs(bool& changed) {
    changed = outputsChanged_;
    outputsChanged_ = false;
    std::vector<OutputRect> rects;
    for (const auto& o : outputs_) {
        if (o->haveLogicalPosition && o->haveLogicalSize) {
            rects.push_back(o->logical);
        } else {
            OutputRect r = o->fromGeometry;
            r.width /= o->scale;
            r.height /= o->scale;
            rects.push_back(r);
        }
    }
    return rects;
}

std::string Globals::SeatKeymap() {
    if (!seat_ || !(seatCapabilities_ & WL_SEAT_CAPABILITY_KEYBOARD)) return {};
    std::string keymap;
    static const wl_keyboard_listener listener = {
        [](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
            if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
                void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
                if (map != MAP_FAILED) {
                    const char* text = static_cast<const char*>(map);
                    static_cast<std::string*>(data)->assign(text, strnlen(text, size));
                    munmap(map, size);
                }
            }
            close(fd);
        },
        [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
        [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
        [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {},
        [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {},
        [](void*, wl_keyboard*, int32_t, int32_t) {},
    };
    wl_keyboard* keyboard = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard, &listener, &keymap);
    Roundtrip();
    // Released at once: later keymaps (our own keyboards') are of no use.
    if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
        wl_keyboard_release(keyboard);
    } else {
        wl_keyboard_destroy(keyboard);
    }
    return keymap;
}

void Globals::Flush() {
    while (wl_display_flush(display_) < 0) {
        if (errno != EAGAIN) Lost();
        pollfd p{wl_display_get_fd(display_), POLLOUT, 0};
        if (poll(&p, 1, -1) < 0 && errno != EINTR) Lost();
    }
}

void Globals::Roundtrip() {
    Flush();
    if (wl_display_roundtrip(display_) < 0) Lost();
}

void Globals::ReadPending() {
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0) Lost();
    }
    pollfd p{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&p, 1, 0) > 0) {
        if (wl_display_read_events(display_) < 0) Lost();
    } else {
        wl_display_cancel_read(display_);
    }
    if (wl_display_dispatch_pending(display_) < 0) Lost();
}

void Globals::Lost() {
    std::string line = std::string(program_invocation_short_name) +
                       ": lost the connection to the Wayland compositor at \"" + name_ + "\"";
    // The program keeps what would be lost (a modified scenario) first.
    if (DesktopLostHook hook = std::exchange(DesktopLostHookSlot(), nullptr)) line += hook();
    line += "\n";
    std::fflush(stdout);
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
    // Same status as a lost X server; nothing is released, the compositor
    // that held it is gone.
    ::_exit(1);
}

}  // namespace tess::wayland
