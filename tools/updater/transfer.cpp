// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer.h"

#include "transport_policy.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace updater {

namespace {

constexpr int kHttpOk = 200;

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

Transfer::Transfer(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent), network_(network)
{
    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
        abortWith(TransferResult::Status::TimedOut, tr("The server did not answer in time."));
    });
}

Transfer::~Transfer()
{
    cancel();
}

void Transfer::start(const QUrl &url, QIODevice *sink, const TransferLimits &limits)
{
    cancel();
    sink_ = sink;
    limits_ = limits;
    received_ = 0;
    redirectsLeft_ = limits.maxRedirects;

    const FetchAddress address = checkFetchAddress(url);
    if (address.url.isEmpty()) {
        finishLater({TransferResult::Status::Refused, address.error});
        return;
    }
    request(address.url);
}

void Transfer::cancel()
{
    ++generation_;
    idleTimer_.stop();
    if (reply_.isNull())
        return;
    QNetworkReply *reply = releaseReply();
    reply->abort();
}

// Redirects are followed here rather than by the network layer, so that every
// hop is checked against the transport policy before anything is sent to it.
void Transfer::request(const QUrl &url)
{
    currentUrl_ = url;
    abortReason_ = {};
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &Transfer::onMetaDataChanged);
    connect(reply_, &QNetworkReply::readyRead, this, &Transfer::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &Transfer::onReplyFinished);
    idleTimer_.start(limits_.idleTimeoutMs);
}

void Transfer::onMetaDataChanged()
{
    idleTimer_.start();
    const QVariant declared = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (httpStatus() == kHttpOk && declared.isValid() && declared.toLongLong() > limits_.maxBytes)
        abortWith(TransferResult::Status::TooLarge,
                  tr("The server announced %1 bytes, more than the expected %2.")
                      .arg(declared.toLongLong())
                      .arg(limits_.maxBytes));
}

void Transfer::onReadyRead()
{
    idleTimer_.start();
    const QByteArray chunk = reply_->readAll();
    // Only the body of a 200 answer is the document asked for.
    if (httpStatus() != kHttpOk || abortReason_.status != TransferResult::Status::Ok)
        return;
    if (received_ + chunk.size() > limits_.maxBytes) {
        abortWith(TransferResult::Status::TooLarge,
                  tr("The server sent more than the expected %1 bytes.").arg(limits_.maxBytes));
        return;
    }
    if (sink_->write(chunk) != chunk.size()) {
        abortWith(TransferResult::Status::WriteError,
                  tr("The download could not be stored: %1").arg(sink_->errorString()));
        return;
    }
    received_ += chunk.size();
    emit progress(received_);
}

void Transfer::onReplyFinished()
{
    if (reply_.isNull())
        return;
    idleTimer_.stop();
    if (abortReason_.status == TransferResult::Status::Ok)
        onReadyRead(); // whatever is still buffered
    if (abortReason_.status != TransferResult::Status::Ok) {
        releaseReply();
        emit finished(abortReason_);
        return;
    }
    const QUrl location = reply_->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (isRedirectStatus(httpStatus()) && !location.isEmpty()) {
        releaseReply();
        followRedirect(location);
        return;
    }
    const TransferResult result = replyOutcome();
    releaseReply();
    emit finished(result);
}

void Transfer::followRedirect(const QUrl &location)
{
    if (redirectsLeft_-- <= 0) {
        emit finished(
            {TransferResult::Status::Refused, tr("The server redirected too many times.")});
        return;
    }
    const QUrl next = currentUrl_.resolved(location);
    const QString refusal = checkRedirect(currentUrl_, next);
    if (!refusal.isEmpty()) {
        emit finished({TransferResult::Status::Refused, refusal});
        return;
    }
    request(next);
}

void Transfer::abortWith(TransferResult::Status status, const QString &message)
{
    if (reply_.isNull() || abortReason_.status != TransferResult::Status::Ok)
        return;
    abortReason_ = {status, message};
    if (reply_->isRunning())
        reply_->abort(); // finishes the reply, which then reports abortReason_
}

void Transfer::finishLater(const TransferResult &result)
{
    const quint64 generation = generation_;
    QMetaObject::invokeMethod(
        this,
        [this, generation, result] {
            if (generation == generation_)
                emit finished(result);
        },
        Qt::QueuedConnection);
}

QNetworkReply *Transfer::releaseReply()
{
    QNetworkReply *reply = reply_;
    reply_.clear();
    reply->disconnect(this);
    reply->deleteLater();
    return reply;
}

TransferResult Transfer::replyOutcome() const
{
    const int status = httpStatus();
    if (status != 0 && status != kHttpOk) {
        const QString reason =
            reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        return {TransferResult::Status::HttpError,
                tr("The server answered %1 %2.").arg(status).arg(reason).trimmed()};
    }
    switch (reply_->error()) {
    case QNetworkReply::NoError:
        if (status == kHttpOk)
            return {};
        return {TransferResult::Status::NetworkError,
                tr("The server closed the connection without an answer.")};
    case QNetworkReply::SslHandshakeFailedError:
        return {TransferResult::Status::NetworkError,
                tr("The secure connection failed: %1").arg(reply_->errorString())};
    default:
        return {TransferResult::Status::NetworkError,
                tr("The update server could not be reached: %1").arg(reply_->errorString())};
    }
}

int Transfer::httpStatus() const
{
    return reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace updater
