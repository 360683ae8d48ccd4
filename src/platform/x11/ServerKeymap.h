#pragma once
// The server's keyboard as libxkbcommon describes it: the keymap read from
// the core keyboard device, indexed for the active group.
#include <X11/Xlib.h>

#include <vector>

#include "platform/xkb/KeymapIndex.h"

struct xkb_context;

namespace tess::x11 {

class ServerKeymap {
public:
    ServerKeymap();
    ~ServerKeymap();
    ServerKeymap(const ServerKeymap&) = delete;
    ServerKeymap& operator=(const ServerKeymap&) = delete;

    // Reads the keymap and the active group from the server. Keycodes in
    // `ignore` are taken as absent. False when the server would not give
    // them (the index is then empty).
    bool Load(Display* display, const std::vector<KeyCode>& ignore);
    // Indexes the keymap already read for another group; keys ignored when
    // it was read stay ignored.
    void SetGroup(int group, const std::vector<KeyCode>& ignore);
    int group() const { return group_; }
    const xkb::KeymapIndex& index() const { return index_; }

private:
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    int group_ = 0;
    std::vector<KeyCode> loadIgnore_;  // taken as absent when the keymap was read
    xkb::KeymapIndex index_;
};

}  // namespace tess::x11
