#include "download/HttpClient.h"

#include "util/Errors.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QSaveFile>

namespace {
const char* const kAskedHost = "velmiraAskedHost";
const char* const kAnswered = "velmiraAnswered";

QString originOf(const QUrl& url)
{
    return url.scheme().toLower() + QLatin1String("://") + url.host().toLower() + QLatin1Char(':') +
           QString::number(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}
} // namespace

THttpClient::THttpClient(QObject* parent) : QObject(parent), FManager(new QNetworkAccessManager(this))
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    connect(FManager, &QNetworkAccessManager::authenticationRequired, this, &THttpClient::Authenticate);
}

THttpClient::~THttpClient()
{
    Disconnect();
}

void THttpClient::SetCredentials(const QString& user, const QString& password)
{
    FUser = user;
    FPassword = password;
    FManager->clearAccessCache();
}

void THttpClient::ClearCredentials()
{
    FUser.clear();
    FPassword.clear();
    // Forget what was answered before, so no later request carries the old credentials.
    FManager->clearAccessCache();
    FManager->clearConnectionCache();
}

void THttpClient::Disconnect()
{
    if (FReply)
        FReply->abort();
}

void THttpClient::Authenticate(QNetworkReply* reply, QAuthenticator* authenticator)
{
    // Only the host that was asked for, and only once per request: a second challenge means the
    // credentials were refused, and the request then fails.
    if (originOf(reply->url()) != reply->property(kAskedHost).toString() ||
        reply->property(kAnswered).toBool() || FUser.isEmpty())
        return;
    reply->setProperty(kAnswered, true);
    authenticator->setUser(FUser);
    authenticator->setPassword(FPassword);
}

bool THttpClient::Get(const QString& url, QByteArray& headerText, QByteArray& body)
{
    headerText.clear();
    body.clear();
    QBuffer buffer(&body);
    buffer.open(QIODevice::WriteOnly);
    QByteArray header;
    const bool ok = Run(url, &buffer, &header, false, nullptr);
    buffer.close();
    if (!ok) {
        body.clear();
        return false;
    }
    headerText = header;
    return true;
}

bool THttpClient::DownloadFile(const QString& url, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw TVelmiraError(file.errorString());
    QString writeError;
    const bool ok = Run(url, &file, nullptr, true, &writeError);
    if (!writeError.isEmpty()) {
        file.cancelWriting();
        throw TVelmiraError(writeError);
    }
    if (!ok) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        throw TVelmiraError(file.errorString());
    return true;
}

bool THttpClient::Run(const QString& url, QIODevice* sink, QByteArray* headerText, bool userInput,
                      QString* writeError)
{
    const QUrl address(url, QUrl::StrictMode);
    if (FReply || !address.isValid() || address.host().isEmpty() ||
        (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https")))
        return false;

    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QNetworkReply* reply = FManager->get(request);
    FReply = reply;
    reply->setProperty(kAskedHost, originOf(address));
    reply->setReadBufferSize(ReadBufferSize);

    bool failedWrite = false;
    const auto drain = [&] {
        while (reply->bytesAvailable() > 0 && !failedWrite) {
            const QByteArray chunk = reply->read(ReadBufferSize);
            if (sink->write(chunk) != chunk.size()) {
                failedWrite = true;
                if (writeError)
                    *writeError = sink->errorString();
                reply->abort();
            }
        }
    };
    QEventLoop loop;
    connect(reply, &QNetworkReply::readyRead, &loop, drain);
    connect(reply, &QNetworkReply::downloadProgress, &loop, [this](qint64 received, qint64 total) {
        if (OnProgress)
            OnProgress(received, total);
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    drain();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = !failedWrite && reply->error() == QNetworkReply::NoError && status > 0 && status < 300;
    if (ok && headerText) {
        QByteArray text = "HTTP/1.1 " + QByteArray::number(status) + ' ' +
                          reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray() + "\r\n";
        for (const auto& [name, value] : reply->rawHeaderPairs())
            text += name + ": " + value + "\r\n";
        *headerText = text;
    }
    FReply = nullptr;
    reply->deleteLater();
    return ok;
}
