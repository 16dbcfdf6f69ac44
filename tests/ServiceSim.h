#pragma once

// Starts the local demo service for a test and points the program's endpoints at it.

#include "login/Endpoints.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TServiceSim
{
public:
    // today: the day the service dates its files from ("yyyy-MM-dd"), empty for today
    explicit TServiceSim(const QString& today = QString())
    {
        const QString endpoints = FDir.filePath(QStringLiteral("endpoints"));
        QStringList args{QStringLiteral(VELMIRA_SOURCE_DIR "/tools/servicesim/servicesim.py"),
                         QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--endpoints-file"),
                         endpoints};
        if (!today.isEmpty())
            args << QStringLiteral("--today") << today;
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.setReadChannel(QProcess::StandardOutput);
        FProcess.setStandardErrorFile(FDir.filePath(QStringLiteral("service.log")));
        FProcess.start(QStringLiteral("python3"), args);
        if (!FProcess.waitForStarted(10000))
            return;
        QElapsedTimer timer;
        timer.start();
        QByteArray line;
        while (timer.elapsed() < 15000 && !line.contains('\n')) {
            FProcess.waitForReadyRead(200);
            line += FProcess.readAllStandardOutput();
        }
        if (!line.startsWith("READY "))
            return;
        FPort = line.mid(6).trimmed().toInt();
        qputenv("VELMIRA_ENDPOINTS", endpoints.toLocal8Bit());
        ReloadEndpointOverrides();
    }
    ~TServiceSim()
    {
        qunsetenv("VELMIRA_ENDPOINTS");
        ReloadEndpointOverrides();
        FProcess.terminate();
        if (!FProcess.waitForFinished(5000))
            FProcess.kill();
    }

    bool IsRunning() const { return FPort > 0; }
    int Port() const { return FPort; }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(FPort); }

    // Replaces the service's fault switches.
    bool SetFaults(const QJsonObject& faults) { return Post(QStringLiteral("/_control/faults"), faults); }
    bool Reset() { return Post(QStringLiteral("/_control/reset"), {}); }
    // The requests the service has seen.
    QJsonArray Log()
    {
        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(Base() + QStringLiteral("/_control/log"))));
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(5000);
        const QJsonArray log = QJsonDocument::fromJson(reply->readAll()).array();
        reply->deleteLater();
        return log;
    }

private:
    bool Post(const QString& path, const QJsonObject& body)
    {
        QNetworkAccessManager manager;
        QNetworkRequest request{QUrl(Base() + path)};
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        QNetworkReply* reply = manager.post(request, QJsonDocument(body).toJson());
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(5000);
        const bool ok = reply->error() == QNetworkReply::NoError;
        reply->deleteLater();
        return ok;
    }

    QTemporaryDir FDir;
    QProcess FProcess;
    int FPort = 0;
};
