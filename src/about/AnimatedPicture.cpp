#include "about/AnimatedPicture.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tess {

namespace {

int ClampDelay(int ms) {
    return std::clamp(ms, AnimatedPicture::kMinDelayMs, AnimatedPicture::kMaxDelayMs);
}

}  // namespace

AnimatedPicture::AnimatedPicture(QWidget* parent) : QWidget(parent) {
    SetFrameTimer(std::make_unique<QtFrameTimer>());
}

AnimatedPicture::~AnimatedPicture() {
    if (timer_) timer_->OnTimeout = nullptr;
}

bool AnimatedPicture::Load(const QString& fileName) {
    QImageReader reader(fileName);
    std::vector<QImage> frames;
    std::vector<int> delays;
    // The reader hands out whole frames, already composed over the frames
    // before them; the delay it reports after a read belongs to that frame.
    for (;;) {
        QImage frame = reader.read();
        if (frame.isNull()) break;
        frames.push_back(std::move(frame));
        delays.push_back(reader.nextImageDelay());
        if (!reader.canRead()) break;
    }
    if (frames.empty()) return false;
    SetFrames(std::move(frames), std::move(delays));
    return true;
}

void AnimatedPicture::SetFrames(std::vector<QImage> frames, std::vector<int> delaysMs) {
    delaysMs.resize(frames.size(), 0);
    for (int& d : delaysMs) d = ClampDelay(d);
    frames_ = std::move(frames);
    delays_ = std::move(delaysMs);
    index_ = 0;
    if (animate_) StartCountdown(0);
    updateGeometry();
    update();
}

int AnimatedPicture::FrameDelay(int index) const { return delays_.at(index); }

void AnimatedPicture::SetFrameIndex(int index) {
    if (index == index_ || index < 0 || index >= FrameCount()) return;
    // A running animation goes on from the new frame, which stays for its
    // own display time.
    if (animate_) StartCountdown(index);
    ShowFrame(index);
}

void AnimatedPicture::SetAnimate(bool on) {
    if (on == animate_) return;
    animate_ = on;
    if (on)
        StartCountdown(index_);
    else
        timer_->Stop();
}

void AnimatedPicture::SetFrameTimer(std::unique_ptr<FrameTimer> timer) {
    if (timer_) {
        timer_->Stop();
        timer_->OnTimeout = nullptr;
    }
    timer_ = std::move(timer);
    timer_->OnTimeout = [this] { Step(); };
    if (animate_) StartCountdown(index_);
}

void AnimatedPicture::StartCountdown(int index) {
    ++countdowns_;
    if (FrameCount() < 2) {
        timer_->Stop();  // one frame: nothing to step to
        return;
    }
    timer_->Start(delays_[index]);
}

void AnimatedPicture::Step() {
    if (!animate_ || FrameCount() < 2) return;
    const unsigned before = countdowns_;
    ShowFrame((index_ + 1) % FrameCount());
    // A handler may have stopped the animation or moved it to another frame
    // (which starts its own countdown); otherwise the new frame's time runs.
    if (animate_ && countdowns_ == before) StartCountdown(index_);
}

void AnimatedPicture::ShowFrame(int index) {
    index_ = index;
    update();
    emit OnFrameChanged();
}

QSize AnimatedPicture::sizeHint() const {
    return frames_.empty() ? QSize(0, 0) : frames_.front().size();
}

void AnimatedPicture::paintEvent(QPaintEvent*) {
    if (frames_.empty()) return;
    const QImage& frame = frames_[index_];
    QPainter painter(this);
    painter.drawImage((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
}

void AnimatedPicture::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button());
}

void AnimatedPicture::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event->button());
}

}  // namespace tess
