#include "about/AboutBox.h"

#include <QDialog>
#include <QWindow>
#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QVBoxLayout>

#include "about/AnimatedPicture.h"
#include "about/HttpClient.h"
#include "about/MakerInfo.h"
#include "about/NoticeBox.h"
#include "about/NoticeText.h"
#include "tessaline/Version.h"

namespace tess {

namespace {

// A label that reports a click: the left button pressed and released on it,
// or, for a link that takes the keyboard focus, Enter or Space.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        if (OnClick && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            OnClick();
            return;
        }
        QLabel::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent* event) override {
        QLabel::paintEvent(event);
        if (font().underline()) {
            // The line is only 13 pixels high: the font's own underline
            // lies below it and would be cut off, so it is drawn here, on
            // the lowest row it can have.
            QPainter painter(this);
            painter.setPen(palette().color(QPalette::WindowText));
            const QFontMetrics metrics = fontMetrics();
            const int wide = metrics.horizontalAdvance(text());
            const int baseline = (height() - metrics.height()) / 2 + metrics.ascent();
            const int y = std::min(baseline + std::max(1, metrics.underlinePos()), height() - 1);
            painter.drawLine((width() - wide) / 2, y, (width() + wide) / 2 - 1, y);
        }
        if (!hasFocus()) return;
        // The focused link is framed, as the desktop frames a focused button.
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        const int wide = fontMetrics().horizontalAdvance(text()) + 4;
        option.rect = QRect((width() - wide) / 2, 0, wide, height());
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) pressed_ = true;
        QLabel::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool click = pressed_ && event->button() == Qt::LeftButton &&
                           rect().contains(event->position().toPoint());
        pressed_ = false;
        QLabel::mouseReleaseEvent(event);
        if (click && OnClick) OnClick();
    }

private:
    bool pressed_ = false;
};

ClickLabel* AddLine(QWidget* panel, QVBoxLayout* layout, const char* name, const QString& text) {
    auto* label = new ClickLabel(text, panel);
    label->setObjectName(QLatin1String(name));
    label->setFixedHeight(AboutBox::kLineHeight);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    return label;
}

void MakeLink(QLabel* label, Qt::CursorShape cursor) {
    // Tab reaches the links, Enter or Space follows the focused one.
    label->setFocusPolicy(Qt::StrongFocus);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setCursor(cursor);
}

}  // namespace

AboutBox::AboutBox(InputSink& sink, QWidget* mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      sink_(sink),
      mainWindow_(mainWindow),
      updateBase_(QStringLiteral("http://") + QLatin1String(maker::kHost)) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral(" About"));
    setFixedSize(kClientWidth, kClientHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    QFont font = panel->font();
    font.setPixelSize(11);
    panel->setFont(font);
    outer->addWidget(panel);

    auto* lines = new QVBoxLayout(panel);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    AddLine(panel, lines, "Label1", QString());
    picture_ = new AnimatedPicture(panel);
    picture_->setObjectName(QStringLiteral("RxGIFAnimator1"));
    picture_->setFixedHeight(kPictureHeight);
    picture_->Load(QStringLiteral(":/about/tessaline.gif"));
    lines->addWidget(picture_);
    AddLine(panel, lines, "Label5", QStringLiteral("Tessaline"));
    AddLine(panel, lines, "Label7", QLatin1String(kVersionLabel));
    AddLine(panel, lines, "Label4", QString());
    AddLine(panel, lines, "Label3", QLatin1String(maker::kCreditLine));
    ClickLabel* home = AddLine(panel, lines, "Label6", QLatin1String(maker::kWebAddress));
    MakeLink(home, Qt::PointingHandCursor);
    home->OnClick = [this] { Label6Click(); };
    AddLine(panel, lines, "Label8", QString());
    ClickLabel* update =
        AddLine(panel, lines, "Label9", QStringLiteral("download last version"));
    MakeLink(update, Qt::ArrowCursor);
    update->OnClick = [this] { Label9Click(); };
    AddLine(panel, lines, "Label2", QString());

    connect(picture_, &AnimatedPicture::MouseDown, this, [this] { RxGIFAnimator1MouseDown(); });
    connect(picture_, &AnimatedPicture::MouseUp, this, [this] { RxGIFAnimator1MouseUp(); });
    connect(picture_, &AnimatedPicture::OnFrameChanged, this,
            [this] { RxGIFAnimator1FrameChanged(); });

    http_ = new HttpClient(this);
    http_->setObjectName(QStringLiteral("NMHTTP1"));
    http_->SetInputFileMode(false);
    connect(http_, &HttpClient::OnSuccess, this, [this](int command) { NMHTTP1Success(command); });
}

AboutBox::~AboutBox() = default;

void AboutBox::keyPressEvent(QKeyEvent* event) {
    // Esc closes the box as its close button does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AboutBox::ShowAbout() {
    // Showing also brings back a box the user minimized.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!isVisible()) {
        if (!placed_) PlaceOverMainWindow();
        placed_ = true;
        // Transient for the main window itself, so that the window manager
        // keeps the box above it while the user works in the main window.
        if (mainWindow_ && mainWindow_->windowHandle()) {
            winId();
            if (windowHandle()) windowHandle()->setTransientParent(mainWindow_->windowHandle());
        }
        show();
    }
    raise();
    activateWindow();
}

void AboutBox::PlaceOverMainWindow() {
    if (!mainWindow_) return;
    const QRect main = mainWindow_->frameGeometry();
    // Centred by its frame: before the first showing the frame is not known
    // yet, and the main window's, drawn by the same window manager, stands
    // in for it.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull() && mainWindow_->windowHandle())
        frame = mainWindow_->windowHandle()->frameMargins();
    const QSize own = size().grownBy(frame);
    // Integer division truncates towards zero; a box wider or taller than
    // the main window never starts off the top or left edge of the screen.
    const int left = std::max(0, main.left() + (main.width() - own.width()) / 2);
    const int top = std::max(0, main.top() + (main.height() - own.height()) / 2);
    move(left, top);
}

void AboutBox::RxGIFAnimator1MouseDown() { picture_->SetFrameIndex(1); }

void AboutBox::RxGIFAnimator1MouseUp() { picture_->SetAnimate(true); }

void AboutBox::RxGIFAnimator1FrameChanged() {
    if (picture_->FrameIndex() == 0) picture_->SetAnimate(false);
}

void AboutBox::Label6Click() {
    sink_.ShellExecuteA(this, "open",
                         std::string("http://") + maker::kHost + maker::kHomePagePath, "", "",
                         SW_SHOWNORMAL);
}

QString AboutBox::NoticeFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/tessaline-0003/") + QLatin1String(kNoticeFile);
}

void AboutBox::Label9Click() {
    // One request at a time: a click while one runs is ignored.
    if (http_->Busy()) return;
    const QString path = NoticeFilePath();
    QDir().mkpath(QFileInfo(path).path());
    http_->SetInputFileMode(true);
    http_->SetBody(path);
    try {
        http_->Get(updateBase_ + QLatin1String(maker::kNoticePath));
    } catch (const HttpError&) {
        ShowNoInformation();
    }
}

void AboutBox::NMHTTP1Success(int command) {
    if (command != HttpClient::kGetCommand) return;
    QFile file{NoticeFilePath()};
    if (!file.open(QIODevice::ReadOnly)) {
        ShowNoInformation();
        return;
    }
    const QByteArray bytes = file.readAll();
    const bool read = file.error() == QFileDevice::NoError;
    file.close();
    if (!read) {
        ShowNoInformation();
        return;
    }
    const std::string text =
        NoticeUtf8(NoticeText(std::string_view(bytes.constData(), bytes.size())));
    ShowMessage(QMessageBox::Information, QStringLiteral("Information"),
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void AboutBox::ShowNoInformation() {
    ShowMessage(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("No information"));
}

void AboutBox::ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    if (messageBox_) {
        messageBox_(icon, caption, text);
        return;
    }
    // The notice comes from the network: it is shown as plain text, never
    // interpreted as markup. Qt breaks lines at line feeds.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (icon == QMessageBox::Information) {
        std::unique_ptr<QDialog> notice(MakeNoticeBox(this, shown));
        notice->exec();
        return;
    }
    QMessageBox box(icon, caption, shown, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace tess
