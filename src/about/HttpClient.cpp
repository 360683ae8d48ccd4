#include "about/HttpClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace tess {

namespace {

// Errors that mean no complete answer came from the server, as opposed to
// those Qt derives from an answer's status code (404, 500 and the like).
bool IsTransportError(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 1 && code < 200) || error == QNetworkReply::ProtocolUnknownError ||
           error == QNetworkReply::ProtocolFailure;
}

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const {
        reply->disconnect();
        if (!reply->isFinished()) reply->abort();
        reply->deleteLater();
    }
};

}  // namespace

// What one request gathers while it runs.
struct HttpClient::Transfer {
    std::unique_ptr<QSaveFile> file;
    QByteArray memory;
    qint64 received = 0;
    bool timedOut = false;
    bool tooLarge = false;
    bool writeFailed = false;
};

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)) {
    manager_->setProxy(QNetworkProxy::NoProxy);
}

HttpClient::~HttpClient() = default;

void HttpClient::Get(const QString& url) {
    if (busy_) return;
    busy_ = true;
    struct BusyGuard {
        bool& busy;
        ~BusyGuard() { busy = false; }
    } guard{busy_};

    status_ = 0;
    header_.clear();
    responseBody_.clear();
    Transfer transfer;
    Run(transfer, url);
}

void HttpClient::Run(Transfer& transfer, const QString& url) {
    QUrl target(url, QUrl::StrictMode);
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        throw HttpError("address not accepted: " + url.toStdString());
    if (port_ != 0) target.setPort(port_);

    if (inputFileMode_) {
        // The body goes to a temporary file beside the target, which takes
        // the target's place only once the whole body has arrived.
        transfer.file = std::make_unique<QSaveFile>(body_);
        if (!transfer.file->open(QIODevice::WriteOnly))
            throw HttpError("cannot write " + body_.toStdString());
    }

    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);

    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(manager_->get(request));
    QNetworkReply* r = reply.get();
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);

    connect(r, &QNetworkReply::metaDataChanged, &loop, [&] {
        // A declared length over the limit is refused before any of it comes.
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > bodyLimit_) {
            transfer.tooLarge = true;
            r->abort();
        }
    });
    connect(r, &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = r->readAll();
        transfer.received += chunk.size();
        if (transfer.received > bodyLimit_) {
            transfer.tooLarge = true;
            r->abort();
            return;
        }
        if (transfer.file) {
            if (transfer.file->write(chunk) != chunk.size()) {
                transfer.writeFailed = true;
                r->abort();
            }
        } else {
            transfer.memory += chunk;
        }
    });
    connect(&limit, &QTimer::timeout, &loop, [&] {
        transfer.timedOut = true;
        r->abort();
    });
    connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    if (timeLimitMs_ > 0) limit.start(timeLimitMs_);
    if (!r->isFinished()) loop.exec();
    limit.stop();

    // The loop also ends when the application quits; the request is then
    // dropped without a word.
    if (!r->isFinished()) return;

    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    status_ = status.isValid() ? status.toInt() : 0;
    for (const auto& pair : r->rawHeaderPairs())
        header_ += pair.first + ": " + pair.second + "\r\n";

    if (transfer.timedOut) throw HttpError("no answer in time");
    if (transfer.tooLarge) throw HttpError("answer too large");
    if (transfer.writeFailed) throw HttpError("cannot write " + body_.toStdString());
    const QNetworkReply::NetworkError error = r->error();
    const bool answered = status_ > 0 && (error == QNetworkReply::NoError ||
                                           (status_ >= 400 && !IsTransportError(error)));
    if (!answered) throw HttpError("request failed: " + r->errorString().toStdString());
    // Only a complete 2xx answer is the document asked for: an error page
    // (404, 500) or a redirect left unfollowed replaces nothing.
    if (status_ < 200 || status_ >= 300)
        throw HttpError("the server answered " + std::to_string(status_));
    // Qt reads a chunk size it cannot parse as 0, the last chunk: a chunked
    // answer without a single byte is such a garbled one, not a notice.
    if (transfer.received == 0 && r->rawHeader("Transfer-Encoding").toLower().contains("chunked"))
        throw HttpError("the answer's chunks could not be read");
    reply.reset();

    if (transfer.file) {
        if (!transfer.file->commit())
            throw HttpError("cannot write " + body_.toStdString());
    } else {
        responseBody_ = transfer.memory;
    }
    emit OnSuccess(kGetCommand);
}

}  // namespace tess
