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
    if (m_timer) m_timer->OnTimeout = nullptr;
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
    m_frames = std::move(frames);
    m_delays = std::move(delaysMs);
    m_index = 0;
    if (m_animate) StartCountdown(0);
    updateGeometry();
    update();
}

int AnimatedPicture::FrameDelay(int index) const { return m_delays.at(index); }

void AnimatedPicture::SetFrameIndex(int index) {
    if (index == m_index || index < 0 || index >= FrameCount()) return;
    // A running animation goes on from the new frame, which stays for its
    // own display time.
    if (m_animate) StartCountdown(index);
    ShowFrame(index);
}

void AnimatedPicture::SetAnimate(bool on) {
    if (on == m_animate) return;
    m_animate = on;
    if (on)
        StartCountdown(m_index);
    else
        m_timer->Stop();
}

void AnimatedPicture::SetFrameTimer(std::unique_ptr<FrameTimer> timer) {
    if (m_timer) {
        m_timer->Stop();
        m_timer->OnTimeout = nullptr;
    }
    m_timer = std::move(timer);
    m_timer->OnTimeout = [this] { Step(); };
    if (m_animate) StartCountdown(m_index);
}

void AnimatedPicture::StartCountdown(int index) {
    ++m_countdowns;
    if (FrameCount() < 2) {
        m_timer->Stop();  // one frame: nothing to step to
        return;
    }
    m_timer->Start(m_delays[index]);
}

void AnimatedPicture::Step() {
    if (!m_animate || FrameCount() < 2) return;
    const unsigned before = m_countdowns;
    ShowFrame((m_index + 1) % FrameCount());
    // A handler may have stopped the animation or moved it to another frame
    // (which starts its own countdown); otherwise the new frame's time runs.
    if (m_animate && m_countdowns == before) StartCountdown(m_index);
}

void AnimatedPicture::ShowFrame(int index) {
    m_index = index;
    update();
    emit OnFrameChanged();
}

QSize AnimatedPicture::sizeHint() const {
    return m_frames.empty() ? QSize(0, 0) : m_frames.front().size();
}

void AnimatedPicture::paintEvent(QPaintEvent*) {
    if (m_frames.empty()) return;
    const QImage& frame = m_frames[m_index];
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
