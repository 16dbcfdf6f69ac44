#include "app/HelpWindow.h"
#include "app/MessageDialogs.h"
#include "app/PageTransition.h"
#include "app/SingleInstance.h"
#include "app/VelmiraApplication.h"
#include "app/uniAbout.h"
#include "app/uniVelmira.h"
#include "download/uniDownload.h"
#include "login/uniBrowser.h"
#include "ui/uniOption.h"
#include "ui/uniStart.h"
#include "util/TextCipher.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "TestSupport.h"

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void fixedWindowAndBars();
    void menuItems_data();
    void menuItems();
    void commandStates_data();
    void commandStates();
    void showPage();
    void messageDialogs();
    void fullStopRule_data();
    void fullStopRule();
    void errorEscapingAHandlerIsReported();

    void firstRunAsksForProviderAndCourse();
    void startUpRestoresTheStartPage();
    void closeSavesEverything();
    void optionsCentredOverTheWindow();
    void aboutWindow();
    void splashClosesItself();
    void helpInEveryState();

    void singleInstance();
    void secondStartExitsAndActivatesTheFirst();
};

void TestMainWindow::initTestCase()
{
    qputenv("XDG_DATA_HOME", QDir::temp().filePath(QStringLiteral("velmira-test-data")).toUtf8());
}

void TestMainWindow::fixedWindowAndBars()
{
    Fixture f;
    TfrmVelmira w(f.store());
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Velmira 2"));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.width(), 834);
    QCOMPARE(w.height() - w.menuWidget()->sizeHint().height(), 695);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);

    const std::pair<const char*, const char*> buttons[] = {{"btnConnect", "接続"},
                                                           {"btnAbort", "中止"},
                                                           {"btnOption", "設定"},
                                                           {"btnHelp", "ヘルプ"},
                                                           {"btnClose", "閉じる"}};
    int lastX = -1;
    for (const auto& [name, caption] : buttons) {
        auto* b = w.findChild<QToolButton*>(QLatin1String(name));
        QVERIFY2(b, name);
        QCOMPARE(b->text(), QString::fromUtf8(caption));
        QCOMPARE(b->toolTip(), QString::fromUtf8(caption));
        QCOMPARE(b->size(), QSize(68, 56));
        QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(!b->icon().isNull());
        QVERIFY(b->isVisibleTo(&w));
        QVERIFY2(b->x() > lastX, name); // left to right in this order
        lastX = b->x();
    }
    QToolButton* about = w.findChild<QToolButton*>(QStringLiteral("btnAbout"));
    QVERIFY(about && !about->isVisibleTo(&w));
    QCOMPARE(about->toolTip(), QStringLiteral("バージョン情報"));

    const std::pair<const char*, int> panels[] = {{"sta1", 90}, {"sta2", 105}, {"bar1", 200}, {"bar2", 200}};
    for (const auto& [name, width] : panels) {
        auto* widget = w.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(widget, name);
        QCOMPARE(widget->width(), width);
    }
    QVERIFY(!w.bar1->isTextVisible() && !w.bar2->isTextVisible());
    QCOMPARE(w.fraStart1->objectName(), QStringLiteral("fraStart1"));
    QCOMPARE(w.CurrentPage(), 0);
    for (const char* page : {"fraBrowser1", "fraDownload1"}) {
        QWidget* p = w.findChild<QWidget*>(QLatin1String(page));
        QVERIFY(p && !p->isVisibleTo(&w));
        QVERIFY(p->findChild<QLabel*>(QStringLiteral("lblSetsumei")));
    }
}

void TestMainWindow::menuItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<bool>("hasIcon");
    QTest::newRow("connect") << "mnuConnect"
                             << "接続(&C)" << QKeySequence() << true;
    QTest::newRow("abort") << "mnuAbort"
                           << "中止(&A)..." << QKeySequence() << true;
    QTest::newRow("close") << "mnuClose"
                           << "Velmira 2 を閉じる(&X)..." << QKeySequence(Qt::ALT | Qt::Key_F4) << true;
    QTest::newRow("option") << "mnuOption"
                            << "設定(&O)..." << QKeySequence() << true;
    QTest::newRow("help") << "mnuHelp"
                          << "Velmira 2 の ヘルプ(&H)" << QKeySequence(Qt::Key_F1) << true;
    QTest::newRow("about") << "mnuAbout"
                           << "バージョン情報(&A)..." << QKeySequence() << false;
}

void TestMainWindow::menuItems()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    QFETCH(bool, hasIcon);
    Fixture f;
    TfrmVelmira w(f.store());
    auto* action = w.findChild<QAction*>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut(), shortcut);
    QCOMPARE(!action->icon().isNull(), hasIcon);
}

void TestMainWindow::commandStates_data()
{
    QTest::addColumn<int>("state");
    // connect/option, abort, about, close; help is always on
    QTest::addColumn<bool>("connect");
    QTest::addColumn<bool>("abort");
    QTest::addColumn<bool>("about");
    QTest::addColumn<bool>("close");
    QTest::newRow("idle") << int(TCommandState::Idle) << true << false << true << true;
    QTest::newRow("connected") << int(TCommandState::Connected) << false << true << false << false;
    QTest::newRow("after a run") << int(TCommandState::ConnectedRunDone) << false << true << false << true;
}

void TestMainWindow::commandStates()
{
    QFETCH(int, state);
    QFETCH(bool, connect);
    QFETCH(bool, abort);
    QFETCH(bool, about);
    QFETCH(bool, close);
    Fixture f;
    TfrmVelmira w(f.store());
    w.SetCommandState(TCommandState::Connected); // from somewhere else first
    w.SetCommandState(TCommandState(state));
    const auto enabled = [&w](const char* name) {
        QObject* o = w.findChild<QObject*>(QLatin1String(name));
        return o ? o->property("enabled").toBool() : false;
    };
    QCOMPARE(enabled("btnConnect"), connect);
    QCOMPARE(enabled("mnuConnect"), connect);
    QCOMPARE(enabled("btnOption"), connect);
    QCOMPARE(enabled("mnuOption"), connect);
    QCOMPARE(enabled("btnAbort"), abort);
    QCOMPARE(enabled("mnuAbort"), abort);
    QCOMPARE(enabled("mnuAbout"), about);
    QCOMPARE(enabled("btnClose"), close);
    QCOMPARE(enabled("mnuClose"), close);
    QCOMPARE(enabled("btnHelp"), true);
    QCOMPARE(enabled("mnuHelp"), true);
}

void TestMainWindow::showPage()
{
    Fixture f;
    TfrmVelmira w(f.store());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const struct
    {
        int page;
        bool back;
        int shown;
    } steps[] = {{1, false, 1}, {2, false, 2}, {3, false, 2}, {-1, true, 2},
                 {0, true, 0},  {2, false, 2}, {0, true, 0}};
    for (const auto& step : steps) {
        w.ShowPage(step.page, step.back);
        QCOMPARE(w.CurrentPage(), step.shown);
        int visible = 0;
        for (QWidget* page : {static_cast<QWidget*>(w.fraStart1), static_cast<QWidget*>(w.fraBrowser1),
                              static_cast<QWidget*>(w.fraDownload1)})
            visible += page->isVisible() ? 1 : 0;
        QCOMPARE(visible, 1);
        // the push is over when ShowPage returns: nothing of it is left on the panel
        QVERIFY(w.pnlMain->findChildren<TPushTransition*>().isEmpty());
    }
}

void TestMainWindow::messageDialogs()
{
    {
        ModalAnswerer answerer;
        ShowMessageDialog(TMessageKind::Error, QStringLiteral("テスト"));
        ShowMessageDialog(TMessageKind::Information, QStringLiteral("お知らせ"));
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("エラー"));
        QCOMPARE(answerer.seen[0].text, QStringLiteral("Velmira 2"));
        QCOMPARE(answerer.seen[0].informative, QStringLiteral("テスト"));
        QCOMPARE(answerer.seen[1].title, QStringLiteral("情報"));
        QCOMPARE(answerer.seen[1].informative, QStringLiteral("お知らせ"));

        // Yes and No: the box closed without Yes answers No
        QVERIFY(!AskYesNo(TMessageKind::Information, QStringLiteral("登録しますか")));
    }
    QTimer::singleShot(50, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("はい(&Y)"))
                b->click();
    });
    QVERIFY(AskYesNo(TMessageKind::Information, QStringLiteral("登録しますか")));
}

void TestMainWindow::fullStopRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "cannot create"
                            << "cannot create.";
    QTest::newRow("full stop") << "done."
                               << "done.";
    QTest::newRow("exclamation sorts before") << "oops!"
                                              << "oops!";
    QTest::newRow("japanese") << "作成できません。"
                              << "作成できません。.";
    QTest::newRow("empty") << ""
                           << "";
}

void TestMainWindow::fullStopRule()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(WithFullStop(text), shown);
}

namespace {
class Thrower : public QObject
{
protected:
    void customEvent(QEvent*) override { throw std::runtime_error("ファイルを作成できません"); }
};
} // namespace

void TestMainWindow::errorEscapingAHandlerIsReported()
{
    ModalAnswerer answerer;
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&thrower, QEvent::User);
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, QStringLiteral("Velmira 2"));
    QCOMPARE(answerer.seen[0].text, QStringLiteral("ファイルを作成できません."));
    // and the program goes on
    QTimer::singleShot(0, &thrower, [] {});
    QTest::qWait(10);
}

void TestMainWindow::firstRunAsksForProviderAndCourse()
{
    Fixture f;
    InstallMessageDialogs();
    ModalAnswerer answerer;
    TfrmVelmira w(f.store());
    w.FormCreate(false);
    SetMessageHandler({});
    QCOMPARE(answerer.seen.size(), 2);
    QCOMPARE(answerer.seen[0].title, QStringLiteral("情報"));
    QCOMPARE(answerer.seen[0].informative, QStringLiteral("最初にプロバイダとコースの設定をしてください。"));
    QCOMPARE(answerer.seen[1].className, QStringLiteral("TfrmOption"));
    // cancelled: nothing selected, start-up still completes
    QCOMPARE(w.gSettings.gProvider, -1);
    QVERIFY(w.gCatalogue.gLoginPage.isEmpty());
    QCOMPARE(w.CommandState(), TCommandState::Idle);
    QVERIFY(!w.gCatalogue.gProviderTable[0].isEmpty());
    QCOMPARE(w.fraDownload1->grid1->columnWidth(5), 0);
}

void TestMainWindow::startUpRestoresTheStartPage()
{
    Fixture f;
    f.preset(QStringLiteral("frmOption/gProvider"), QStringLiteral("2"));
    f.preset(QStringLiteral("frmOption/gCourse"), QStringLiteral("1"));
    f.preset(QStringLiteral("frmOption/gNewData"), QStringLiteral("0"));
    f.preset(QStringLiteral("fraStart1./radSelect"), QStringLiteral("1"));
    f.preset(QStringLiteral("fraStart1./chk_kd"), QStringLiteral("1"));
    f.preset(QStringLiteral("fraStart1./chk_fket5"), QStringLiteral("1"));
    f.preset(QStringLiteral("frmVelmira/Top"), QStringLiteral("40"));
    f.preset(QStringLiteral("frmVelmira/Left"), QStringLiteral("-3000"));
    ModalAnswerer answerer;
    TfrmVelmira w(f.store());
    w.FormCreate(false);
    QVERIFY(answerer.seen.isEmpty());     // no first-run prompt
    QCOMPARE(w.pos(), QPoint(-3000, 40)); // applied as stored
    QVERIFY(w.gCatalogue.gMemberPage.endsWith(QLatin1String("/m3-member/")));
    QVERIFY(w.fraStart1->radSelect->isChecked());
    QVERIFY(w.fraStart1->radOldData->isChecked());
    QPushButton* kd = w.findChild<QPushButton*>(QStringLiteral("chk_kd"));
    QPushButton* fket5 = w.findChild<QPushButton*>(QStringLiteral("chk_fket5"));
    QVERIFY(kd->isChecked() && kd->isEnabled());
    QVERIFY(fket5->isChecked() && !fket5->isEnabled()); // restored as stored, never offered
    // the old-format button goes through the window's own handler
    w.fraStart1->radNewData->click();
    QVERIFY(fket5->isEnabled());
    w.fraStart1->radOldData->click();
    QVERIFY(!fket5->isEnabled());
    QVERIFY(!w.gSettings.gNewData);
}

void TestMainWindow::closeSavesEverything()
{
    Fixture f;
    f.preset(QStringLiteral("frmOption/gProvider"), QStringLiteral("0"));
    f.preset(QStringLiteral("frmOption/gCourse"), QStringLiteral("0"));
    {
        TfrmVelmira w(f.store());
        w.FormCreate(false);
        w.gSettings.gPass = QStringLiteral("秘密のpass");
        w.gSettings.gBitCash = QStringLiteral("あいうえ;かきくけ;さしすせ;たちつて");
        w.show();
        w.move(21, 34);
        w.SetCommandState(TCommandState::Connected);
        QVERIFY(w.close()); // never refused, whatever the state
    }
    QSettings raw(f.storePath(), QSettings::IniFormat);
    int values = 0;
    for (const QString& key : raw.allKeys()) {
        QCOMPARE(raw.value(key).typeId(), int(QMetaType::QString));
        ++values;
    }
    QCOMPARE(values, 39);
    QCOMPARE(raw.value(QStringLiteral("frmVelmira/Left")).toString(), QStringLiteral("21"));
    QCOMPARE(raw.value(QStringLiteral("frmVelmira/Top")).toString(), QStringLiteral("34"));
    QCOMPARE(raw.value(QStringLiteral("frmOption/gPass")).toString(),
             EncryptText(QStringLiteral("秘密のpass"), 1));
    QFile file(f.storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(!text.contains("pass"));
}

void TestMainWindow::optionsCentredOverTheWindow()
{
    Fixture f;
    TfrmVelmira w(f.store());
    w.show();
    w.move(100, 80);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ModalAnswerer answerer;
    w.btnOptionClick();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].className, QStringLiteral("TfrmOption"));
    const QRect frame = w.frameGeometry();
    const QSize dialog(584, 493);
    QCOMPARE(answerer.seen[0].position, QPoint(frame.left() + frame.width() / 2 - dialog.width() / 2,
                                               frame.top() + frame.height() / 2 - dialog.height() / 2));
    QVERIFY(w.findChildren<TfrmOption*>().isEmpty()); // destroyed after use
}

void TestMainWindow::aboutWindow()
{
    Fixture f;
    TfrmVelmira w(f.store());
    w.show();
    QTimer::singleShot(100, [] {
        auto* about = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        QVERIFY(about);
        QVERIFY(!about->IsSplash);
        QCOMPARE(about->size(), QSize(600, 216));
        QCOMPARE(about->Label1->text(), QStringLiteral("Version 1.09"));
        QCOMPARE(about->Label1->pos(), QPoint(16, 14));
        QCOMPARE(about->Label2->pos(), QPoint(16, 28));
        QTest::qWait(TfrmAbout::FadeMilliseconds + 300);
        QVERIFY(about->isVisible()); // stays until clicked
        QTest::mouseClick(about->Image1, Qt::LeftButton);
    });
    w.btnAboutClick();
    QVERIFY(w.findChildren<TfrmAbout*>().isEmpty());
}

void TestMainWindow::splashClosesItself()
{
    bool forced = false;
    TfrmAbout splash;
    splash.IsSplash = true;
    QTimer failsafe;
    failsafe.setSingleShot(true);
    connect(&failsafe, &QTimer::timeout, &splash, [&] {
        forced = true;
        splash.reject();
    });
    failsafe.start(5000);
    splash.exec();
    QVERIFY(!forced);
}

void TestMainWindow::helpInEveryState()
{
    Fixture f;
    TfrmVelmira w(f.store());
    w.HelpFolder = QStringLiteral(VELMIRA_SOURCE_DIR "/resources/help");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (TCommandState state :
         {TCommandState::Idle, TCommandState::Connected, TCommandState::ConnectedRunDone}) {
        w.SetCommandState(state);
        if (w.HelpWindow())
            w.HelpWindow()->hide();
        w.activateWindow();
        QTest::keyClick(&w, Qt::Key_F1);
        QTRY_VERIFY(w.HelpWindow() && w.HelpWindow()->isVisible());
        QVERIFY(w.HelpWindow()->toc->topLevelItemCount() >= 5);
        QVERIFY(!w.HelpWindow()->browser->toPlainText().isEmpty());
        w.HelpWindow()->hide();
        w.mnuHelp->trigger();
        QVERIFY(w.HelpWindow()->isVisible());
    }
}

void TestMainWindow::singleInstance()
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    {
        TSingleInstance first;
        QVERIFY(first.Acquire());
        QSignalSpy activated(&first, &TSingleInstance::activationRequested);
        TSingleInstance second;
        QVERIFY(!second.Acquire());
        QTRY_COMPARE(activated.size(), 1);
    }
    TSingleInstance again; // the first one's end frees the name
    QVERIFY(again.Acquire());

    Fixture f;
    TfrmVelmira w(f.store());
    w.show();
    w.setWindowState(Qt::WindowMinimized);
    w.RestoreAndActivate();
    QVERIFY(!(w.windowState() & Qt::WindowMinimized));
}

void TestMainWindow::secondStartExitsAndActivatesTheFirst()
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../velmira");
    QVERIFY(QFileInfo::exists(program));
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    QDir().mkpath(home.filePath(QStringLiteral("run")));
    QFile::setPermissions(home.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(home.filePath(QStringLiteral("config/Velmira")));
    {
        QSettings s(home.filePath(QStringLiteral("config/Velmira/Velmira.ini")), QSettings::IniFormat);
        s.setValue(QStringLiteral("frmOption/gProvider"), QStringLiteral("6"));
        s.setValue(QStringLiteral("frmOption/gCourse"), QStringLiteral("0"));
    }
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(home.filePath(QStringLiteral("run/VelmiraMutex"))), 10000);

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the web engine shares the GL context
    TVelmiraApplication app(argc, argv);                        // with the general error report
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
