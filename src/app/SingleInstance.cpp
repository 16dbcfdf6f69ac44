#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {
const QString kName = QStringLiteral("VelmiraMutex");

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}
} // namespace

TSingleInstance::TSingleInstance(QObject* parent) : QObject(parent) {}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::LockPath()
{
    return runtimeFolder() + QLatin1Char('/') + kName + QStringLiteral(".lock");
}

QString TSingleInstance::ServerName()
{
#ifdef Q_OS_WIN
    return kName;
#else
    return runtimeFolder() + QLatin1Char('/') + kName;
#endif
}

bool TSingleInstance::Acquire()
{
    FLock = std::make_unique<QLockFile>(LockPath());
    FLock->setStaleLockTime(0); // a lock left by a crashed run is recognised by its dead process
    if (!FLock->tryLock(0)) {
        QLocalSocket socket;
        socket.connectToServer(ServerName());
        if (socket.waitForConnected(1000)) {
            socket.write("activate\n");
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
        }
        FLock.reset();
        return false;
    }
    QLocalServer::removeServer(ServerName());
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = FServer->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith("activate"))
                    emit activationRequested();
            });
        }
    });
    FServer->listen(ServerName());
    return true;
}
