#include "ServiceSim.h"
#include "TestSupport.h"

#include "app/MessageDialogs.h"
#include "app/VelmiraApplication.h"
#include "app/uniVelmira.h"
#include "download/HttpClient.h"
#include "download/uniDownload.h"
#include "login/uniBrowser.h"
#include "ui/uniStart.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>

namespace {

// A member's window on the download page's side.
struct Member : MemberWindow
{
    using MemberWindow::MemberWindow;
    TfraDownload* page() const { return window->fraDownload1; }
    int rows() const { return page()->grid1->rowCount(); }
    QString name(int row) const { return page()->grid1->item(row - 1, 1)->text(); }
    int rowOf(const QString& file) const
    {
        for (int r = 1; r <= rows(); ++r)
            if (name(r) == file)
                return r;
        return -1;
    }
    QString target(int row) const { return page()->FFiles[row - 1].SaveDir + QLatin1Char('/') + name(row); }
};

const QString kCreditError = QStringLiteral("クレジット課金(Bコース)で認証エラーが発生しました。\r\n"
                                            "設定したユーザーIDとパスワードをご確認ください。");
} // namespace

class TestDownload : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void connectChecks_data();
    void connectChecks();
    void creditRefused_data();
    void creditRefused();
    void creditRoadToFilesOnDisk();
    void selectModeListsChosenKindsInOrder();
    void settingsFileMissing_data();
    void settingsFileMissing();
    void overwriteOffSkips();
    void failedTransfersKeepEarlierFiles_data();
    void failedTransfersKeepEarlierFiles();
    void abortDuringStalledTransfer();
    void hostileNamesAreNeverWritten();
    void credentialsStayWithTheirHost();
    void folderProblems();

private:
    std::unique_ptr<TServiceSim> sim;
};

void TestDownload::initTestCase()
{
    sim = std::make_unique<TServiceSim>();
    QVERIFY2(sim->IsRunning(), "the local service did not start");
}

void TestDownload::init()
{
    QVERIFY(sim->Reset());
}

void TestDownload::connectChecks_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<int>("course");
    QTest::addColumn<bool>("selectMode");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing set") << -1 << -1 << true
                                 << "プロバイダとコースの設定がされていません。\r\n処理を中止します。";
    QTest::newRow("no course") << 6 << -1 << false
                               << "プロバイダとコースの設定がされていません。\r\n処理を中止します。";
    QTest::newRow("no kind") << 6 << 1 << true
                             << "データ種別が一つも選択されていません。\r\n処理を中止します。";
}

void TestDownload::connectChecks()
{
    QFETCH(int, provider);
    QFETCH(int, course);
    QFETCH(bool, selectMode);
    QFETCH(QString, message);
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->gSettings.gProvider = provider;
    m.window->gSettings.gCourse = course;
    if (selectMode)
        m.window->fraStart1->radSelect->click();
    ModalAnswerer answerer;
    m.window->btnConnect->click();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, QStringLiteral("エラー"));
    QCOMPARE(answerer.seen[0].informative, message);
    QCOMPARE(m.window->CommandState(), TCommandState::Idle);
    QCOMPARE(m.window->CurrentPage(), 0);
    QVERIFY(sim->Log().isEmpty());
}

void TestDownload::creditRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("noFrame");
    QTest::newRow("wrong password") << "demo"
                                    << "wrong" << false;
    QTest::newRow("other course's account") << "credit_a"
                                            << "pass_a" << false;
    QTest::newRow("reply without the frame text") << "demo"
                                                  << "velmira" << true;
}

void TestDownload::creditRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, noFrame);
    if (noFrame)
        QVERIFY(sim->SetFaults({{QStringLiteral("credit_no_frame"), true}}));
    Member m(6, 1, user, password);
    ModalAnswerer answerer;
    m.window->btnConnect->click();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].informative, kCreditError);
    QCOMPARE(m.window->CommandState(), TCommandState::Idle);
    QVERIFY(m.window->btnConnect->isEnabled() && m.window->btnOption->isEnabled() &&
            m.window->btnClose->isEnabled());
    QCOMPARE(m.window->CurrentPage(), 0);
}

void TestDownload::creditRoadToFilesOnDisk()
{
    Member m(6, 1, QStringLiteral("credit_b"), QStringLiteral("pass_b"));
    bool loginPageShown = false;
    struct ShowWatch : QObject
    {
        bool* shown;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                *shown = true;
            return false;
        }
    } watch;
    watch.shown = &loginPageShown;
    m.window->fraBrowser1->installEventFilter(&watch);

    m.window->btnConnect->click();
    QVERIFY(!loginPageShown);
    QCOMPARE(m.window->CurrentPage(), 2);
    QCOMPARE(m.window->CommandState(), TCommandState::Connected);
    QCOMPARE(m.window->sta1->text(), QStringLiteral("クレジット課金"));
    QCOMPARE(m.window->sta2->text(), QStringLiteral("Bコース"));
    TfraDownload* page = m.page();
    QVERIFY(m.rows() > 0);
    QVERIFY(!page->htmlbox->toPlainText().isEmpty());
    QCOMPARE(page->lblSetsumei->text(),
             QStringLiteral("必要なファイルにチェックをして、ダウンロード開始ボタンを押してください。"));
    QVERIFY(page->btnCheckAll->isEnabled() && page->btnUnCheckAll->isEnabled() &&
            !page->btnDownload->isEnabled());
    QVERIFY(!QFileInfo::exists(m.window->gSettings.gWorkDir + QStringLiteral("settei.tmp")));
    for (const TVelm& entry : page->FFiles)
        QVERIFY2(entry.Url.startsWith(sim->Base() + QStringLiteral("/data/rv3/course_b/")),
                 qPrintable(entry.Url));

    // ticking follows the button's rule
    page->SetChecked(1, true);
    page->grid1CheckBoxClick(1);
    QVERIFY(page->btnDownload->isEnabled());
    page->SetChecked(1, false);
    page->grid1CheckBoxClick(1);
    QVERIFY(!page->btnDownload->isEnabled());

    const int rows = qMin(m.rows(), 3);
    for (int r = 1; r <= rows; ++r)
        page->SetChecked(r, true);
    page->grid1CheckBoxClick(1);
    page->btnDownload->click();
    for (int r = 1; r <= rows; ++r) {
        QCOMPARE(page->ResultMark(r), int(rmDone));
        QVERIFY(!page->IsChecked(r));
        QVERIFY2(QFileInfo(m.target(r)).size() > 0, qPrintable(m.target(r)));
    }
    QVERIFY(!page->btnDownload->isEnabled());
    QCOMPARE(m.window->bar2->maximum(), rows);
    QCOMPARE(m.window->bar2->value(), 0);
    QCOMPARE(page->lblSetsumei->text(),
             QStringLiteral("ダウンロードが完了しました。閉じるボタンでプログラムを終了してください。"));
    QCOMPARE(m.window->CommandState(), TCommandState::ConnectedRunDone);
    QVERIFY(m.window->btnClose->isEnabled() && !m.window->btnConnect->isEnabled());

    m.window->btnAbort->click();
    QCOMPARE(m.window->CurrentPage(), 0);
    QVERIFY(m.window->sta1->text().isEmpty() && m.window->sta2->text().isEmpty());
    QVERIFY(page->FWinInetHttpClient->UserName().isEmpty());
}

void TestDownload::selectModeListsChosenKindsInOrder()
{
    Member m(6, 0, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->fraStart1->radSelect->click();
    const int kd = DataKindIndex(QStringLiteral("kd"));
    const int hb = DataKindIndex(QStringLiteral("hb"));
    m.window->fraStart1->chk[size_t(kd)]->click();
    m.window->fraStart1->chk[size_t(hb)]->click();
    m.window->btnConnect->click();
    QVERIFY(m.rows() > 1);
    QStringList kinds;
    for (const TVelm& entry : m.page()->FFiles)
        if (kinds.isEmpty() || kinds.last() != entry.KindName)
            kinds << entry.KindName;
    QCOMPARE(kinds, (QStringList{DataKinds[size_t(hb)].listCaption(), DataKinds[size_t(kd)].listCaption()}));
}

void TestDownload::settingsFileMissing_data()
{
    QTest::addColumn<bool>("newFormat");
    QTest::addColumn<QString>("message");
    QTest::newRow("new format") << true << "設定ファイル2が取得できませんでした。処理を中止します。";
    QTest::newRow("old format") << false << "設定ファイルが取得できませんでした。処理を中止します。";
}

void TestDownload::settingsFileMissing()
{
    QFETCH(bool, newFormat);
    QFETCH(QString, message);
    QVERIFY(sim->SetFaults({{QStringLiteral("missing_settings"), QStringLiteral("both")}}));
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->gSettings.gNewData = newFormat;
    InstallMessageDialogs();
    ModalAnswerer answerer;
    m.window->btnConnect->click();
    SetMessageHandler({});
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].informative, message);
    QCOMPARE(m.window->CurrentPage(), 0);
    QCOMPARE(m.window->CommandState(), TCommandState::Idle);
    QVERIFY(!QFileInfo::exists(m.window->gSettings.gWorkDir + QStringLiteral("settei.tmp")));
}

void TestDownload::overwriteOffSkips()
{
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->gSettings.gOverwrite = false;
    m.window->btnConnect->click();
    QVERIFY(m.rows() >= 2);
    const QString existing = m.target(1);
    QDir().mkpath(QFileInfo(existing).path());
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("the member's own copy");
    file.close();
    m.page()->SetChecked(1, true);
    m.page()->SetChecked(2, true);
    m.page()->btnDownload->setEnabled(true);
    QVERIFY(sim->Reset());
    m.page()->btnDownload->click();
    QCOMPARE(m.page()->ResultMark(1), int(rmSkipped));
    QCOMPARE(m.page()->ResultMark(2), int(rmDone));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the member's own copy"));
    for (const QJsonValue& request : sim->Log())
        QVERIFY(!request.toObject().value(QStringLiteral("path")).toString().endsWith(m.name(1)));
}

void TestDownload::failedTransfersKeepEarlierFiles_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("dropped connection") << "drop";
    QTest::newRow("404") << "404";
    QTest::newRow("500") << "500";
    QTest::newRow("401") << "401";
}

void TestDownload::failedTransfersKeepEarlierFiles()
{
    QFETCH(QString, fault);
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QVERIFY(m.rows() >= 2);
    const QString file = m.name(1);
    if (fault == QLatin1String("drop"))
        QVERIFY(sim->SetFaults({{QStringLiteral("drop"), QJsonArray{file}}}));
    else
        QVERIFY(sim->SetFaults({{QStringLiteral("status"), QJsonObject{{file, fault.toInt()}}}}));
    const QString target = m.target(1);
    QDir().mkpath(QFileInfo(target).path());
    QFile earlier(target);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier complete file");
    earlier.close();

    m.page()->SetChecked(1, true);
    m.page()->SetChecked(2, true);
    m.page()->btnDownload->setEnabled(true);
    m.page()->btnDownload->click();
    QCOMPARE(m.page()->ResultMark(1), int(rmFailed));
    QCOMPARE(m.page()->ResultMark(2), int(rmDone)); // the run goes on
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier complete file"));
    // nothing half-written is left beside it
    const QStringList left = QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : left)
        QVERIFY2(name == m.name(1) || name == m.name(2) || !name.contains(m.name(1)), qPrintable(name));
}

void TestDownload::abortDuringStalledTransfer()
{
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QVERIFY(m.rows() >= 3);
    QVERIFY(sim->SetFaults({{QStringLiteral("stall"), QJsonArray{m.name(2)}}}));
    for (int r = 1; r <= 3; ++r)
        m.page()->SetChecked(r, true);
    m.page()->btnDownload->setEnabled(true);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, m.window.get(), [&] {
        if (m.page()->ResultMark(1) == rmDone && m.page()->FWinInetHttpClient->IsBusy()) {
            poll.stop();
            m.window->btnAbort->click();
        }
    });
    poll.start(20);
    m.page()->btnDownload->click();
    QCOMPARE(m.page()->ResultMark(1), int(rmDone));
    QCOMPARE(m.page()->ResultMark(2), int(rmFailed));
    QCOMPARE(m.page()->ResultMark(3), -1); // never started
    QVERIFY(m.page()->IsChecked(3));
    QVERIFY(!QFileInfo::exists(m.target(2)));
    QCOMPARE(m.window->CurrentPage(), 0);
    QCOMPARE(m.window->CommandState(), TCommandState::Idle);
    QVERIFY(m.window->sta1->text().isEmpty());
}

void TestDownload::hostileNamesAreNeverWritten()
{
    QVERIFY(sim->SetFaults({{QStringLiteral("hostile_names"), true}}));
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->fraStart1->radSelect->click();
    m.window->fraStart1->chk[size_t(DataKindIndex(QStringLiteral("hb")))]->click();
    m.window->btnConnect->click();
    QList<int> hostile;
    for (int r = 1; r <= m.rows(); ++r) {
        const QString name = m.name(r);
        if (name.contains(QLatin1String("..")) || name.contains(QLatin1Char('\\')) ||
            name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('/')) ||
            std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; }))
            hostile << r;
    }
    QVERIFY2(hostile.size() >= 3, "the service offered hostile names");
    // the hostile rows and a good one: no hostile row ends the run
    const int good = m.rowOf(QStringLiteral("rv3_hb261205.lzh"));
    QVERIFY(good > 0);
    for (int r : hostile)
        m.page()->SetChecked(r, true);
    m.page()->SetChecked(good, true);
    m.page()->btnDownload->setEnabled(true);
    m.page()->btnDownload->click();
    for (int r : hostile)
        QCOMPARE(m.page()->ResultMark(r), int(rmFailed));
    QCOMPARE(m.page()->ResultMark(good), int(rmDone));
    // nothing appeared outside the member's folders
    const QDir files(m.data.filePath(QStringLiteral("files")));
    QVERIFY(!QFileInfo::exists(m.data.filePath(QStringLiteral("files/evil_hb.lzh"))));
    QVERIFY(!QFileInfo::exists(m.data.filePath(QStringLiteral("evil_hb.lzh"))));
    const QStringList top = QDir(m.data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(QSet<QString>(top.begin(), top.end()),
             (QSet<QString>{QStringLiteral("files"), QStringLiteral("work")}));
}

void TestDownload::credentialsStayWithTheirHost()
{
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QVERIFY(m.rows() >= 1);
    QVERIFY(sim->Reset()); // a clean log for the transfer alone
    QVERIFY(sim->SetFaults({{QStringLiteral("redirect_foreign"), QJsonArray{m.name(1)}}}));
    m.page()->SetChecked(1, true);
    m.page()->btnDownload->setEnabled(true);
    m.page()->btnDownload->click();
    int foreign = 0;
    for (const QJsonValue& value : sim->Log()) {
        const QJsonObject request = value.toObject();
        if (request.value(QStringLiteral("host")).toString().startsWith(QLatin1String("localhost"))) {
            ++foreign;
            QVERIFY2(!request.value(QStringLiteral("auth")).toBool(), "credentials went to another host");
        }
    }
    QVERIFY(foreign >= 1);
}

void TestDownload::folderProblems()
{
    Member m(6, 1, QStringLiteral("demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QVERIFY(m.rows() >= 3);
    // a folder under a file cannot be made; an empty folder setting ends the run
    QFile blocker(m.data.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m.page()->FFiles[0].SaveDir = m.data.filePath(QStringLiteral("blocker/sub"));
    m.page()->FFiles[2].SaveDir.clear();
    for (int r = 1; r <= 3; ++r)
        m.page()->SetChecked(r, true);
    m.page()->btnDownload->setEnabled(true);
    InstallMessageDialogs();
    ModalAnswerer answerer;
    QTest::mouseClick(m.page()->btnDownload, Qt::LeftButton); // through the application, as a member clicks
    SetMessageHandler({});
    QCOMPARE(answerer.seen.size(), 2);
    QCOMPARE(answerer.seen[0].informative,
             m.page()->FFiles[0].KindName + QStringLiteral("データの保存先フォルダがありません。"));
    QCOMPARE(answerer.seen[1].title, QStringLiteral("Velmira 2"));
    QCOMPARE(answerer.seen[1].text, QStringLiteral("ディレクトリを作成できません."));
    QVERIFY(m.page()->IsChecked(1) && m.page()->ResultMark(1) == -1);
    QCOMPARE(m.page()->ResultMark(2), int(rmDone));
    QVERIFY(m.page()->IsChecked(3) && m.page()->ResultMark(3) == -1);
    QVERIFY(m.page()->btnDownload->isEnabled());
    QVERIFY(!m.page()->FBusy);
    QCOMPARE(m.page()->lblSetsumei->text(),
             QStringLiteral("ダウンロードが完了しました。閉じるボタンでプログラムを終了してください。"));
}

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the web engine shares the GL context
    TVelmiraApplication app(argc, argv);
    TestDownload test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_download.moc"
