#include "app/PaceHint.h"

#include "app/PlaybackTimer.h"

namespace tess {
namespace {

constexpr int64_t kSecond = 1'000'000'000;

}  // namespace

QString PaceSuffix(int64_t remainingNs) {
    if (remainingNs <= kSecond) return {};
    return QStringLiteral(", next line in %1 s").arg((remainingNs + kSecond - 1) / kSecond);
}

PaceHint::PaceHint(PlaybackTimer& timer, std::function<void(const QString&)> show,
                   QObject* parent)
    : QObject(parent), timer_(timer), show_(std::move(show)) {
    // A quarter of a second keeps the count within sight of the truth; the
    // ticker runs only while a pace slower than a second is waiting.
    ticker_.setInterval(250);
    connect(&ticker_, &QTimer::timeout, this, [this] { Update(); });
}

void PaceHint::Update() {
    const bool slow = timer_.Enabled() && timer_.Interval() > 1000;
    QString suffix;
    if (slow && timer_.Armed()) suffix = PaceSuffix(timer_.NextDeadline() - timer_.Now());
    if (slow && !ticker_.isActive()) ticker_.start();
    if (!slow) ticker_.stop();
    if (suffix == shown_) return;
    shown_ = suffix;
    show_(shown_);
}

}  // namespace tess
