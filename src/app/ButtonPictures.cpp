#include "app/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tess {
namespace {

constexpr int kWidth = 24, kHeight = 23;
const QColor kInk(0x20, 0x30, 0x60);

template <typename Draw>
QPixmap Picture(Draw draw) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    draw(p);
    return pixmap;
}

}  // namespace

QPixmap RunPicture() {
    return Picture([](QPainter& p) {
        p.drawPolygon(QPolygonF({QPointF(8, 5), QPointF(18, 11.5), QPointF(8, 18)}));
    });
}

QPixmap PausePicture() {
    return Picture([](QPainter& p) {
        p.drawRect(QRectF(7, 5, 3.5, 13));
        p.drawRect(QRectF(13.5, 5, 3.5, 13));
    });
}

QPixmap StopPicture() {
    return Picture([](QPainter& p) { p.drawRect(QRectF(6.5, 6, 11, 11)); });
}

// The icon: a list of lines on a page with a run triangle in its corner, the
// same design as resources/tessaline.svg.
QIcon WindowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(QPen(kInk, 3));
        p.setBrush(QColor(0xf4, 0xf6, 0xfb));
        p.drawRoundedRect(QRectF(6, 4, 44, 56), 5, 5);
        p.setPen(QPen(QColor(0x60, 0x70, 0x90), 4, Qt::SolidLine, Qt::RoundCap));
        for (int y : {16, 26, 36, 46}) p.drawLine(QPointF(14, y), QPointF(y == 46 ? 28 : 42, y));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x8a, 0x4c));
        p.drawPolygon(QPolygonF({QPointF(34, 36), QPointF(60, 48), QPointF(34, 60)}));
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace tess
