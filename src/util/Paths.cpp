#include "util/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString GetSpecialFolder(int FolderId, bool Create)
{
    const int id = FolderId & ~CSIDL_FLAG_CREATE;
    const bool create = Create || (FolderId & CSIDL_FLAG_CREATE) != 0;
    QString path;
    switch (id) {
    case CSIDL_APPDATA:
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        break;
    case CSIDL_PERSONAL:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    default:
        break;
    }
    // A system that names no such folder still leaves the member a place of their own,
    // never the root of the file system.
    if (path.isEmpty())
        path = QDir::homePath();
    path = QDir::toNativeSeparators(path);
    if (create)
        ForceDirectories(path);
    return path;
}

QString AddPathDelimiter(const QString& Path)
{
    const QChar sep = QDir::separator();
    if (Path.endsWith(sep) || Path.endsWith(QLatin1Char('/')))
        return Path;
    return Path + sep;
}

bool ForceDirectories(const QString& Dir)
{
    if (Dir.isEmpty())
        return false;
    if (QFileInfo(Dir).isDir())
        return true;
    return QDir().mkpath(Dir) && QFileInfo(Dir).isDir();
}
