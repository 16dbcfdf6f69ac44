#pragma once

// What the window tests share: answering modal windows, a settings store of their own.

#include "app/uniVelmira.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Answers the modal windows that come up while a test runs, and notes what they were.
class ModalAnswerer : public QObject
{
public:
    struct Seen
    {
        QString className;
        QString title;
        QString text;
        QString informative;
        QPoint position;
    };
    QList<Seen> seen;
    bool acceptDialogs = false;

    ModalAnswerer()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last)
                return;
            last = modal;
            Seen s{QString::fromLatin1(modal->metaObject()->className()),
                   modal->windowTitle(),
                   {},
                   {},
                   modal->pos()};
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                s.text = box->text();
                s.informative = box->informativeText();
            }
            seen.append(s);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                acceptDialogs ? dialog->accept() : dialog->reject();
            else
                modal->close();
        });
        timer.start(30);
    }

private:
    QTimer timer;
    QPointer<QWidget> last;
};

struct Fixture
{
    QTemporaryDir dir;
    QString storePath() const { return dir.filePath(QStringLiteral("Velmira.ini")); }
    std::unique_ptr<QSettings> store() const
    {
        return std::make_unique<QSettings>(storePath(), QSettings::IniFormat);
    }
    void preset(const QString& key, const QString& value) const
    {
        QSettings s(storePath(), QSettings::IniFormat);
        s.setValue(key, value);
    }
};

// The main window of a member of provider and course, with data folders of its own, shown.
struct MemberWindow
{
    Fixture fixture;
    QTemporaryDir data;
    std::unique_ptr<TfrmVelmira> window;

    MemberWindow(int provider, int course, const QString& user = QString(),
                 const QString& password = QString())
    {
        fixture.preset(QStringLiteral("frmOption/gProvider"), QString::number(provider));
        fixture.preset(QStringLiteral("frmOption/gCourse"), QString::number(course));
        window = std::make_unique<TfrmVelmira>(fixture.store());
        window->FormCreate(false); // reads the endpoints too, so start the service first
        TNaviSettings& s = window->gSettings;
        s.gUserName = user;
        s.gPass = password;
        s.gWorkDir = data.filePath(QStringLiteral("work/"));
        QDir().mkpath(s.gWorkDir);
        for (int k = 0; k < DataKindCount; ++k)
            s.Dir(k) = data.filePath(QStringLiteral("files/") + DataKinds[size_t(k)].code());
        window->show();
    }
};

} // namespace
