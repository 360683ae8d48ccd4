#pragma once
// GNOME lets no program take a global key: instead, a custom shortcut of
// GNOME's own (the media-keys plugin's custom-keybindings, through
// GSettings, exactly where Settings → Keyboard → Custom Shortcuts keeps
// them) that runs `tessaline --stop`. Added once, at the user's request.
#include <string>

namespace tess::gnome {

// The keys the shortcut takes, as GNOME writes them and as users read them.
inline constexpr const char* kStopBinding = "<Control><Alt><Shift>q";
inline constexpr const char* kStopBindingName = "Ctrl+Alt+Shift+Q";
inline constexpr const char* kStopShortcutName = "Tessaline 0003: stop playback";

enum class ShortcutResult { Added, AlreadyThere, Failed };

// Adds the shortcut running `command` (a command line as GNOME parses it);
// a shortcut that already runs it is left as it is. On failure `error`
// says in one line what is missing.
ShortcutResult InstallStopShortcut(const std::string& command, std::string& error);

}  // namespace tess::gnome
