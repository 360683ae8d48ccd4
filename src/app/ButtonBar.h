#pragma once
// The button bar: Run, Pause and Stop pictures aligned right, Run and Pause
// sharing one place. Pressing any picture flattens the whole bar; releasing
// raises it again; a press and release on the same picture clicks it.
#include <QFrame>
#include <QLabel>

class QAction;

namespace tess {

class PictureButton : public QLabel {
    Q_OBJECT
public:
    PictureButton(const QPixmap& picture, const QString& hint, QWidget* parent);

signals:
    void pressed();
    void released();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool down_ = false;
};

class ButtonBar : public QFrame {
    Q_OBJECT
public:
    // Clicks on the pictures trigger the given actions.
    ButtonBar(QAction* run, QAction* pause, QAction* stop, QWidget* parent);

    // True shows Pause in Run's place.
    void SetPauseShown(bool shown);
    bool PauseShown() const { return !Image2->isHidden(); }
    bool Flat() const { return frameShape() == QFrame::NoFrame; }

    PictureButton* Image1;  // run
    PictureButton* Image2;  // pause
    PictureButton* Image3;  // stop

private:
    void SetFlat(bool flat);
};

}  // namespace tess
