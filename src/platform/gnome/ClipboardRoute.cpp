#include "platform/gnome/ClipboardRoute.h"

#include <memory>

namespace tess::gnome {
namespace {

const std::vector<std::string> kTextTypes = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "STRING",
                                              "TEXT"};

// The paste itself, and the copy the desktop's clipboard keeper takes of
// every new content; both are waited for, so that the paste stays where
// it was typed.
constexpr size_t kRequestsPerPaste = 2;
constexpr auto kPasteTimeout = std::chrono::milliseconds(1000);

}  // namespace

bool ClipboardRoute::Enable() {
    if (!enabled_ && !failed_) {
        enabled_ = channel_.EnableClipboard();
        failed_ = !enabled_;
    }
    return enabled_;
}

ClipboardRoute::Saved ClipboardRoute::SaveUsers() {
    Saved saved;
    size_t bytes = 0;
    std::vector<std::string> types = channel_.OfferedTypes();
    // The desktop names the types only when the owner changes: text at least.
    if (types.empty()) types = {kTextTypes.front()};
    // An owner that is slow to give its content holds up the paste for 2 s
    // at most, whatever the number of its types.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (const std::string& type : types) {
        if (saved.types.size() >= kMaxTypes || std::chrono::steady_clock::now() > deadline) break;
        std::optional<std::string> content = channel_.Read(type);
            if (!content || bytes + content->size() > kMaxBytes) continue;
        bytes += content->size();
        saved.types.push_back(type);
        saved.contents.push_back(std::move(*content));
    }
    return saved;
}

void ClipboardRoute::Restore(Saved saved) {
    holdingUsers_ = false;
    if (saved.types.empty()) return;
    users_ = saved;
    holdingUsers_ = true;
    auto kept = std::make_shared<Saved>(std::move(saved));
    channel_.Offer(kept->types, [kept](const std::string& type) -> std::optional<std::string> {
        for (size_t i = 0; i < kept->types.size(); ++i) {
            if (kept->types[i] == type) return kept->contents[i];
        }
        return std::nullopt;
    });
    // The keeper's copy: it holds the content once this session ends.
    channel_.ServeUntil(1, kPasteTimeout);
}

bool ClipboardRoute::Paste(const std::string& text) {
    if (!Enable()) return false;
    // While this session still holds the user's content it put back, that
    // content is the user's; otherwise the clipboard changed meanwhile.
    Saved users = holdingUsers_ && channel_.Owns() ? users_ : SaveUsers();
    auto content = std::make_shared<std::string>(text);
    const bool offered = channel_.Offer(kTextTypes, [content](const std::string& type) -> std::optional<std::string> {
        for (const auto& t : kTextTypes) {
            if (t == type) return *content;
        }
        return std::nullopt;
    });
    if (!offered) {
        failed_ = true;
        return false;
    }
    channel_.PressPaste();
    channel_.ServeUntil(kRequestsPerPaste, kPasteTimeout);
    Restore(std::move(users));
    return true;
}

}  // namespace tess::gnome
