#include "FakeKwin.h"

#include <stdlib.h>
#include <wayland-server.h>

#include <filesystem>

#include "fake-input-server.h"

namespace tess::wayland::testing {
namespace {

FakeKwin* Self(wl_resource* resource) { return static_cast<FakeKwin*>(wl_resource_get_user_data(resource)); }

const struct org_kde_kwin_fake_input_interface kFakeInput = {
    [](wl_client*, wl_resource* r, const char* application, const char*) {
        Self(r)->Record(std::string("authenticate ") + application);
    },
    [](wl_client*, wl_resource* r, wl_fixed_t, wl_fixed_t) { Self(r)->Record("relative motion"); },
    [](wl_client*, wl_resource* r, uint32_t button, uint32_t state) {
        Self(r)->Record("button " + std::to_string(button) + " " + std::to_string(state));
    },
    [](wl_client*, wl_resource*, uint32_t, wl_fixed_t) {},
    [](wl_client*, wl_resource*, uint32_t, wl_fixed_t, wl_fixed_t) {},
    [](wl_client*, wl_resource*, uint32_t, wl_fixed_t, wl_fixed_t) {},
    [](wl_client*, wl_resource*, uint32_t) {},
    [](wl_client*, wl_resource*) {},
    [](wl_client*, wl_resource*) {},
    [](wl_client*, wl_resource* r, wl_fixed_t x, wl_fixed_t y) {
        Self(r)->Record("motion " + std::to_string(wl_fixed_to_int(x)) + " " + std::to_string(wl_fixed_to_int(y)));
    },
    [](wl_client*, wl_resource* r, uint32_t key, uint32_t state) {
        Self(r)->Record("key " + std::to_string(key) + " " + std::to_string(state));
    },
};

void BindFakeInput(wl_client* client, void* data, uint32_t version, uint32_t id) {
    wl_resource* r = wl_resource_create(client, &org_kde_kwin_fake_input_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(r, &kFakeInput, data, nullptr);
}

void BindOutput(wl_client* client, void*, uint32_t version, uint32_t id) {
    wl_resource* r = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(r, nullptr, nullptr, nullptr);
    wl_output_send_geometry(r, 0, 0, 300, 200, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(r, WL_OUTPUT_MODE_CURRENT, 1024, 768, 60000);
    if (version >= 2) wl_output_send_done(r);
}

}  // namespace

FakeKwin::FakeKwin() {
    char pattern[] = "/tmp/tess-kwin-XXXXXX";
    if (!mkdtemp(pattern)) return;
    dir_ = pattern;
    display_ = wl_display_create();
    const std::string name = "fake-kwin";
    const std::string path = dir_ + "/" + name;
    // The server puts its socket into XDG_RUNTIME_DIR.
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    const int added = wl_display_add_socket(display_, name.c_str());
    runtime ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    if (added != 0) return;
    wl_global_create(display_, &wl_output_interface, 2, this, BindOutput);
    wl_global_create(display_, &org_kde_kwin_fake_input_interface, 4, this, BindFakeInput);
    socket_ = path;
    thread_ = std::thread([this] {
        wl_event_loop* loop = wl_display_get_event_loop(display_);
        while (!stop_) {
            wl_event_loop_dispatch(loop, 20);
            wl_display_flush_clients(display_);
        }
    });
}

FakeKwin::~FakeKwin() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (display_) {
        // A client whose hang-up the loop has not read yet is still there:
        // the display does not end its clients itself.
        wl_display_destroy_clients(display_);
        wl_display_destroy(display_);
    }
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

void FakeKwin::Record(std::string line) {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(line));
}

std::vector<std::string> FakeKwin::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace tess::wayland::testing
