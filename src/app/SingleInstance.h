#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// One running program per member: the first start holds the lock "VelmiraMutex" and listens for
// later starts, which only ask it to bring its window to the front and then end.
class TSingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this process is the first one; otherwise the running one has been asked to come
    // to the front and this process should end with exit code 0.
    bool Acquire();

    // Where the lock and the local socket live: the member's runtime folder.
    static QString LockPath();
    static QString ServerName();

signals:
    void activationRequested();

private:
    std::unique_ptr<QLockFile> FLock;
    QLocalServer* FServer = nullptr;
};
