// wl_observer: an ordinary Wayland client that shows what the compositor
// delivers. It covers every output with an overlay surface (the first one
// takes the keyboard) and prints one line per event on standard output:
//   output X Y W H           each output's logical rectangle, at start
//   ready                    the surfaces are up
//   motion X Y               pointer position in layout coordinates
//   button left|right press|release
//   keymap NAME              a new keymap (NAME: its first layout, or "-")
//   mods DEPRESSED LATCHED LOCKED GROUP
//   key KEYSYM TEXT          a key press, what it types (TEXT may be empty)
//   release KEYCODE
// With --times, each key press line follows a line "at MICROSECONDS": when
// the press was read (CLOCK_MONOTONIC).
// Like a user's physical keyboard, it brings a keyboard of its own to the
// seat, with the layout XKB_DEFAULT_LAYOUT names, and a pointer; neither
// sends anything.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/virtual-keyboard-unstable-v1-client.h"
// The protocol names an argument "namespace", a C++ keyword.
#define namespace layer_namespace
#include "platform/wayland/wlr-layer-shell-unstable-v1-client.h"
#undef namespace
#include "platform/wayland/wlr-virtual-pointer-unstable-v1-client.h"
#include "platform/wayland/xdg-output-unstable-v1-client.h"

namespace {

struct Output {
    wl_output* output = nullptr;
    zxdg_output_v1* xdg = nullptr;
    int32_t x = 0, y = 0, w = 0, h = 0;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    bool configured = false;
};

struct Client {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    zwlr_layer_shell_v1* shell = nullptr;
    zxdg_output_manager_v1* outputs = nullptr;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
    std::vector<std::unique_ptr<Output>> list;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    Output* under = nullptr;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    bool times = false;
} gClient;

int MemoryFile(size_t size) {
    int fd = memfd_create("observer", MFD_CLOEXEC);
    if (fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void PrintMotion(wl_fixed_t sx, wl_fixed_t sy) {
    if (!gClient.under) return;
    std::printf("motion %d %d\n", gClient.under->x + wl_fixed_to_int(sx), gClient.under->y + wl_fixed_to_int(sy));
}

const wl_pointer_listener kPointer = {
    [](void*, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t sx, wl_fixed_t sy) {
        gClient.under = nullptr;
        for (auto& o : gClient.list) {
            if (o->surface == surface) gClient.under = o.get();
        }
        PrintMotion(sx, sy);
    },
    [](void*, wl_pointer*, uint32_t, wl_surface*) { gClient.under = nullptr; },
    [](void*, wl_pointer*, uint32_t, wl_fixed_t sx, wl_fixed_t sy) { PrintMotion(sx, sy); },
    [](void*, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
        std::printf("button %s %s\n", button == 0x110 ? "left" : button == 0x111 ? "right" : "other",
                    state ? "press" : "release");
    },
    [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const wl_keyboard_listener kKeyboard = {
    [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t size) {
        char* text = static_cast<char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
        close(fd);
        if (text == MAP_FAILED) return;
        xkb_keymap* keymap = xkb_keymap_new_from_buffer(gClient.context, text, strnlen(text, size),
                                                        XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
        munmap(text, size);
        if (!keymap) {
            std::printf("keymap invalid\n");
            return;
        }
        if (gClient.state) xkb_state_unref(gClient.state);
        if (gClient.keymap) xkb_keymap_unref(gClient.keymap);
        gClient.keymap = keymap;
        gClient.state = xkb_state_new(keymap);
        const char* name = xkb_keymap_layout_get_name(keymap, 0);
        std::printf("keymap %s\n", name && *name ? name : "-");
    },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
        if (!gClient.state) return;
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED) {
            std::printf("release %u\n", key + 8);
            return;
        }
        if (gClient.times) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("at %lld\n", static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
        }
        char name[64] = "-", text[64] = "";
        xkb_keysym_get_name(xkb_state_key_get_one_sym(gClient.state, key + 8), name, sizeof name);
        xkb_state_key_get_utf8(gClient.state, key + 8, text, sizeof text);
        std::printf("key %s %s\n", name, text);
    },
    [](void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
        if (gClient.state) xkb_state_update_mask(gClient.state, depressed, latched, locked, 0, 0, group);
        std::printf("mods %u %u %u %u\n", depressed, latched, locked, group);
    },
    [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_seat_listener kSeat = {
    [](void*, wl_seat* seat, uint32_t caps) {
        if ((caps & WL_SEAT_CAPABILITY_POINTER) && !gClient.pointer) {
            gClient.pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(gClient.pointer, &kPointer, nullptr);
        }
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !gClient.keyboard) {
            gClient.keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(gClient.keyboard, &kKeyboard, nullptr);
        }
    },
    [](void*, wl_seat*, const char*) {},
};

const zxdg_output_v1_listener kXdgOutput = {
    [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
        static_cast<Output*>(data)->x = x;
        static_cast<Output*>(data)->y = y;
    },
    [](void* data, zxdg_output_v1*, int32_t w, int32_t h) {
        static_cast<Output*>(data)->w = w;
        static_cast<Output*>(data)->h = h;
    },
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

const zwlr_layer_surface_v1_listener kLayer = {
    [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t w, uint32_t h) {
        auto* o = static_cast<Output*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        const size_t stride = w * 4, size = stride * h;
        int fd = MemoryFile(size);
        if (fd < 0) return;
        wl_shm_pool* pool = wl_shm_create_pool(gClient.shm, fd, static_cast<int32_t>(size));
        wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(w), static_cast<int32_t>(h),
                                                      static_cast<int32_t>(stride), WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);
        close(fd);
        wl_surface_attach(o->surface, buffer, 0, 0);
        wl_surface_damage(o->surface, 0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h));
        wl_surface_commit(o->surface);
        o->configured = true;
    },
    [](void*, zwlr_layer_surface_v1*) { std::exit(0); },
};

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    const std::string iface = interface;
    auto bind = [&](const wl_interface* i, uint32_t v) {
        return wl_registry_bind(registry, name, i, std::min(version, v));
    };
    if (iface == wl_compositor_interface.name) {
        gClient.compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (iface == wl_shm_interface.name) {
        gClient.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (iface == wl_seat_interface.name && !gClient.seat) {
        gClient.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
        wl_seat_add_listener(gClient.seat, &kSeat, nullptr);
    } else if (iface == zwlr_layer_shell_v1_interface.name) {
        gClient.shell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 1));
    } else if (iface == zxdg_output_manager_v1_interface.name) {
        gClient.outputs = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
    } else if (iface == zwlr_virtual_pointer_manager_v1_interface.name) {
        gClient.pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(
            bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (iface == zwp_virtual_keyboard_manager_v1_interface.name) {
        gClient.keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (iface == wl_output_interface.name) {
        auto o = std::make_unique<Output>();
        o->output = static_cast<wl_output*>(bind(&wl_output_interface, 1));
        gClient.list.push_back(std::move(o));
    }
}

// The seat's own devices, as a user's would be.
void BringDevices(wl_display* display) {
    zwlr_virtual_pointer_manager_v1_create_virtual_pointer(gClient.pointers, gClient.seat);
    zwp_virtual_keyboard_v1* keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(gClient.keyboards, gClient.seat);
    xkb_keymap* keymap = xkb_keymap_new_from_names(gClient.context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    if (!text) std::exit(1);
    const size_t size = std::strlen(text) + 1;
    int fd = MemoryFile(size);
    if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size)) std::exit(1);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
    close(fd);
    std::free(text);
    xkb_keymap_unref(keymap);
    wl_display_roundtrip(display);
}

}  // namespace

int main(int argc, char** argv) {
    gClient.times = argc > 1 && std::strcmp(argv[1], "--times") == 0;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    static const wl_registry_listener registry = {OnGlobal, [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(wl_display_get_registry(display), &registry, nullptr);
    wl_display_roundtrip(display);
    if (!gClient.compositor || !gClient.shm || !gClient.shell || !gClient.outputs || !gClient.seat ||
        !gClient.pointers || !gClient.keyboards)
        return 1;
    BringDevices(display);
    for (auto& o : gClient.list) {
        o->xdg = zxdg_output_manager_v1_get_xdg_output(gClient.outputs, o->output);
        zxdg_output_v1_add_listener(o->xdg, &kXdgOutput, o.get());
    }
    wl_display_roundtrip(display);
    bool first = true;
    for (auto& o : gClient.list) {
        std::printf("output %d %d %d %d\n", o->x, o->y, o->w, o->h);
        o->surface = wl_compositor_create_surface(gClient.compositor);
        o->layer = zwlr_layer_shell_v1_get_layer_surface(gClient.shell, o->surface, o->output,
                                                         ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "observer");
        zwlr_layer_surface_v1_add_listener(o->layer, &kLayer, o.get());
        zwlr_layer_surface_v1_set_anchor(o->layer, 15);  // all four edges
        zwlr_layer_surface_v1_set_size(o->layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(o->layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(o->layer, first ? 1 : 0);
        wl_surface_commit(o->surface);
        first = false;
    }
    while (!std::all_of(gClient.list.begin(), gClient.list.end(), [](auto& o) { return o->configured; })) {
        if (wl_display_dispatch(display) < 0) return 1;
    }
    wl_display_roundtrip(display);
    std::printf("ready\n");
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
