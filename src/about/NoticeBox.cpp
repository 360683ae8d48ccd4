#include "about/NoticeBox.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QStringListModel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace tess {
namespace {

// Lines longer than this are shown in rows of at most this many characters,
// broken after a blank where there is one.
constexpr qsizetype kRowChars = 100;

// The rows the box shows: one per line, long lines broken.
QStringList Rows(const QString& text) {
    QStringList rows;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        while (line.size() > kRowChars) {
            qsizetype cut = line.left(kRowChars).lastIndexOf(QLatin1Char(' ')) + 1;
            if (cut <= 0) cut = kRowChars;
            rows.append(line.left(cut).toString());
            line = line.mid(cut);
        }
        rows.append(line.toString());
    }
    return rows;
}

}  // namespace

QDialog* MakeNoticeBox(QWidget* parent, const QString& text) {
    auto* box = new QDialog(parent);
    box->setWindowTitle(QStringLiteral("Information"));
    auto* layout = new QVBoxLayout(box);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(box);
    const int iconSize = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
    icon->setPixmap(box->style()
                        ->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, box)
                        .pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);
    // A list of rows of one height: only the rows in sight are laid out and
    // drawn, so even the largest notice opens at once.
    const QStringList rows = Rows(text);
    auto* view = new QListView(box);
    view->setObjectName(QStringLiteral("NoticeText"));
    view->setModel(new QStringListModel(rows, view));
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setTextElideMode(Qt::ElideNone);
    view->viewport()->setAutoFillBackground(false);
    row->addWidget(icon);
    row->addWidget(view, 1);
    layout->addLayout(row, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    layout->addWidget(buttons);

    // As large as the text needs, within the screen; the caption always
    // fits, with room for the title bar's buttons.
    const QFontMetrics metrics = view->fontMetrics();
    const qsizetype lines = rows.size();
    qsizetype longest = 0;
    for (const QString& r : rows) longest = std::max(longest, r.size());
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const int chrome = iconSize + 4 * layout->contentsMargins().left() + 16;
    const int captionWidth =
        QFontMetrics(QApplication::font()).horizontalAdvance(box->windowTitle()) * 2 + 120;
    const int textWidth = metrics.averageCharWidth() * int(longest) + chrome;
    const int width = std::clamp(std::max(textWidth, captionWidth), captionWidth,
                                 std::max(captionWidth, area.width() * 3 / 4));
    const int textHeight =
        (metrics.lineSpacing() + 2) * int(std::min<qsizetype>(lines, 1000)) + 12;
    const int rest = buttons->sizeHint().height() + 3 * layout->contentsMargins().top() + 8;
    // Less than the screen by a title bar's height and a margin.
    const int height = std::min(textHeight + rest, area.height() - 80);
    box->resize(width, std::max(height, iconSize + rest));
    return box;
}

}  // namespace tess
