#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "AboutTestSupport.h"
#include "about/AboutBox.h"
#include "about/HttpClient.h"

namespace tess {
namespace {

using test::ReadFile;
using test::TestHttpServer;
using test::WriteFile;

struct Shown {
    QMessageBox::Icon icon;
    QString caption, text;
};

class UpdateNoticeTest : public ::testing::Test {
protected:
    UpdateNoticeTest() : box(sink, nullptr) {
        // The notice goes to the cache folder, here the test's own.
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        kNotice = AboutBox::NoticeFilePath();
        QDir().mkpath(QFileInfo(kNotice).path());
        QFile::remove(kNotice);
        box.SetUpdateBase(server.Base());
        box.SetMessageBox([this](QMessageBox::Icon icon, const QString& caption,
                                 const QString& text) { shown.push_back({icon, caption, text}); });
    }
    ~UpdateNoticeTest() override { QFile::remove(kNotice); }

    void ExpectOnly(QMessageBox::Icon icon, const QString& caption, const QString& text) {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].icon, icon);
        EXPECT_EQ(shown[0].caption, caption);
        EXPECT_EQ(shown[0].text, text);
    }
    void ExpectNoInformation() {
        ExpectOnly(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("No information"));
    }

    QTemporaryDir cache;
    QString kNotice;
    TestHttpServer server;
    test::ShellRecorder sink;
    AboutBox box;
    std::vector<Shown> shown;
};

TEST_F(UpdateNoticeTest, NoticeIsFetchedStoredAndShownLineByLine) {
    server.Answer(200, "Version 0004 is out.\r\nSee the home page.\r\n");
    box.Label9Click();
    EXPECT_TRUE(server.lastRequest.startsWith("GET /tessaline/new_ver_info.txt HTTP/1.1\r\n"));
    EXPECT_EQ(ReadFile(kNotice), QByteArray("Version 0004 is out.\r\nSee the home page.\r\n"));
    ExpectOnly(QMessageBox::Information, QStringLiteral("Information"),
               QStringLiteral("\rVersion 0004 is out.\rSee the home page."));
    EXPECT_FALSE(box.Http().Busy());
}

TEST_F(UpdateNoticeTest, EdgeCaseBodiesReadBackByTheLineRules) {
    struct Case {
        QByteArray body;
        QString text;
    };
    const Case cases[] = {
        {"one\r\ntwo", QStringLiteral("\rone\rtwo")},
        {"one\ntwo\n", QStringLiteral("\rone\ntwo\n")},
        {"", QString()},
        {"one\r\n\x1atail", QStringLiteral("\rone")},
    };
    for (const Case& c : cases) {
        shown.clear();
        server.Answer(200, c.body, /*closeDelimited=*/c.body.isEmpty());
        box.Label9Click();
        EXPECT_EQ(ReadFile(kNotice), c.body);
        ExpectOnly(QMessageBox::Information, QStringLiteral("Information"), c.text);
    }
}

// Only a complete 2xx answer replaces the stored notice; every other answer
// shows "No information" and leaves the file as it was. The notice lives in
// the cache folder: a file of that name where the program started is not
// touched.
TEST_F(UpdateNoticeTest, OnlyACompleteSuccessReplacesTheNotice) {
    const QString userFile = QDir::current().filePath(QLatin1String(AboutBox::kNoticeFile));
    ASSERT_TRUE(WriteFile(userFile, "the user's own file"));
    struct Case {
        const char* name;
        QByteArray raw;
    };
    const Case cases[] = {
        {"404 page", "HTTP/1.1 404 Not Found\r\nContent-Length: 21\r\nConnection: close\r\n\r\n"
                     "<html>Not here</html>"},
        {"500", "HTTP/1.1 500 Oops\r\nContent-Length: 6\r\nConnection: close\r\n\r\nbroken"},
        {"garbled chunks", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                           "zz\r\nnews\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown.clear();
        ASSERT_TRUE(WriteFile(kNotice, "old notice"));
        server.AnswerRaw(c.raw);
        box.Label9Click();
        ExpectNoInformation();
        EXPECT_EQ(ReadFile(kNotice), QByteArray("old notice"));
    }
    EXPECT_EQ(ReadFile(userFile), QByteArray("the user's own file"));
    QFile::remove(userFile);
}

TEST_F(UpdateNoticeTest, DroppedConnectionShowsNoInformationAndKeepsTheOldFile) {
    ASSERT_TRUE(WriteFile(kNotice, "old notice"));
    server.SetMode(TestHttpServer::Mode::Drop);
    box.Label9Click();
    EXPECT_GE(server.requests, 1);  // Qt may try a dropped request once more
    ExpectNoInformation();
    EXPECT_EQ(ReadFile(kNotice), QByteArray("old notice"));
}

TEST_F(UpdateNoticeTest, TransferBrokenAfterTheStatusLineIsAFailure) {
    ASSERT_TRUE(WriteFile(kNotice, "old notice"));
    // The answer promises more than it sends before the connection closes.
    server.AnswerRaw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nshort");
    box.Label9Click();
    ExpectNoInformation();
    EXPECT_EQ(ReadFile(kNotice), QByteArray("old notice"));
}

TEST_F(UpdateNoticeTest, NoServerAtAllShowsNoInformation) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    box.SetUpdateBase(QStringLiteral("http://127.0.0.1:%1").arg(port));
    box.Label9Click();
    ExpectNoInformation();
    EXPECT_FALSE(QFile::exists(kNotice));
}

TEST_F(UpdateNoticeTest, BodyOverOneMebibyteIsNotStored) {
    const QByteArray big(1024 * 1024 + 1, 'x');
    for (bool closeDelimited : {false, true}) {
        shown.clear();
        ASSERT_TRUE(WriteFile(kNotice, "old notice"));
        server.Answer(200, big, closeDelimited);
        box.Label9Click();
        ExpectNoInformation();
        EXPECT_EQ(ReadFile(kNotice), QByteArray("old notice")) << closeDelimited;
    }
    // Exactly the limit is still accepted.
    shown.clear();
    server.Answer(200, QByteArray(1024 * 1024, 'y'), true);
    box.Label9Click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(ReadFile(kNotice).size(), 1024 * 1024);
}

TEST_F(UpdateNoticeTest, SilentServerTimesOutAndASecondClickMeanwhileIsIgnored) {
    server.SetMode(TestHttpServer::Mode::Silent);
    box.Http().SetTimeLimit(200);
    bool busyDuringRequest = false;
    QTimer::singleShot(50, &box, [&] {
        busyDuringRequest = box.Http().Busy();
        box.Label9Click();  // returns at once
    });
    box.Label9Click();
    EXPECT_TRUE(busyDuringRequest);
    EXPECT_EQ(server.requests, 1);
    ExpectNoInformation();
    EXPECT_FALSE(QFile::exists(kNotice));
}

TEST_F(UpdateNoticeTest, SuccessOnlyForTheGetCommandAndOnlyWithAReadableFile) {
    ASSERT_TRUE(WriteFile(kNotice, "line"));
    box.NMHTTP1Success(1);
    box.NMHTTP1Success(-1);
    EXPECT_TRUE(shown.empty());
    box.NMHTTP1Success(0);
    ExpectOnly(QMessageBox::Information, QStringLiteral("Information"), QStringLiteral("\rline"));

    shown.clear();
    QFile::remove(kNotice);
    box.NMHTTP1Success(0);
    ExpectNoInformation();
}

TEST_F(UpdateNoticeTest, AddressesTheClientCannotUseAreFailures) {
    HttpClient client;
    for (const char* url : {"", "not a url", "ftp://127.0.0.1/x", "http:///nohost"})
        EXPECT_THROW(client.Get(QString::fromLatin1(url)), HttpError) << url;
    EXPECT_FALSE(client.Busy());
}

TEST_F(UpdateNoticeTest, MemoryModeKeepsTheBodyAndPortOverridesTheAddress) {
    server.Answer(200, "in memory");
    HttpClient client;
    int successes = 0;
    QObject::connect(&client, &HttpClient::OnSuccess, [&](int command) {
        EXPECT_EQ(command, HttpClient::kGetCommand);
        ++successes;
    });
    client.SetPort(server.Base().section(':', -1).toInt());
    client.Get(QStringLiteral("http://127.0.0.1:1/any"));
    EXPECT_EQ(successes, 1);
    EXPECT_EQ(client.ResponseBody(), QByteArray("in memory"));
    EXPECT_TRUE(client.ResponseHeader().contains("Content-Type: text/plain\r\n"));
    EXPECT_FALSE(QFile::exists(QStringLiteral("Default.htm")));
}

// The real box: its caption whole, one OK button, the text as plain text,
// and never taller than the screen, however long the notice.
TEST_F(UpdateNoticeTest, RealInformationBoxFitsTheScreenAndIsAnsweredWithOk) {
    box.SetMessageBox(nullptr);
    const QByteArray manyLines = QByteArray("line\r\n").repeated(HttpClient::kDefaultBodyLimit / 6);
    const QByteArray oneLine(HttpClient::kDefaultBodyLimit, 'x');
    const std::pair<QByteArray, QString> cases[] = {
        {"a\r\n<b>b</b>", "\na\n<b>b</b>"},
        {manyLines, QString()},
        {oneLine, QString()},
    };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& [body, expected] : cases) {
        server.Answer(200, body);
        QString title, text;
        int buttons = 0;
        QRect frame;
        // The box opens once the answer has arrived; look for it until then.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            answer.stop();
            title = dialog->windowTitle();
            if (auto* view = dialog->findChild<QListView*>()) {
                QStringList rows;
                for (int r = 0; r < view->model()->rowCount(); ++r)
                    rows.append(view->model()->index(r, 0).data().toString());
                text = rows.join(QLatin1Char('\n'));
            }
            const auto pushButtons = dialog->findChildren<QPushButton*>();
            buttons = static_cast<int>(pushButtons.size());
            frame = dialog->frameGeometry();
            EXPECT_GE(dialog->width(),
                      dialog->fontMetrics().horizontalAdvance(QStringLiteral("Information")) + 100);
            if (!pushButtons.isEmpty()) pushButtons.front()->click();
        });
        answer.start(10);
        box.Label9Click();
        EXPECT_EQ(title, QStringLiteral("Information"));
        if (!expected.isNull()) EXPECT_EQ(text, expected);
        EXPECT_GE(text.size(), body.size() * 5 / 6);
        EXPECT_EQ(buttons, 1);
        EXPECT_LE(frame.height(), screen.height()) << body.size();
    }
}

}  // namespace
}  // namespace tess
