// The best global way out each desktop has: KDE's global shortcuts where
// the session bus serves them in a Wayland session, X11 grabs where an X server sees the keys
// (an X11 desktop, or XWayland beside a Wayland one), and otherwise none,
// which the user is told when playback starts, with how to bind
// `tessaline --stop` instead.
#include <cstdlib>
#include <utility>

#include "platform/OwnKeyGuard.h"
#include "platform/StopKey.h"
#include "platform/desktop/Backends.h"
#include "platform/desktop/StopKeyNotices.h"

namespace tess {
namespace {

// The chosen keys, with the sink's guard taken back at the end and a line
// said at the first Arm when the keys reach less than the whole desktop.
class ChosenStopKey final : public StopKey {
public:
    ChosenStopKey(std::unique_ptr<StopKey> inner, GuardedSink* sink, OwnKeyGuard* guard, std::string armNotice)
        : inner_(std::move(inner)), sink_(guard ? sink : nullptr), armNotice_(std::move(armNotice)) {
        if (sink_) sink_->SetOwnKeyGuard(guard);
    }
    ~ChosenStopKey() override {
        if (sink_) sink_->SetOwnKeyGuard(nullptr);
    }
    void Arm() override {
        inner_->Arm();
        if (!armNotice_.empty()) notices_.push_back(std::exchange(armNotice_, {}));
    }
    void Disarm() override { inner_->Disarm(); }
    bool Armed() const override { return inner_->Armed(); }
    bool TakePress() override { return inner_->TakePress(); }
    std::vector<std::string> TakeNotices() override {
        std::vector<std::string> lines = std::exchange(notices_, {});
        for (std::string& line : inner_->TakeNotices()) lines.push_back(std::move(line));
        return lines;
    }
    int WaitHandle() const override { return inner_->WaitHandle(); }

private:
    std::unique_ptr<StopKey> inner_;
    GuardedSink* sink_;
    std::string armNotice_;
    std::vector<std::string> notices_;
};

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

std::unique_ptr<StopKey> CreateStopKey(InputSink& sink, std::string& notice) {
    notice.clear();
    const bool waylandSession = IsSet("WAYLAND_DISPLAY");
    auto* guarded = dynamic_cast<GuardedSink*>(&sink);
    const desktop::Session session = desktop::CurrentSession();

    std::string why;
    // On Plasma's X11 session the grabs below serve better: there the
    // scenario's own presses reach the X server, where the X11 sink steps
    // its grabs aside, and KDE's shortcut service would take them.
    if (waylandSession) {
        desktop::StopKeyOpening kde = desktop::OpenKdeStopKey(why);
        if (kde.key) return std::make_unique<ChosenStopKey>(std::move(kde.key), guarded, kde.guard, "");
    }
    desktop::StopKeyOpening x11 = desktop::OpenX11StopKey(sink, why);
    if (x11.key) {
        // On a Wayland desktop XWayland sees the keys only while one of its
        // windows has the focus.
        std::string armNotice = waylandSession ? desktop::XWaylandKeysNotice(session) : "";
        return std::make_unique<ChosenStopKey>(std::move(x11.key), guarded, x11.guard, std::move(armNotice));
    }
    return std::make_unique<ChosenStopKey>(std::make_unique<NoStopKey>(), nullptr, nullptr,
                                           desktop::NoKeysNotice(session));
}

}  // namespace tess
