// End to end through the real window, the embedded browser and the local service: every
// provider's road from Connect to the download list.
#include "ServiceSim.h"
#include "TestSupport.h"

#include "app/MessageDialogs.h"
#include "app/VelmiraApplication.h"
#include "app/uniVelmira.h"
#include "download/uniDownload.h"
#include "login/uniBrowser.h"
#include "ui/uniStart.h"

#include <QDesktopServices>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#include <QLabel>
#include <QTableWidget>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

constexpr int kWait = 20000;

// Receives what the program opens in the member's default browser.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// A member's window on the login page's side.
struct Member : MemberWindow
{
    using MemberWindow::MemberWindow;
    TfraBrowser* login() const { return window->fraBrowser1; }
    QString instruction() const { return login()->lblSetsumei->text(); }

    // Runs a script in the login page and waits for its answer.
    QVariant js(const QString& script) const
    {
        QWebEngineView* view = login()->WebBrowser1;
        if (!view)
            return {};
        QVariant result;
        bool done = false;
        view->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 5000)
            QTest::qWait(10);
        return result;
    }
    QString value(const QString& name) const
    {
        return js(QStringLiteral(
                      "(function(){var e=document.getElementsByName('%1')[0];return e?e.value:'<none>';})()")
                      .arg(name))
            .toString();
    }
    // The member presses the page's submit button.
    void press() const
    {
        js(QStringLiteral("(function(){var b=document.querySelector('input[type=submit],button');"
                          "if(b){b.click();return true;}return false;})()"));
    }
};

const QString kLoginText =
    QStringLiteral("ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。");
} // namespace

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void roads_data();
    void roads();
    void niftyNeedsItsTitle();
    void bitCashUnregistered();
    void walletNoMembership();
    void walletTopPageAborts();
    void abortWhileLoadingThenFreshConnect();

private:
    std::unique_ptr<TServiceSim> sim;
    UrlCatcher catcher;
};

void TestLogin::initTestCase()
{
    sim = std::make_unique<TServiceSim>();
    QVERIFY2(sim->IsRunning(), "the local service did not start");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
}

void TestLogin::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestLogin::init()
{
    QVERIFY(sim->Reset());
    catcher.urls.clear();
}

void TestLogin::roads_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<int>("course");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("idField");   // where the user ID must appear
    QTest::addColumn<QString>("passField"); // where the password must appear
    QTest::addColumn<QString>("instruction");
    const struct
    {
        int provider;
        const char* user;
        const char* pass;
        const char* idField;
        const char* passField;
        const char* instruction;
    } roads[] = {
        {0, "bg_demo", "velmira", "BiglobeId", "BiglobePwd",
         "ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。"},
        {1, "nf_demo", "velmira", "username", "password",
         "@nifty IDとパスワードを入力し、[ログイン]ボタンを押してください。"},
        {2, "sn_demo", "velmira", "usr_id", "passwd",
         "ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。"},
        {3, "ocn_demo", "velmira", "ID", "IDPWD", "IDとパスワードを入力し、[確認]ボタンを押してください。"},
        {4, "1111222233334444", "", "", "", "WebMoneyプリペイド番号入力し、決済を完了してください。"},
        {5, "", "", "CARD_NUMBER1", "", "BitCashのひらがなIDを入力し、[ログイン]ボタンを押してください。"},
        {7, "y_demo", "velmira", "login", "passwd",
         "Yahoo! JAPAN IDとパスワードを入力し、[ログイン]ボタンを押してください。"},
    };
    for (const auto& road : roads)
        for (int course : {0, 2})
            QTest::addRow("%s %s", ProviderNames(road.provider).toUtf8().constData(), course == 0 ? "A" : "C")
                << road.provider << course << QString::fromUtf8(road.user) << QString::fromUtf8(road.pass)
                << QString::fromUtf8(road.idField) << QString::fromUtf8(road.passField)
                << QString::fromUtf8(road.instruction);
}

void TestLogin::roads()
{
    QFETCH(int, provider);
    QFETCH(int, course);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, idField);
    QFETCH(QString, passField);
    QFETCH(QString, instruction);
    Member m(provider, course, user, password);
    TNaviSettings& s = m.window->gSettings;
    s.gBitCash = QStringLiteral("あいうえ;かきくけ;さしすせ;たちつて");
    m.window->btnConnect->click();
    QCOMPARE(m.window->CurrentPage(), 1);
    QCOMPARE(m.window->CommandState(), TCommandState::Connected);
    QVERIFY(m.login()->WebBrowser1);

    if (provider == pvWallet) {
        // the index page, reduced to its login button
        QTRY_COMPARE_WITH_TIMEOUT(m.instruction(),
                                  QStringLiteral("ボタンを押して、ログインページへ進んでください。"), kWait);
        QVERIFY(m.js(QStringLiteral("document.body.innerHTML.indexOf('こちら') >= 0")).toBool());
        m.press();
    }
    QTRY_VERIFY2_WITH_TIMEOUT(
        m.instruction() == instruction,
        qPrintable(
            QStringLiteral("on %1: %2").arg(m.login()->WebBrowser1->url().toString(), m.instruction())),
        kWait);
    // the stored credentials are in the right inputs
    if (provider == pvBitCash) {
        const QStringList parts = s.gBitCash.split(QLatin1Char(';'));
        for (int k = 0; k < 4; ++k)
            QCOMPARE(m.value(QStringLiteral("CARD_NUMBER%1").arg(k + 1)), parts[k]);
    } else if (provider == pvWebMoney) {
        QCOMPARE(
            m.js(QStringLiteral("document.querySelector('input[type=text]:not([name])').value")).toString(),
            user);
    } else {
        QCOMPARE(m.value(idField), user);
        QCOMPARE(m.value(passField), password);
    }
    if (provider == pvWallet) {
        QVERIFY(m.js(QStringLiteral("document.getElementById('persistent').disabled && "
                                    "!document.getElementById('persistent').checked"))
                    .toBool());
        QVERIFY(m.js(QStringLiteral("Array.prototype.every.call(document.links, "
                                    "function(a){return a.target=='_blank';})"))
                    .toBool());
    }
    m.press();
    if (provider == pvWallet) {
        QTRY_COMPARE_WITH_TIMEOUT(
            m.instruction(), QStringLiteral("「注意事項」を確認した後、[同意する]ボタンを押してください。"),
            kWait);
        m.press();
    }
    // the login completes and the list appears
    QTRY_COMPARE_WITH_TIMEOUT(m.window->CurrentPage(), 2, kWait);
    QCOMPARE(m.window->sta1->text(), ProviderNames(provider));
    QCOMPARE(m.window->sta2->text(), CourseNames(course));
    QTRY_VERIFY_WITH_TIMEOUT(m.window->fraDownload1->grid1->rowCount() > 0, kWait);
    QVERIFY(m.login()->Done());
    QTRY_COMPARE_WITH_TIMEOUT(m.login()->WebBrowser1->url().toString(), QStringLiteral("about:blank"), kWait);
}

void TestLogin::niftyNeedsItsTitle()
{
    QVERIFY(sim->SetFaults({{QStringLiteral("nifty_no_title"), true}}));
    Member m(pvNifty, 1, QStringLiteral("nf_demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QTRY_COMPARE_WITH_TIMEOUT(
        m.instruction(), QStringLiteral("@nifty IDとパスワードを入力し、[ログイン]ボタンを押してください。"),
        kWait);
    m.press();
    QTRY_VERIFY_WITH_TIMEOUT(m.login()->WebBrowser1->url().toString().contains(QLatin1String("m3-member")),
                             kWait);
    QTest::qWait(1000);
    QCOMPARE(m.window->CurrentPage(), 1); // the member page alone proves nothing for @nifty
    QVERIFY(!m.login()->Done());
}

void TestLogin::bitCashUnregistered()
{
    Member m(pvBitCash, 0);
    m.window->gSettings.gBitCash = QStringLiteral("らりるれ;わをんあ;いうえお;かきくけ");
    m.window->btnConnect->click();
    QTRY_COMPARE_WITH_TIMEOUT(
        m.instruction(), QStringLiteral("BitCashのひらがなIDを入力し、[ログイン]ボタンを押してください。"),
        kWait);
    QTimer yes; // the member answers Yes
    connect(&yes, &QTimer::timeout, this, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QStringLiteral("はい(&Y)"))
                    b->click();
    });
    yes.start(20);
    m.press();
    QTRY_COMPARE_WITH_TIMEOUT(catcher.urls.size(), 1, kWait);
    QCOMPARE(catcher.urls[0].toString(), TLoginDriver::BitCashRegistrationPage());
    QCOMPARE(m.window->CurrentPage(), 1); // the login stays open
    QVERIFY(!m.login()->Done());
    m.window->btnAbort->click();
    QCOMPARE(m.window->CurrentPage(), 0);
}

void TestLogin::walletNoMembership()
{
    Member m(pvWallet, 1, QStringLiteral("y_none"), QStringLiteral("pass_n"));
    m.window->btnConnect->click();
    QTRY_COMPARE_WITH_TIMEOUT(m.instruction(),
                              QStringLiteral("ボタンを押して、ログインページへ進んでください。"), kWait);
    m.press();
    QTRY_COMPARE_WITH_TIMEOUT(
        m.instruction(),
        QStringLiteral("Yahoo! JAPAN IDとパスワードを入力し、[ログイン]ボタンを押してください。"), kWait);
    m.press();
    QTRY_COMPARE_WITH_TIMEOUT(m.instruction(),
                              QStringLiteral("「注意事項」を確認した後、[同意する]ボタンを押してください。"),
                              kWait);
    ModalAnswerer answerer; // answers No
    m.press();
    QTRY_COMPARE_WITH_TIMEOUT(m.window->CurrentPage(), 0, kWait);
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, QStringLiteral("情報"));
    QCOMPARE(m.window->CommandState(), TCommandState::Idle);
    QVERIFY(catcher.urls.isEmpty());
}

void TestLogin::walletTopPageAborts()
{
    Member m(pvWallet, 0, QStringLiteral("y_demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QTRY_COMPARE_WITH_TIMEOUT(m.instruction(),
                              QStringLiteral("ボタンを押して、ログインページへ進んでください。"), kWait);
    m.login()->WebBrowser1->setUrl(QUrl(TLoginDriver::YahooTopPage()));
    QTRY_COMPARE_WITH_TIMEOUT(m.window->CurrentPage(), 0, kWait);
    QCOMPARE(m.window->CommandState(), TCommandState::Idle);
}

void TestLogin::abortWhileLoadingThenFreshConnect()
{
    QVERIFY(
        sim->SetFaults({{QStringLiteral("slow"), QJsonObject{{QStringLiteral("cp_gwcharge.php"), 200}}}}));
    Member m(pvBiglobe, 0, QStringLiteral("bg_demo"), QStringLiteral("velmira"));
    m.window->btnConnect->click();
    QWebEngineView* first = m.login()->WebBrowser1;
    QTest::qWait(300);
    m.window->btnAbort->click();
    QCOMPARE(m.window->CurrentPage(), 0);
    QCOMPARE(m.login()->lblSetsumei->text(),
             QStringLiteral("ログインページに移動中です。しばらくお待ちください。"));
    QTest::qWait(500);
    QCOMPARE(m.instruction(), QStringLiteral("ログインページに移動中です。しばらくお待ちください。"));
    QVERIFY(sim->Reset());
    m.window->btnConnect->click();
    QVERIFY(m.login()->WebBrowser1 != first); // a fresh control
    QTRY_COMPARE_WITH_TIMEOUT(m.instruction(), kLoginText, kWait);
}

int main(int argc, char* argv[])
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0) // the engine refuses its sandbox to root
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TVelmiraApplication app(argc, argv);
    TestLogin test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_login.moc"
