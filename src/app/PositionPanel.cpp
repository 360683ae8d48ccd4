#include "app/PositionPanel.h"

#include <QFontMetrics>
#include <QResizeEvent>

namespace tess {
namespace {

const QString kCaption = QStringLiteral(" Cursor position: ");
const QString kSetCaption = QStringLiteral(" Cursor set to: ");
// Room between the text and the panel's edge.
constexpr int kPadding = 3;

QString NumberOf(const QString& text) {
    return text.startsWith(kCaption) ? text.mid(kCaption.size()) : text.trimmed();
}

}  // namespace

QString FittedPositionText(const QString& text, bool live, int width, const QFontMetrics& metrics) {
    const QString number = NumberOf(text);
    if (number.isEmpty()) return text;
    const QString full = (live ? kCaption : kSetCaption) + number;
    if (metrics.horizontalAdvance(full) + kPadding <= width) return full;
    return QLatin1Char(' ') + number;
}

QString PositionHint(const QString& text, bool live) {
    const QString number = NumberOf(text);
    if (live) return QStringLiteral("Cursor position: %1").arg(number);
    if (number.isEmpty())
        return QStringLiteral("Cursor position: not known; this desktop does not tell it");
    return QStringLiteral("Cursor position: last set %1 by playback; this desktop does not tell "
                          "where the pointer is")
        .arg(number);
}

PositionPanel::PositionPanel(QWidget* parent) : QLabel(parent), text_(kCaption) {
    setText(text_);
    setToolTip(PositionHint(text_, live_));
    setMinimumWidth(NumberWidth());
}

int PositionPanel::NumberWidth() const {
    return fontMetrics().horizontalAdvance(QLatin1Char(' ') + NumberOf(text_)) + kPadding;
}

void PositionPanel::SetPositionText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    Fit();
}

void PositionPanel::SetLive(bool live) {
    if (live == live_) return;
    live_ = live;
    Fit();
}

void PositionPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Fit();
}

void PositionPanel::Fit() {
    // The panel never gets narrower than its number; the layout hears of
    // it only when the number's width changes.
    const int narrowest = NumberWidth();
    if (narrowest != minimumWidth()) setMinimumWidth(narrowest);
    const QString shown = FittedPositionText(text_, live_, width(), fontMetrics());
    if (shown != text()) setText(shown);
    // The hint tells what the panel leaves out: the caption where only the
    // number is shown, and that the number is not live.
    const QString hint = shown.startsWith(kCaption) ? QString() : PositionHint(text_, live_);
    if (hint != toolTip()) setToolTip(hint);
}

}  // namespace tess
