#include "app/PlacementStore.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <cstring>
#include <optional>

namespace tess {

const char* const kPlacementKey = "\\Software\\Velmora\\Tessaline 0003";

namespace {

const char* const kNames[4] = {"top", "left", "height", "width"};

// Closes the key whatever way the operation ends.
struct OpenKey {
    SettingsTree& tree;
    SettingsKey key = 0;
    ~OpenKey() {
        if (key) tree.CloseKey(key);
    }
};

std::string Message(const char* format, const char* name) {
    std::string text(format);
    text.replace(text.find("%s"), 2, name);
    return text;
}

bool OnSomeScreen(const QRect& rect) {
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(rect)) return true;
    return false;
}

// A native Wayland window is told nothing of its position (Qt reports 0,0
// for it), so there only the size is stored, and the stored position is
// kept for a desktop that tells it.
bool PositionKnown() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// top, left, height, width as read so far.
void Apply(QWidget& window, const std::optional<int32_t> (&v)[4]) {
    // Position and size are the outer frame's. The content is what the
    // window is resized by: the frame's share is taken off (none until the
    // window manager has framed the window, which then takes it off).
    if (v[2] || v[3]) {
        const QSize frame = window.frameGeometry().size() - window.size();
        QSize size(v[3] ? *v[3] - frame.width() : window.width(),
                   v[2] ? *v[2] - frame.height() : window.height());
        window.resize(size.expandedTo(window.minimumSize()));
    }
    if (v[0] || v[1]) {
        QPoint pos(v[1].value_or(window.pos().x()), v[0].value_or(window.pos().y()));
        if (OnSomeScreen(QRect(pos, window.frameGeometry().size()))) window.move(pos);
    }
}

}  // namespace

void RestorePlacement(QWidget& window, SettingsTree& tree) {
    {
        OpenKey probe{tree};
        if (tree.OpenKey(kPlacementKey, SettingsAccess::AllAccess, probe.key) !=
            SettingsStatus::Ok)
            return;
    }
    OpenKey key{tree};
    tree.OpenKey(kPlacementKey, SettingsAccess::Read, key.key);
    std::optional<int32_t> values[4];
    for (int i = 0; i < 4; ++i) {
        uint32_t type = 0, size = 0;
        if (tree.QueryValue(key.key, kNames[i], &type, nullptr, &size) != SettingsStatus::Ok ||
            CategoryOf(type) != SettingsCategory::Integer32)
            continue;
        unsigned char data[4] = {};
        size = sizeof data;
        if (tree.QueryValue(key.key, kNames[i], nullptr, data, &size) != SettingsStatus::Ok ||
            size != 4) {
            Apply(window, values);
            throw PlacementError(Message("Failed to get data for '%s'", kNames[i]));
        }
        uint32_t raw = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                       uint32_t(data[3]) << 24;
        values[i] = static_cast<int32_t>(raw);
    }
    Apply(window, values);
}

void StorePlacement(const QWidget& window, SettingsTree& tree) {
    // The four values reach the store in one write.
    tree.BeginBatch();
    struct Batch {
        SettingsTree& tree;
        bool ended = false;
        ~Batch() {
            if (!ended) tree.EndBatch();
        }
    } batch{tree};
    OpenKey key{tree};
    tree.CreateKey(kPlacementKey, key.key);
    const QRect outer = window.frameGeometry();
    const int32_t values[4] = {outer.top(), outer.left(), outer.height(), outer.width()};
    for (int i = PositionKnown() ? 0 : 2; i < 4; ++i) {
        uint32_t raw = static_cast<uint32_t>(values[i]);
        unsigned char data[4] = {static_cast<unsigned char>(raw), static_cast<unsigned char>(raw >> 8),
                                 static_cast<unsigned char>(raw >> 16),
                                 static_cast<unsigned char>(raw >> 24)};
        if (tree.SetValue(key.key, kNames[i], static_cast<uint32_t>(SettingsType::Integer32), data,
                          4) != SettingsStatus::Ok)
            throw PlacementError(Message("Failed to set data for '%s'", kNames[i]));
    }
    batch.ended = true;
    if (tree.EndBatch() != SettingsStatus::Ok)
        throw PlacementError(Message("Failed to set data for '%s'", kNames[0]));
}

}  // namespace tess
