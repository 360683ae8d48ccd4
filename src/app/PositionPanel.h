#pragma once
// The status bar's first panel, the cursor position. The user reads
// coordinates there while pointing at a target, so the number is always
// shown whole: with its caption " Cursor position: " where the panel is wide
// enough, alone where it is not (the caption then moves into the panel's
// hint). Where the desktop does not tell the pointer's position, the number
// is the point playback last set, and the panel says so.
#include <QLabel>
#include <QString>

class QFontMetrics;

namespace tess {

// What a panel `width` pixels wide shows of `text` (" Cursor position: " and
// the number, or the caption alone before the first number): the whole text
// when it fits, otherwise the number alone. `live` false marks the number
// as the point last set rather than where the pointer is now.
QString FittedPositionText(const QString& text, bool live, int width, const QFontMetrics& metrics);
// The panel's hint for that text: the caption and the number in full.
QString PositionHint(const QString& text, bool live);

class PositionPanel : public QLabel {
public:
    explicit PositionPanel(QWidget* parent = nullptr);

    // The panel's text in full (" Cursor position: 118,141").
    void SetPositionText(const QString& text);
    const QString& PositionText() const { return text_; }
    // Whether the position is read from the desktop (true) or only the point
    // playback last set (false).
    void SetLive(bool live);
    // The narrowest the panel may become: the width of its number.
    int NumberWidth() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();

    QString text_;
    bool live_ = true;
};

}  // namespace tess
