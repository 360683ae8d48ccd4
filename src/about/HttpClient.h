#pragma once
// A small HTTP client for the update notice: one GET at a time, waited for
// on the spot while the user-interface events keep flowing.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <stdexcept>

class QNetworkAccessManager;

namespace tess {

// A request that ended before a complete response: the host could not be
// found or reached, the transfer broke, the address was not accepted, no
// answer came in time, or the body was larger than the client keeps.
class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class HttpClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kGetCommand = 0;
    static constexpr int kDefaultTimeLimitMs = 30000;
    static constexpr qint64 kDefaultBodyLimit = 1024 * 1024;

    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // Port 0 means the scheme's default (80 for http); any other value
    // replaces the port of every requested address.
    void SetPort(int port) { m_port = port; }
    int Port() const { return m_port; }
    // True: the response body goes into the file named by Body (created or
    // replaced). False: it is kept in memory and read with ResponseBody().
    void SetInputFileMode(bool on) { m_inputFileMode = on; }
    bool InputFileMode() const { return m_inputFileMode; }
    void SetBody(const QString& fileName) { m_body = fileName; }
    const QString& Body() const { return m_body; }
    // The time a request may take from start to end before it is given up.
    void SetTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    int TimeLimit() const { return m_timeLimitMs; }
    // The largest body the client accepts; a larger one fails the request.
    void SetBodyLimit(qint64 bytes) { m_bodyLimit = bytes; }
    qint64 BodyLimit() const { return m_bodyLimit; }

    // Performs a GET and returns once it has ended, running a local event
    // loop meanwhile. A response of status below 300 fires OnSuccess(0) from
    // inside, after the body file is complete and closed. A response of 400
    // or above stores its body and returns quietly. Anything that ends
    // without a complete response throws HttpError; the body file is then
    // left as it was before the request. Returns at once, doing nothing,
    // when called while a request is already running, and also when the
    // application quits during the wait.
    void Get(const QString& url);

    bool Busy() const { return m_busy; }
    // From the latest request that got a response: its status code (0 when
    // none), its header lines as text and, outside file mode, its body.
    int StatusCode() const { return m_status; }
    const QByteArray& ResponseHeader() const { return m_header; }
    const QByteArray& ResponseBody() const { return m_responseBody; }

signals:
    void OnSuccess(int command);

private:
    struct Transfer;
    void Run(Transfer& transfer, const QString& url);

    QNetworkAccessManager* m_manager;
    int m_port = 0;
    bool m_inputFileMode = false;
    QString m_body = QStringLiteral("Default.htm");
    int m_timeLimitMs = kDefaultTimeLimitMs;
    qint64 m_bodyLimit = kDefaultBodyLimit;
    bool m_busy = false;
    int m_status = 0;
    QByteArray m_header;
    QByteArray m_responseBody;
};

}  // namespace tess
