// Measures what the member's machine pays: the memory of the program before the first Connect
// and with a provider's login page open (the web engine's own process included), and the time
// and memory of one large transfer. Run through bench/run.sh, which starts the demo service.
#include "app/VelmiraApplication.h"
#include "app/uniVelmira.h"
#include "download/HttpClient.h"
#include "login/Endpoints.h"
#include "login/uniBrowser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWebEngineView>
#include <cstdio>

namespace {
// Resident set of a process and, with children, of every process it started, in KiB.
qint64 residentKiB(qint64 pid, const char* field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return 0;
}

qint64 withChildren(qint64 pid)
{
    qint64 total = residentKiB(pid);
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 child = entry.toLongLong(&ok);
        if (!ok || child == pid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid)
            total += withChildren(child);
    }
    return total;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TVelmiraApplication app(argc, argv);
    ApplyVelmiraLook(app);
    QTemporaryDir dir;
    const qint64 self = QCoreApplication::applicationPid();

    TfrmVelmira window(
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("v.ini")), QSettings::IniFormat));
    window.gSettings.gProvider = 0;
    window.gSettings.gCourse = 0;
    window.gSettings.gUserName = QStringLiteral("bg_demo");
    window.gSettings.gPass = QStringLiteral("velmira");
    window.gCatalogue.InitProviderTables();
    window.gCatalogue.SelectProviderCourse(0, 0);
    window.show();
    QTest::qWait(1500);
    const qint64 before = withChildren(self);
    window.btnConnect->click();
    QElapsedTimer shown;
    shown.start();
    while (window.fraBrowser1->lblSetsumei->text() !=
               QStringLiteral("ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。") &&
           shown.elapsed() < 30000)
        QTest::qWait(20);
    const qint64 loginMs = shown.elapsed();
    QTest::qWait(1500);
    const qint64 withLogin = withChildren(self);
    window.btnAbortClick();
    std::printf("memory before the first Connect:   %6lld KiB\n", static_cast<long long>(before));
    std::printf("memory with the login page open:   %6lld KiB (web engine processes included)\n",
                static_cast<long long>(withLogin));
    std::printf("Connect to a filled login form:    %6lld ms\n", static_cast<long long>(loginMs));

    // One large file through the download client.
    THttpClient client;
    QFile accounts(QStringLiteral(VELMIRA_SOURCE_DIR "/tools/servicesim/accounts.ini"));
    QSettings plain(accounts.fileName(), QSettings::IniFormat);
    const QStringList account =
        plain.value(QStringLiteral("download/shared.a")).toString().split(QLatin1Char(' '));
    client.SetCredentials(account.value(0), account.value(1));
    const QString base = ResolveAddress(QStringLiteral("https://www.rinvale.example/"));
    const QString host = base.section(QLatin1Char('/'), 0, 2); // scheme and host of the demo service
    const QString url = host + QStringLiteral("/data/rv3/course_a/ketto/rv3_fket5.lzh");
    const qint64 rssBefore = residentKiB(self);
    QElapsedTimer timer;
    timer.start();
    const bool ok = client.DownloadFile(url, dir.filePath(QStringLiteral("rv3_fket5.lzh")));
    const qint64 ms = timer.elapsed();
    const qint64 size = QFileInfo(dir.filePath(QStringLiteral("rv3_fket5.lzh"))).size();
    std::printf(
        "transfer of %lld bytes: %s in %lld ms (%.1f MiB/s), peak resident %lld KiB (before %lld KiB)\n",
        static_cast<long long>(size), ok ? "done" : "FAILED", static_cast<long long>(ms),
        ms > 0 ? double(size) / 1048576.0 / (double(ms) / 1000.0) : 0.0,
        static_cast<long long>(residentKiB(self, "VmHWM:")), static_cast<long long>(rssBefore));
    return ok ? 0 : 1;
}
