#include "login/Endpoints.h"
#include "login/ProviderCatalogue.h"
#include "util/TextCipher.h"

#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char* const kAccountSets[] = {"biglobe", "nifty", "sonet", "ocn", "shared"};
const char* const kCourses[] = {"a", "b", "c"};

TProviderCatalogue initialised()
{
    TProviderCatalogue catalogue;
    catalogue.InitProviderTables();
    return catalogue;
}
} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanupTestCase();

    void niftyCourseC();
    void selection_data();
    void selection();
    void unsetOrOutOfRangeKeepsCurrent_data();
    void unsetOrOutOfRangeKeepsCurrent();
    void downloadAccountsSharedAndDistinct();
    void builtInCipherTextsOpenToServiceValues();
    void everyAddressUsesItsEndpoint();
    void names();

    void overrideReplacesSchemeAndHost();
    void overrideFileProblems();
};

void TestCatalogue::init()
{
    qunsetenv("VELMIRA_ENDPOINTS");
    ReloadEndpointOverrides();
}

void TestCatalogue::cleanupTestCase()
{
    init();
}

void TestCatalogue::niftyCourseC()
{
    TProviderCatalogue c = initialised();
    c.SelectProviderCourse(1, 2);
    QVERIFY(c.gMemberPage.startsWith(QLatin1String("https://")));
    QVERIFY(c.gMemberPage.endsWith(QLatin1String("rinvale_c/m4-member/")));
    QCOMPARE(c.gLoginPage, QStringLiteral("https://") + EndpointHost(TEndpoint::NiftyLogin) +
                               QStringLiteral("/pub/login.cgi?service=member&back=") + c.gMemberPage);
    QCOMPARE(c.gIdField, QStringLiteral("username"));
    QCOMPARE(c.gPassField, QStringLiteral("password"));
}

void TestCatalogue::selection_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<int>("course");
    QTest::addColumn<QString>("loginEnd");
    QTest::addColumn<QString>("memberEnd");
    QTest::addColumn<QString>("idField");
    QTest::addColumn<QString>("passField");
    QTest::newRow("BIGLOBE B") << 0 << 1 << QStringLiteral("GwShopCode=1291&GwGoodsCode=0009")
                               << QStringLiteral("/m3-member/index.html") << QStringLiteral("BiglobeId")
                               << QStringLiteral("BiglobePwd");
    QTest::newRow("So-net C") << 2 << 2 << QStringLiteral("loginindex.cgi?GRP_NO=816s06")
                              << QStringLiteral("/m4-member/") << QStringLiteral("usr_id")
                              << QStringLiteral("passwd");
    QTest::newRow("OCN A") << 3 << 0 << QStringLiteral("/rinvale/m2-member/index_login.html")
                           << QStringLiteral("/rinvale/m2-member/index.html") << QStringLiteral("ID")
                           << QStringLiteral("IDPWD");
    QTest::newRow("WebMoney B") << 4 << 1 << QStringLiteral("/cgi-bin/wm_member/m_gotowm3.cgi")
                                << QStringLiteral("/m3-member/index.html") << QString() << QString();
    for (int course = 0; course < 3; ++course)
        QTest::addRow("BitCash %d", course)
            << 5 << course << QStringLiteral("/bitcash/auth/login_m%1.html").arg(course + 2)
            << QStringLiteral("/m%1-member/").arg(course + 2)
            << QStringLiteral("CARD_NUMBER1;CARD_NUMBER2;CARD_NUMBER3;CARD_NUMBER4") << QString();
    QTest::newRow("credit C") << 6 << 2 << QStringLiteral("example/") << QStringLiteral("/credit/m4-member/")
                              << QString() << QString();
    QTest::newRow("wallet A") << 7 << 0 << QStringLiteral("/index_m2.html")
                              << QStringLiteral("/m2-member/index.html") << QStringLiteral("login")
                              << QStringLiteral("passwd");
}

void TestCatalogue::selection()
{
    QFETCH(int, provider);
    QFETCH(int, course);
    QFETCH(QString, loginEnd);
    QFETCH(QString, memberEnd);
    QFETCH(QString, idField);
    QFETCH(QString, passField);
    TProviderCatalogue c = initialised();
    c.SelectProviderCourse(provider, course);
    QVERIFY2(c.gLoginPage.endsWith(loginEnd), qPrintable(c.gLoginPage));
    QVERIFY2(c.gMemberPage.endsWith(memberEnd), qPrintable(c.gMemberPage));
    QCOMPARE(c.gIdField, idField);
    QCOMPARE(c.gPassField, passField);
    QCOMPARE(c.gDownloadUser.size(), 8);
    QCOMPARE(c.gDownloadPass.size(), 12);
    // the same selection again gives the same six texts
    const QStringList first = {c.gLoginPage, c.gMemberPage,   c.gIdField,
                               c.gPassField, c.gDownloadUser, c.gDownloadPass};
    c.SelectProviderCourse(provider, course);
    QCOMPARE((QStringList{c.gLoginPage, c.gMemberPage, c.gIdField, c.gPassField, c.gDownloadUser,
                          c.gDownloadPass}),
             first);
}

void TestCatalogue::unsetOrOutOfRangeKeepsCurrent_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<int>("course");
    QTest::newRow("course unset") << 3 << -1;
    QTest::newRow("provider unset") << -1 << 1;
    QTest::newRow("provider above 7") << 8 << 0;
    QTest::newRow("course above 2") << 0 << 3;
    QTest::newRow("huge") << 1000000 << 1000000;
}

void TestCatalogue::unsetOrOutOfRangeKeepsCurrent()
{
    QFETCH(int, provider);
    QFETCH(int, course);
    TProviderCatalogue c = initialised();
    c.SelectProviderCourse(0, 1);
    const QString login = c.gLoginPage, member = c.gMemberPage, user = c.gDownloadUser;
    c.SelectProviderCourse(provider, course);
    QCOMPARE(c.gLoginPage, login);
    QCOMPARE(c.gMemberPage, member);
    QCOMPARE(c.gDownloadUser, user);

    TProviderCatalogue fresh = initialised();
    fresh.SelectProviderCourse(provider, course);
    QVERIFY(fresh.gLoginPage.isEmpty() && fresh.gDownloadPass.isEmpty());
}

void TestCatalogue::downloadAccountsSharedAndDistinct()
{
    const TProviderCatalogue c = initialised();
    QSet<QString> users, passwords;
    for (int p = 0; p < ProviderCount; ++p) {
        for (int course = 0; course < CourseCount; ++course) {
            users << c.gProviderTable[TProviderCatalogue::EntryIndex(ukDownloadUser, p, course)];
            passwords << c.gProviderTable[TProviderCatalogue::EntryIndex(ukDownloadPass, p, course)];
        }
    }
    QCOMPARE(users.size(), 15);
    QCOMPARE(passwords.size(), 15);
    for (int course = 0; course < CourseCount; ++course) {
        for (int kind : {ukDownloadUser, ukDownloadPass}) {
            const QString shared = c.gProviderTable[TProviderCatalogue::EntryIndex(kind, pvWebMoney, course)];
            for (int p : {pvBitCash, pvCredit, pvWallet})
                QCOMPARE(c.gProviderTable[TProviderCatalogue::EntryIndex(kind, p, course)], shared);
            QVERIFY(c.gProviderTable[TProviderCatalogue::EntryIndex(kind, pvBiglobe, course)] !=
                    c.gProviderTable[TProviderCatalogue::EntryIndex(kind, pvNifty, course)]);
        }
    }
}

void TestCatalogue::builtInCipherTextsOpenToServiceValues()
{
    QSettings plain(QStringLiteral(VELMIRA_SOURCE_DIR "/tools/servicesim/accounts.ini"),
                    QSettings::IniFormat);
    QCOMPARE(plain.status(), QSettings::NoError);
    const TProviderCatalogue c = initialised();
    for (int p = 0; p < ProviderCount; ++p) {
        for (int course = 0; course < CourseCount; ++course) {
            const QString key =
                QStringLiteral("download/%1.%2")
                    .arg(QLatin1String(kAccountSets[qMin(p, 4)]), QLatin1String(kCourses[course]));
            const QStringList account = plain.value(key).toString().split(QLatin1Char(' '));
            QCOMPARE(account.size(), 2);
            QCOMPARE(account[0].size(), 6);
            QCOMPARE(account[1].size(), 9);
            QCOMPARE(
                DecryptText(c.gProviderTable[TProviderCatalogue::EntryIndex(ukDownloadUser, p, course)], 2),
                account[0]);
            QCOMPARE(
                DecryptText(c.gProviderTable[TProviderCatalogue::EntryIndex(ukDownloadPass, p, course)], 2),
                account[1]);
        }
    }
    QCOMPARE(c.gSettingsUrl.size(), 60);
    QCOMPARE(c.gSettingsUrl2.size(), 60);
    const QString rv2 = plain.value(QStringLiteral("settings/rv2")).toString();
    const QString rv3 = plain.value(QStringLiteral("settings/rv3")).toString();
    QVERIFY(rv2.size() >= 43 && rv2.size() <= 45);
    QVERIFY(rv3.size() >= 43 && rv3.size() <= 45);
    QCOMPARE(DecryptText(c.gSettingsUrl, 2), rv2);
    QCOMPARE(DecryptText(c.gSettingsUrl2, 2), rv3);
    // the addresses are on the service's own host, so the endpoint override reaches them
    QVERIFY(
        rv3.startsWith(QStringLiteral("https://") + EndpointHost(TEndpoint::ServiceMain) + QLatin1Char('/')));
}

void TestCatalogue::everyAddressUsesItsEndpoint()
{
    const TProviderCatalogue c = initialised();
    const TEndpoint member[ProviderCount] = {TEndpoint::ServiceBiglobe,  TEndpoint::NiftyMember,
                                             TEndpoint::ServiceSonet,    TEndpoint::OcnPayment,
                                             TEndpoint::ServiceWebMoney, TEndpoint::ServiceBitCash,
                                             TEndpoint::ServiceMain,     TEndpoint::ServiceWallet};
    const char* const memberScheme[ProviderCount] = {"http", "https", "http",  "https",
                                                     "http", "http",  "https", "http"};
    for (int p = 0; p < ProviderCount; ++p) {
        for (int course = 0; course < CourseCount; ++course) {
            const QString address = c.gProviderTable[TProviderCatalogue::EntryIndex(ukMemberPage, p, course)];
            QVERIFY2(address.startsWith(QLatin1String(memberScheme[p]) + QLatin1String("://") +
                                        EndpointHost(member[p]) + QLatin1Char('/')),
                     qPrintable(address));
            QVERIFY2(address.contains(QStringLiteral("m%1").arg(course + 2)), qPrintable(address));
        }
    }
}

void TestCatalogue::names()
{
    QCOMPARE(ProviderNames(6), QStringLiteral("クレジット課金"));
    QCOMPARE(ProviderNames(7), QStringLiteral("Yahoo!ウォレット"));
    QCOMPARE(ProviderNames(8), QString());
    QCOMPARE(CourseNames(1), QStringLiteral("Bコース"));
    QCOMPARE(CourseNames(-1), QString());
}

void TestCatalogue::overrideReplacesSchemeAndHost()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("endpoints"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# demo service\n"
               "nifty-member=http://127.0.0.1:8123/nifty-member/\n"
               "nifty-login = http://127.0.0.1:8123/nifty-login\n"
               "service-main=http://127.0.0.1:8123\n"
               "service-top\n"
               "=http://127.0.0.1:1/\n"
               "ocn-payment=not a url\n"
               "unknown-endpoint=http://127.0.0.1:9/\n");
    file.close();
    qputenv("VELMIRA_ENDPOINTS", path.toLocal8Bit());
    ReloadEndpointOverrides();

    TProviderCatalogue c = initialised();
    c.SelectProviderCourse(1, 0);
    const QString member =
        QStringLiteral("http://127.0.0.1:8123/nifty-member/member/service/g-way/rinvale_a/m2-member/");
    QCOMPARE(c.gMemberPage, member);
    QCOMPARE(c.gLoginPage,
             QStringLiteral("http://127.0.0.1:8123/nifty-login/pub/login.cgi?service=member&back=") + member);

    // the deciphered settings-file address goes through the same replacement
    QCOMPARE(ResolveAddress(DecryptText(c.gSettingsUrl2, 2)),
             QStringLiteral("http://127.0.0.1:8123/dl/rv3/settei.ini"));
    // skipped lines leave their endpoints alone; foreign addresses pass unchanged
    c.SelectProviderCourse(3, 0);
    QVERIFY(c.gMemberPage.startsWith(QStringLiteral("https://") + EndpointHost(TEndpoint::OcnPayment)));
    QCOMPARE(ResolveAddress(QStringLiteral("http://rinvale.example/")),
             QStringLiteral("http://rinvale.example/"));
    QCOMPARE(ResolveAddress(QStringLiteral("https://elsewhere.example/a?b=c")),
             QStringLiteral("https://elsewhere.example/a?b=c"));
    QCOMPARE(ResolveAddress(QStringLiteral("HTTPS://WWW.RINVALE.EXAMPLE/x")),
             QStringLiteral("http://127.0.0.1:8123/x"));
}

void TestCatalogue::overrideFileProblems()
{
    qputenv("VELMIRA_ENDPOINTS", "/nonexistent/velmira-endpoints");
    ReloadEndpointOverrides(); // reported on standard error, then ignored
    TProviderCatalogue c = initialised();
    c.SelectProviderCourse(0, 0);
    QVERIFY(c.gMemberPage.startsWith(QStringLiteral("http://") + EndpointHost(TEndpoint::ServiceBiglobe) +
                                     QLatin1Char('/')));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
