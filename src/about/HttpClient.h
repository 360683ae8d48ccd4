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
    void SetPort(int port) { port_ = port; }
    int Port() const { return port_; }
    // True: the response body goes into the file named by Body (created or
    // replaced). False: it is kept in memory and read with ResponseBody().
    void SetInputFileMode(bool on) { inputFileMode_ = on; }
    bool InputFileMode() const { return inputFileMode_; }
    void SetBody(const QString& fileName) { body_ = fileName; }
    const QString& Body() const { return body_; }
    // The time a request may take from start to end before it is given up.
    void SetTimeLimit(int milliseconds) { timeLimitMs_ = milliseconds; }
    int TimeLimit() const { return timeLimitMs_; }
    // The largest body the client accepts; a larger one fails the request.
    void SetBodyLimit(qint64 bytes) { bodyLimit_ = bytes; }
    qint64 BodyLimit() const { return bodyLimit_; }

    // Performs a GET and returns once it has ended, running a local event
    // loop meanwhile. A complete response of status 2xx fires OnSuccess(0)
    // from inside, after the body file is complete and closed. Any other
    // status, and anything that ends without a complete response, throws
    // HttpError; the body file is then left as it was before the request
    // (StatusCode and ResponseHeader still tell what came). Returns at once, doing nothing,
    // when called while a request is already running, and also when the
    // application quits during the wait.
    void Get(const QString& url);

    bool Busy() const { return busy_; }
    // From the latest request that got a response: its status code (0 when
    // none), its header lines as text and, outside file mode, its body.
    int StatusCode() const { return status_; }
    const QByteArray& ResponseHeader() const { return header_; }
    const QByteArray& ResponseBody() const { return responseBody_; }

signals:
    void OnSuccess(int command);

private:
    struct Transfer;
    void Run(Transfer& transfer, const QString& url);

    QNetworkAccessManager* manager_;
    int port_ = 0;
    bool inputFileMode_ = false;
    QString body_ = QStringLiteral("Default.htm");
    int timeLimitMs_ = kDefaultTimeLimitMs;
    qint64 bodyLimit_ = kDefaultBodyLimit;
    bool busy_ = false;
    int status_ = 0;
    QByteArray header_;
    QByteArray responseBody_;
};

}  // namespace tess
