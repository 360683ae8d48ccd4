#pragma once
// The keyboard layout GNOME Shell has in force: its input sources
// (org.gnome.desktop.input-sources `sources`) are the keymap's layouts in
// order, and `mru-sources` starts with the current one. Plain mutter has
// neither (its keymap is one layout). Standard library only.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tess::gnome {

using InputSource = std::pair<std::string, std::string>;  // ("xkb", "de")

// Parses gsettings' text of an a(ss) value: "[('xkb', 'de'), ('xkb', 'ru')]",
// "@a(ss) []"; nothing when it is not such a list.
std::optional<std::vector<InputSource>> ParseInputSources(const std::string& text);

// The keymap layout of the current source (the first of `mru`): its index
// among the keyboard layouts of `sources`; 0 when it is none of them.
unsigned CurrentLayout(const std::vector<InputSource>& sources, const std::vector<InputSource>& mru);

// Asks gsettings; 0 when it cannot tell (no gsettings, no GNOME Shell).
unsigned CurrentLayoutOfTheShell();

}  // namespace tess::gnome
