#include "app/ButtonBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMouseEvent>

#include "app/ButtonPictures.h"

namespace tess {

PictureButton::PictureButton(const QPixmap& picture, const QString& hint, QWidget* parent)
    : QLabel(parent) {
    setPixmap(picture);
    setAlignment(Qt::AlignCenter);
    setFixedSize(24, 23);
    setToolTip(hint);
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
    down_ = true;
    emit pressed();
    event->accept();
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    emit released();
    bool click = down_ && rect().contains(event->position().toPoint());
    down_ = false;
    event->accept();
    if (click) emit clicked();
}

ButtonBar::ButtonBar(QAction* run, QAction* pause, QAction* stop, QWidget* parent)
    : QFrame(parent) {
    setObjectName("Panel3");
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setFixedHeight(25);
    Image1 = new PictureButton(RunPicture(), QStringLiteral("Run"), this);
    Image2 = new PictureButton(PausePicture(), QStringLiteral("Pause"), this);
    Image3 = new PictureButton(StopPicture(), QStringLiteral("Stop"), this);
    Image1->setObjectName("Image1");
    Image2->setObjectName("Image2");
    Image3->setObjectName("Image3");
    Image2->hide();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 1, 0);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(Image1);
    layout->addWidget(Image2);
    layout->addWidget(Image3);
    const std::pair<PictureButton*, QAction*> routes[] = {
        {Image1, run}, {Image2, pause}, {Image3, stop}};
    for (auto [button, action] : routes) {
        connect(button, &PictureButton::pressed, this, [this] { SetFlat(true); });
        connect(button, &PictureButton::released, this, [this] { SetFlat(false); });
        connect(button, &PictureButton::clicked, action, &QAction::trigger);
    }
}

void ButtonBar::SetFlat(bool flat) {
    // Flat is the raised bar without its bevel: no frame at all (a plain
    // frame would be drawn as a dark line), the pictures where they were.
    const int bevel = lineWidth();
    setFrameStyle(flat ? QFrame::NoFrame : QFrame::Panel | QFrame::Raised);
    setContentsMargins(flat ? QMargins(bevel, bevel, bevel, bevel) : QMargins());
}

void ButtonBar::SetPauseShown(bool shown) {
    Image1->setVisible(!shown);
    Image2->setVisible(shown);
}

}  // namespace tess
