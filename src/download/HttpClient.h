#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QIODevice;
class QNetworkAccessManager;

class QAuthenticator;

// The program's HTTP client: GET with HTTP basic authentication, synchronous to its caller
// through a local event loop (the window keeps working), streamed to disk, with a progress report
// and a disconnect. A network error, an abort or a final status of 300 or more is a failure.
// The user name and password are given only to the host of the address asked for, never to
// another host a redirect leads to. The system's proxy settings are honoured.
class THttpClient : public QObject
{
    Q_OBJECT
public:
    explicit THttpClient(QObject* parent = nullptr);
    ~THttpClient() override;

    void SetCredentials(const QString& user, const QString& password);
    void ClearCredentials();
    QString UserName() const { return FUser; }

    // Received bytes and the length the server announced (-1 when it announced none).
    std::function<void(qint64 received, qint64 announced)> OnProgress;

    // GET into memory: the raw response header text (status line and header lines) and the body.
    // Keyboard and mouse input wait until it returns.
    bool Get(const QString& url, QByteArray& headerText, QByteArray& body);

    // GET into the file at path. The file is received aside and takes its name only when complete,
    // so a failed transfer leaves an earlier file of that name as it was. A file that cannot be
    // written raises TVelmiraError.
    bool DownloadFile(const QString& url, const QString& path);

    // Closes the transfer in progress, which then fails.
    void Disconnect();
    bool IsBusy() const { return FReply != nullptr; }

    static constexpr qint64 ReadBufferSize = 256 * 1024;

private:
    bool Run(const QString& url, QIODevice* sink, QByteArray* headerText, bool userInput,
             QString* writeError);
    void Authenticate(QNetworkReply* reply, QAuthenticator* authenticator);

    QNetworkAccessManager* FManager = nullptr;
    QPointer<QNetworkReply> FReply;
    QString FUser;
    QString FPassword;
};
