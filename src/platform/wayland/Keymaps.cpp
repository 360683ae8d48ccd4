#include "platform/wayland/Keymaps.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace tess::wayland {

int KeymapFile(const std::string& text) {
    int fd = memfd_create("tessaline-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return -1;
    const char* data = text.c_str();
    size_t left = text.size() + 1;
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return fd;
}

std::string ExtraKeymap(const std::vector<xkb_keysym_t>& keysyms) {
    std::string keycodes, symbols;
    for (size_t i = 0; i < keysyms.size() && i < kMaxExtraKeys; ++i) {
        const std::string key = "<K" + std::to_string(i) + ">";
        keycodes += "    " + key + " = " + std::to_string(kFirstExtraKeycode + i) + ";\n";
        char name[64];
        if (xkb_keysym_get_name(keysyms[i], name, sizeof name) <= 0) continue;
        symbols += "    key " + key + " { [ " + name + " ] };\n";
    }
    return "xkb_keymap {\n"
           "xkb_keycodes \"tessaline\" {\n    minimum = 8;\n    maximum = 255;\n" + keycodes + "};\n"
           "xkb_types \"tessaline\" {\n    type \"ONE_LEVEL\" {\n        modifiers = none;\n"
           "        level_name[Level1] = \"Any\";\n    };\n};\n"
           "xkb_compatibility \"tessaline\" {\n};\n"
           "xkb_symbols \"tessaline\" {\n" + symbols + "};\n"
           "};\n";
}

std::vector<xkb_keycode_t> SpareKeycodes(xkb_keymap* keymap) {
    std::vector<xkb_keycode_t> spare;
    for (xkb_keycode_t kc = std::max<xkb_keycode_t>(xkb_keymap_min_keycode(keymap), 9);
         kc < 256 && kc <= xkb_keymap_max_keycode(keymap); ++kc) {
        if (xkb_keymap_key_get_name(keymap, kc) && xkb_keymap_num_layouts_for_key(keymap, kc) == 0)
            spare.push_back(kc);
    }
    return spare;
}

std::string ExtendedKeymap(const std::string& layout, xkb_keymap* keymap,
                           const std::vector<xkb_keycode_t>& spare, const std::vector<xkb_keysym_t>& keysyms) {
    std::string keys;
    for (size_t i = 0; i < keysyms.size() && i < spare.size(); ++i) {
        char name[64];
        if (xkb_keysym_get_name(keysyms[i], name, sizeof name) <= 0) continue;
        keys += std::string("\tkey <") + xkb_keymap_key_get_name(keymap, spare[i]) + "> { [ " + name + " ] };\n";
    }
    // The text ends with the symbols section's "};" and then the keymap's.
    const size_t last = layout.rfind("\n};");
    const size_t symbolsEnd = last == std::string::npos || last == 0 ? std::string::npos : layout.rfind("\n};", last - 1);
    if (symbolsEnd == std::string::npos) return layout;
    std::string text = layout;
    text.insert(symbolsEnd + 1, keys);
    return text;
}

}  // namespace tess::wayland
