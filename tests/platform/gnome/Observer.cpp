// gnome_observer: an ordinary xdg-shell client for GNOME's
// compositor that shows what arrives, in the lines the other desktops'
// observer prints (see tests/platform/wayland/Observer.cpp):
//   ready | motion X Y | button left|right press|release | keymap NAME |
//   key KEYSYM TEXT | release KEYCODE
// and, since it pastes on Ctrl+V as editors do,
//   key paste TEXT           what the clipboard held, read at Ctrl+V
//   copied                   TESS_OBSERVER_COPY's text is the clipboard's content
// One fullscreen window per monitor; the one on the first monitor is
// mapped last and takes the keyboard.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/xdg-output-unstable-v1-client.h"
#include "platform/wayland/xdg-shell-client.h"

namespace {

struct Output {
    wl_output* output = nullptr;
    zxdg_output_v1* xdg = nullptr;
    int32_t x = 0, y = 0, w = 0, h = 0;
    wl_surface* surface = nullptr;
    xdg_surface* xsurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    int32_t width = 0, height = 0;
    bool configured = false;
};

struct Client {
    wl_display* display = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    xdg_wm_base* wm = nullptr;
    zxdg_output_manager_v1* outputs = nullptr;
    wl_data_device_manager* dataManager = nullptr;
    wl_data_device* dataDevice = nullptr;
    wl_data_offer* selection = nullptr;
    std::vector<std::unique_ptr<Output>> list;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    Output* under = nullptr;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    const char* copy = nullptr;
    bool copied = false;
} g;

void Draw(Output& o) {
    const int32_t w = o.width > 0 ? o.width : 64, h = o.height > 0 ? o.height : 64;
    const size_t stride = static_cast<size_t>(w) * 4, size = stride * static_cast<size_t>(h);
    int fd = memfd_create("observer", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) return;
    wl_shm_pool* pool = wl_shm_create_pool(g.shm, fd, static_cast<int32_t>(size));
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, w, h, static_cast<int32_t>(stride), WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_surface_attach(o.surface, buffer, 0, 0);
    wl_surface_damage(o.surface, 0, 0, w, h);
    wl_surface_commit(o.surface);
}

void Paste() {
    if (!g.selection) {
        std::printf("key paste \n");
        return;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    wl_data_offer_receive(g.selection, "text/plain;charset=utf-8", fds[1]);
    close(fds[1]);
    wl_display_flush(g.display);
    std::string text;
    pollfd p{fds[0], POLLIN, 0};
    char chunk[4096];
    while (poll(&p, 1, 5000) > 0) {
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n <= 0) break;
        text.append(chunk, static_cast<size_t>(n));
    }
    close(fds[0]);
    std::printf("key paste %s\n", text.c_str());
}

const wl_data_source_listener kSource = {
    [](void*, wl_data_source*, const char*) {},
    [](void*, wl_data_source*, const char*, int32_t fd) {
        [[maybe_unused]] ssize_t n = write(fd, g.copy, std::strlen(g.copy));
        close(fd);
    },
    [](void*, wl_data_source* source) { wl_data_source_destroy(source); },
    [](void*, wl_data_source*) {},
    [](void*, wl_data_source*) {},
    [](void*, wl_data_source*, uint32_t) {},
};

const wl_data_device_listener kDataDevice = {
    [](void*, wl_data_device*, wl_data_offer*) {},
    [](void*, wl_data_device*, uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t, wl_data_offer*) {},
    [](void*, wl_data_device*) {},
    [](void*, wl_data_device*, uint32_t, wl_fixed_t, wl_fixed_t) {},
    [](void*, wl_data_device*) {},
    [](void*, wl_data_device*, wl_data_offer* offer) {
        if (g.selection) wl_data_offer_destroy(g.selection);
        g.selection = offer;
    },
};

void PrintMotion(wl_fixed_t sx, wl_fixed_t sy) {
    if (g.under)
        std::printf("motion %d %d\n", g.under->x + wl_fixed_to_int(sx), g.under->y + wl_fixed_to_int(sy));
}

const wl_pointer_listener kPointer = {
    [](void*, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t sx, wl_fixed_t sy) {
        g.under = nullptr;
        for (auto& o : g.list) {
            if (o->surface == surface) g.under = o.get();
        }
        PrintMotion(sx, sy);
    },
    [](void*, wl_pointer*, uint32_t, wl_surface*) { g.under = nullptr; },
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
    [](void*, wl_pointer*, uint32_t, int32_t) {},
};

const wl_keyboard_listener kKeyboard = {
    [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t size) {
        char* text = static_cast<char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
        close(fd);
        if (text == MAP_FAILED) return;
        xkb_keymap* keymap = xkb_keymap_new_from_buffer(g.context, text, strnlen(text, size), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
        munmap(text, size);
        if (!keymap) return;
        if (g.state) xkb_state_unref(g.state);
        if (g.keymap) xkb_keymap_unref(g.keymap);
        g.keymap = keymap;
        g.state = xkb_state_new(keymap);
        const char* name = xkb_keymap_layout_get_name(keymap, 0);
        std::printf("keymap %s\n", name && *name ? name : "-");
    },
    [](void*, wl_keyboard*, uint32_t serial, wl_surface*, wl_array*) {
        if (!g.copy || g.copied || !g.dataManager) return;
        wl_data_source* source = wl_data_device_manager_create_data_source(g.dataManager);
        wl_data_source_add_listener(source, &kSource, nullptr);
        wl_data_source_offer(source, "text/plain;charset=utf-8");
        wl_data_device_set_selection(g.dataDevice, source, serial);
        g.copied = true;
        wl_display_roundtrip(g.display);
        std::printf("copied\n");
    },
    [](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
        if (!g.state) return;
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED) {
            std::printf("release %u\n", key + 8);
            return;
        }
        const xkb_keysym_t sym = xkb_state_key_get_one_sym(g.state, key + 8);
        const bool ctrl = xkb_state_mod_name_is_active(g.state, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
        if (ctrl && (sym == XKB_KEY_v || sym == XKB_KEY_V)) {
            Paste();
            return;
        }
        char name[64] = "-", text[64] = "";
        xkb_keysym_get_name(sym, name, sizeof name);
        if (!ctrl) xkb_state_key_get_utf8(g.state, key + 8, text, sizeof text);
        std::printf("key %s %s\n", name, text);
    },
    [](void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
        if (g.state) xkb_state_update_mask(g.state, depressed, latched, locked, 0, 0, group);
        std::printf("mods %u %u %u %u\n", depressed, latched, locked, group);
    },
    [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_seat_listener kSeat = {
    [](void*, wl_seat* seat, uint32_t caps) {
        // A seat without devices gets them from the first synthetic events.
        if ((caps & WL_SEAT_CAPABILITY_POINTER) && !g.pointer) {
            g.pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(g.pointer, &kPointer, nullptr);
        }
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !g.keyboard) {
            g.keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(g.keyboard, &kKeyboard, nullptr);
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

const xdg_wm_base_listener kWm = {[](void*, xdg_wm_base* wm, uint32_t serial) { xdg_wm_base_pong(wm, serial); }};

const xdg_surface_listener kXdgSurface = {[](void* data, xdg_surface* s, uint32_t serial) {
    auto* o = static_cast<Output*>(data);
    xdg_surface_ack_configure(s, serial);
    Draw(*o);
    o->configured = true;
}};

const xdg_toplevel_listener kToplevel = {
    [](void* data, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
        if (w > 0 && h > 0) {
            static_cast<Output*>(data)->width = w;
            static_cast<Output*>(data)->height = h;
        }
    },
    [](void*, xdg_toplevel*) { std::exit(0); },
    [](void*, xdg_toplevel*, int32_t, int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    const std::string iface = interface;
    auto bind = [&](const wl_interface* i, uint32_t v) { return wl_registry_bind(registry, name, i, std::min(version, v)); };
    if (iface == wl_compositor_interface.name) {
        g.compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
    } else if (iface == wl_shm_interface.name) {
        g.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (iface == wl_seat_interface.name && !g.seat) {
        g.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
        wl_seat_add_listener(g.seat, &kSeat, nullptr);
    } else if (iface == xdg_wm_base_interface.name) {
        g.wm = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(g.wm, &kWm, nullptr);
    } else if (iface == zxdg_output_manager_v1_interface.name) {
        g.outputs = static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 2));
    } else if (iface == wl_data_device_manager_interface.name) {
        g.dataManager = static_cast<wl_data_device_manager*>(bind(&wl_data_device_manager_interface, 3));
    } else if (iface == wl_output_interface.name) {
        auto o = std::make_unique<Output>();
        o->output = static_cast<wl_output*>(bind(&wl_output_interface, 1));
        g.list.push_back(std::move(o));
    }
}

bool Map(Output& o) {
    o.surface = wl_compositor_create_surface(g.compositor);
    o.xsurface = xdg_wm_base_get_xdg_surface(g.wm, o.surface);
    xdg_surface_add_listener(o.xsurface, &kXdgSurface, &o);
    o.toplevel = xdg_surface_get_toplevel(o.xsurface);
    xdg_toplevel_add_listener(o.toplevel, &kToplevel, &o);
    xdg_toplevel_set_title(o.toplevel, "observer");
    xdg_toplevel_set_fullscreen(o.toplevel, o.output);
    wl_surface_commit(o.surface);
    // Ready once it covers its monitor: a first configure may come before
    // the fullscreen one.
    while (!o.configured || o.width != o.w || o.height != o.h) {
        if (wl_display_dispatch(g.display) < 0) return false;
    }
    // And once the compositor drew it there: the fullscreen window is put
    // in place only with a frame.
    static const wl_callback_listener kFrame = {
        [](void* data, wl_callback* callback, uint32_t) {
            *static_cast<bool*>(data) = true;
            wl_callback_destroy(callback);
        }};
    bool drawn = false;
    wl_callback_add_listener(wl_surface_frame(o.surface), &kFrame, &drawn);
    Draw(o);
    while (!drawn) {
        if (wl_display_dispatch(g.display) < 0) return false;
    }
    return wl_display_roundtrip(g.display) >= 0;
}

}  // namespace

int main() {
    const char* copy = std::getenv("TESS_OBSERVER_COPY");
    if (copy && *copy) g.copy = copy;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    g.display = wl_display_connect(nullptr);
    if (!g.display) return 1;
    static const wl_registry_listener registry = {OnGlobal, [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(wl_display_get_registry(g.display), &registry, nullptr);
    wl_display_roundtrip(g.display);
    if (!g.compositor || !g.shm || !g.wm || !g.outputs || !g.seat || g.list.empty()) return 1;
    if (g.dataManager) {
        g.dataDevice = wl_data_device_manager_get_data_device(g.dataManager, g.seat);
        wl_data_device_add_listener(g.dataDevice, &kDataDevice, nullptr);
    }
    for (auto& o : g.list) {
        o->xdg = zxdg_output_manager_v1_get_xdg_output(g.outputs, o->output);
        zxdg_output_v1_add_listener(o->xdg, &kXdgOutput, o.get());
    }
    wl_display_roundtrip(g.display);
    std::sort(g.list.begin(), g.list.end(), [](const auto& a, const auto& b) { return a->x < b->x; });
    for (auto it = g.list.rbegin(); it != g.list.rend(); ++it) {
        std::printf("output %d %d %d %d\n", (*it)->x, (*it)->y, (*it)->w, (*it)->h);
        if (!Map(**it)) return 1;
    }
    std::printf("ready\n");
    while (wl_display_dispatch(g.display) >= 0) {
    }
    return 0;
}
