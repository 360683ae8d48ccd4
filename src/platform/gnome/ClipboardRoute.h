#pragma once
// Typing characters that no key of the layout gives: the text becomes the
// clipboard's content for a moment and the focused window is sent Ctrl+V;
// then whatever the user had on the clipboard is put back. The desktop's
// side of the clipboard is a ClipboardChannel, so that any session that
// can own the clipboard and press keys can use the route. Standard library
// only.
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::gnome {

class ClipboardChannel {
public:
    virtual ~ClipboardChannel() = default;
    // Lets the session see and own the clipboard; false when it cannot.
    virtual bool EnableClipboard() = 0;
    // The types the clipboard's current content is offered in (empty when
    // the clipboard is empty or this session owns it).
    virtual std::vector<std::string> OfferedTypes() = 0;
    // Whether this session owns the clipboard now.
    virtual bool Owns() = 0;
    // The current content in one type; nothing when it cannot be read.
    virtual std::optional<std::string> Read(const std::string& type) = 0;
    // Makes this session the clipboard's owner, offering `types`; requests
    // for the content are answered by `provide` from then on.
    using Provider = std::function<std::optional<std::string>(const std::string& type)>;
    virtual bool Offer(const std::vector<std::string>& types, Provider provide) = 0;
    // Handles requests until `count` have been answered since the last
    // Offer, or the time is up; returns how many were.
    virtual size_t ServeUntil(size_t count, std::chrono::milliseconds timeout) = 0;
    // Ctrl+V on the focused window.
    virtual void PressPaste() = 0;
};

class ClipboardRoute {
public:
    explicit ClipboardRoute(ClipboardChannel& channel) : channel_(channel) {}
    // Pastes one stretch of text (UTF-8) and puts the user's clipboard back.
    // False when the clipboard cannot be used at all.
    bool Paste(const std::string& text);
    // Starts following the clipboard's owner, so that the content of one
    // that came before the first paste is known; Paste does it otherwise.
    bool Enable();

    // Limits on what is kept of the user's clipboard.
    static constexpr size_t kMaxTypes = 16;
    static constexpr size_t kMaxBytes = 64u << 20;

private:
    struct Saved {
        std::vector<std::string> types;
        std::vector<std::string> contents;
    };
    Saved SaveUsers();
    void Restore(Saved saved);

    ClipboardChannel& channel_;
    Saved users_;  // what was put back last
    bool holdingUsers_ = false;
    bool enabled_ = false, failed_ = false;
};

}  // namespace tess::gnome
