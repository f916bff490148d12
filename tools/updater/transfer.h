// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

namespace updater {

struct TransferLimits
{
    qint64 maxBytes = 0;       // the body is aborted as soon as it grows past this
    int idleTimeoutMs = 30000; // aborted when nothing arrives for this long
    int maxRedirects = 3;
};

struct TransferResult
{
    enum class Status
    {
        Ok,
        Refused, // the address or a redirect target breaks the transport policy
        TimedOut,
        TooLarge,
        HttpError, // the server answered with something other than 200
        NetworkError,
        WriteError,
    };
    Status status = Status::Ok;
    QString message; // plain words for the user; empty when Ok
};

// One GET whose body is written to a sink, guarded by the transport policy,
// a size cap, an idle time-out and a redirect limit.
class Transfer : public QObject
{
    Q_OBJECT

public:
    explicit Transfer(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~Transfer() override;

    // Emits finished() exactly once, later, unless cancel() comes first.
    void start(const QUrl &url, QIODevice *sink, const TransferLimits &limits);
    // Stops the transfer; finished() is not emitted.
    void cancel();

signals:
    void progress(qint64 bytesReceived);
    void finished(const TransferResult &result);

private:
    void request(const QUrl &url);
    void onMetaDataChanged();
    void onReadyRead();
    void onReplyFinished();
    void followRedirect(const QUrl &location);
    void abortWith(TransferResult::Status status, const QString &message);
    void finishLater(const TransferResult &result);
    QNetworkReply *releaseReply();
    TransferResult replyOutcome() const;
    int httpStatus() const;

    QNetworkAccessManager *network_;
    QPointer<QNetworkReply> reply_;
    QUrl currentUrl_; // the address being fetched, followed through redirects
    QIODevice *sink_ = nullptr;
    TransferLimits limits_;
    qint64 received_ = 0;
    int redirectsLeft_ = 0;
    QTimer idleTimer_;
    TransferResult abortReason_;
    quint64 generation_ = 0; // invalidates a pending refusal when cancelled or restarted
};

} // namespace updater
