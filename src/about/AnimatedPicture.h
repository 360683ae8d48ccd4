#pragma once
// A multi-frame picture that shows one frame at a time, drawn centred, and
// can step through its frames by itself, each frame staying for its own
// display time.
#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "about/FrameTimer.h"

namespace tess {

class AnimatedPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinDelayMs = 50;
    static constexpr int kMaxDelayMs = 10000;

    explicit AnimatedPicture(QWidget* parent = nullptr);
    ~AnimatedPicture() override;

    // Decodes every frame of an image file (a GIF or any other format the
    // image readers know) and shows frame 0. Returns false and keeps the
    // picture it had when the file cannot be read or holds no frame.
    bool Load(const QString& fileName);
    // Takes frames and their display times directly (the times are clamped
    // like those read from a file).
    void SetFrames(std::vector<QImage> frames, std::vector<int> delaysMs);

    int FrameCount() const { return static_cast<int>(frames_.size()); }
    // The display time of a frame, in milliseconds, within 50..10 000.
    int FrameDelay(int index) const;
    const QImage& Frame(int index) const { return frames_.at(index); }

    int FrameIndex() const { return index_; }
    // Shows another frame and fires OnFrameChanged. Setting the frame already
    // shown, or one outside 0..FrameCount()-1, does nothing.
    void SetFrameIndex(int index);

    bool Animate() const { return animate_; }
    // True steps forward from the shown frame, wrapping from the last frame to
    // frame 0, firing OnFrameChanged after every step; false stops. Setting
    // the current value changes nothing.
    void SetAnimate(bool on);

    // Replaces the countdown that paces the animation (tests drive it by
    // hand). The picture owns the timer.
    void SetFrameTimer(std::unique_ptr<FrameTimer> timer);
    FrameTimer& Timer() { return *timer_; }

    QSize sizeHint() const override;

signals:
    void OnFrameChanged();
    void MouseDown(Qt::MouseButton button);
    void MouseUp(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Step();
    void StartCountdown(int index);
    void ShowFrame(int index);

    std::vector<QImage> frames_;
    std::vector<int> delays_;
    int index_ = 0;
    bool animate_ = false;
    unsigned countdowns_ = 0;  // countdowns started so far
    std::unique_ptr<FrameTimer> timer_;
};

}  // namespace tess
