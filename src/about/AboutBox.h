#pragma once
// The about box (TForm2): product name and version over an animated picture,
// a link to the maker's home page and a link that fetches the update notice.
// Created hidden at start-up and only shown and hidden afterwards.
#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/InputSink.h"

class QKeyEvent;
class QLabel;

namespace tess {

class AnimatedPicture;
class HttpClient;

class AboutBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 209;
    static constexpr int kClientHeight = 265;
    static constexpr int kLineHeight = 13;
    static constexpr int kPictureHeight = 148;
    static constexpr char kNoticeFile[] = "new_ver_info.txt";
    // Where the notice is kept: kNoticeFile in the program's own cache
    // folder ($XDG_CACHE_HOME/tessaline-0003, the local application data
    // on Windows), never in the folder the program was started from.
    static QString NoticeFilePath();

    // Shows a modal message box with the single button "OK".
    using MessageFn =
        std::function<void(QMessageBox::Icon icon, const QString& caption, const QString& text)>;

    AboutBox(InputSink& sink, QWidget* mainWindow, QWidget* parent = nullptr);
    ~AboutBox() override;

    // The "About..." command: shows the box, centred over the main window the
    // first time and where it was left afterwards, or brings it to the front
    // when it is already shown.
    void ShowAbout();

    // Where the update notice is fetched from: scheme, host and port, without
    // the path ("http://www.velmora.net" unless changed).
    void SetUpdateBase(const QString& base) { updateBase_ = base; }
    const QString& UpdateBase() const { return updateBase_; }
    // Replaces the message boxes (tests answer them without a screen).
    void SetMessageBox(MessageFn fn) { messageBox_ = std::move(fn); }

    AnimatedPicture& Picture() { return *picture_; }
    HttpClient& Http() { return *http_; }

    // Event handlers, under the names of the controls they serve.
    void RxGIFAnimator1MouseDown();
    void RxGIFAnimator1MouseUp();
    void RxGIFAnimator1FrameChanged();
    void Label6Click();
    void Label9Click();
    void NMHTTP1Success(int command);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowMessage(QMessageBox::Icon icon, const QString& caption, const QString& text);
    // The error box for an update notice that could not be fetched or read.
    void ShowNoInformation();
    void PlaceOverMainWindow();

    InputSink& sink_;
    QWidget* mainWindow_;
    AnimatedPicture* picture_ = nullptr;
    HttpClient* http_ = nullptr;
    QString updateBase_;
    MessageFn messageBox_;
    bool placed_ = false;
};

}  // namespace tess
