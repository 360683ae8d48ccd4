#pragma once
// Small helpers for sd-bus messages, shared by the parts of the GNOME
// remote-desktop session.
#include <systemd/sd-bus.h>

#include <cstring>
#include <string>
#include <vector>

namespace tess::gnome::bus {

inline constexpr const char* kRdSession = "org.gnome.Mutter.RemoteDesktop.Session";

struct Error {
    sd_bus_error e = SD_BUS_ERROR_NULL;
    ~Error() { sd_bus_error_free(&e); }
    std::string text(int r) const { return e.message ? e.message : std::strerror(-r); }
};

struct Message {
    sd_bus_message* m = nullptr;
    ~Message() { sd_bus_message_unref(m); }
};

// Reads an a{sv} entry by entry: `take` reads the value of the keys it
// wants and returns true; the others are skipped.
template <typename Take>
void ReadDict(sd_bus_message* m, Take take) {
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) return;
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* key = nullptr;
        sd_bus_message_read(m, "s", &key);
        if (!key || !take(std::string(key))) sd_bus_message_skip(m, "v");
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
}

inline std::vector<std::string> ReadStrings(sd_bus_message* m) {
    std::vector<std::string> out;
    if (sd_bus_message_enter_container(m, 'a', "s") <= 0) return out;
    const char* s = nullptr;
    while (sd_bus_message_read(m, "s", &s) > 0) out.emplace_back(s);
    sd_bus_message_exit_container(m);
    return out;
}

}  // namespace tess::gnome::bus
