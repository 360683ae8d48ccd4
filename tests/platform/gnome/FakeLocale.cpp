// gnome_fake_locale LAYOUT: org.freedesktop.locale1 on the bus named by
// DBUS_SYSTEM_BUS_ADDRESS, as systemd-localed answers it. Plain mutter takes
// its keyboard layout from X11Layout/X11Variant/X11Options there, once.
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string gLayout = "us", gVariant, gOptions, gModel = "pc105";  // as localed names them

int Get(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply, void*, sd_bus_error*) {
    const std::string name = property;
    const std::string& value = name == "X11Layout"    ? gLayout
                               : name == "X11Variant" ? gVariant
                               : name == "X11Options" ? gOptions
                                                      : gModel;
    return sd_bus_message_append(reply, "s", value.c_str());
}

const sd_bus_vtable kTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("X11Layout", "s", Get, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("X11Model", "s", Get, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("X11Variant", "s", Get, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("X11Options", "s", Get, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) gLayout = argv[1];
    sd_bus* bus = nullptr;
    int r = sd_bus_open_system(&bus);
    if (r < 0) {
        std::fprintf(stderr, "gnome_fake_locale: no system bus: %s\n", std::strerror(-r));
        return 1;
    }
    sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/locale1", "org.freedesktop.locale1", kTable, nullptr);
    if ((r = sd_bus_request_name(bus, "org.freedesktop.locale1", 0)) < 0) {
        std::fprintf(stderr, "gnome_fake_locale: %s\n", std::strerror(-r));
        return 1;
    }
    for (;;) {
        r = sd_bus_process(bus, nullptr);
        if (r < 0) return 0;  // the bus ended
        if (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0) return 0;
    }
}
