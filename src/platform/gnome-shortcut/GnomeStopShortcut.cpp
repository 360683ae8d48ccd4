#include "platform/gnome-shortcut/GnomeStopShortcut.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tess::gnome {
namespace {

constexpr const char* kMediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kCustom = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr const char* kFolder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

bool SchemaInstalled(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source) return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (!schema) return false;
    g_settings_schema_unref(schema);
    return true;
}

std::string StringOf(GSettings* settings, const char* key) {
    gchar* value = g_settings_get_string(settings, key);
    std::string text = value ? value : "";
    g_free(value);
    return text;
}

// GNOME keeps its settings in dconf, written through the session bus: a
// change made without one is lost at once, which must not pass for done.
bool SessionBusMissing(std::string& error) {
    GSettingsBackend* backend = g_settings_backend_get_default();
    const bool dconf = backend && std::string(G_OBJECT_TYPE_NAME(backend)).find("DConf") != std::string::npos;
    if (backend) g_object_unref(backend);
    if (!dconf) return false;
    GError* failure = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &failure);
    if (bus) {
        g_object_unref(bus);
        return false;
    }
    error = std::string("GNOME's settings cannot be written without a session bus (") +
            (failure ? failure->message : "none") + ")";
    if (failure) g_error_free(failure);
    return true;
}

}  // namespace

ShortcutResult InstallStopShortcut(const std::string& command, std::string& error) {
    if (!SchemaInstalled(kMediaKeys) || !SchemaInstalled(kCustom)) {
        error = std::string("GNOME's shortcut settings are not installed (GSettings schema ") + kMediaKeys +
                ", package gnome-settings-daemon-common)";
        return ShortcutResult::Failed;
    }
    if (SessionBusMissing(error)) return ShortcutResult::Failed;
    GSettings* mediaKeys = g_settings_new(kMediaKeys);
    gchar** paths = g_settings_get_strv(mediaKeys, "custom-keybindings");
    std::vector<std::string> list;
    for (gchar** p = paths; p && *p; ++p) list.emplace_back(*p);
    g_strfreev(paths);

    // One of ours already there (a second request, or an earlier version)?
    ShortcutResult result = ShortcutResult::Added;
    for (const std::string& path : list) {
        GSettings* entry = g_settings_new_with_path(kCustom, path.c_str());
        const bool ours = StringOf(entry, "command") == command;
        g_object_unref(entry);
        if (ours) result = ShortcutResult::AlreadyThere;
    }
    if (result == ShortcutResult::Added) {
        // A folder of its own that no other entry uses.
        std::string path;
        for (int n = 0; path.empty() || std::find(list.begin(), list.end(), path) != list.end(); ++n)
            path = std::string(kFolder) + "tessaline-stop" + (n ? std::to_string(n) : "") + "/";
        GSettings* entry = g_settings_new_with_path(kCustom, path.c_str());
        const bool written = g_settings_set_string(entry, "name", kStopShortcutName) &&
                             g_settings_set_string(entry, "command", command.c_str()) &&
                             g_settings_set_string(entry, "binding", kStopBinding);
        g_object_unref(entry);
        // Listed last, once its keys are in place: GNOME takes up an entry
        // when it appears in the list.
        list.push_back(path);
        std::vector<const gchar*> strv;
        for (const std::string& p : list) strv.push_back(p.c_str());
        strv.push_back(nullptr);
        if (!written || !g_settings_set_strv(mediaKeys, "custom-keybindings", strv.data())) {
            error = "GNOME's shortcut settings could not be written";
            result = ShortcutResult::Failed;
        }
    }
    g_settings_sync();
    g_object_unref(mediaKeys);
    return result;
}

}  // namespace tess::gnome
