#include "app/NaviSettings.h"
#include "login/Endpoints.h"
#include "login/LoginDriver.h"
#include "login/ProviderCatalogue.h"

#include <QtTest>
#include <functional>

namespace {

class FakePage : public TLoginPage
{
public:
    QStringList navigations;
    int stops = 0;
    bool document = true;
    QList<TInputElement> inputs;
    QMap<int, QString> values;
    QString body;
    int bodyWrites = 0;

    void Navigate(const QString& url) override { navigations << url; }
    void Stop() override { ++stops; }
    bool HasDocument() override { return document; }
    QList<TInputElement> Inputs() override { return inputs; }
    void SetInputValues(const QList<QPair<int, QString>>& v) override
    {
        for (const auto& [index, value] : v)
            values[index] = value;
    }
    QString BodyHtml() override { return body; }
    void SetBodyHtml(const QString& html) override
    {
        body = html;
        ++bodyWrites;
    }
};

class FakeHost : public TLoginHost
{
public:
    QString instruction;
    int aborts = 0;
    int handOvers = 0;
    QStringList questions;
    bool answer = false;
    QStringList opened;
    std::function<void()> duringQuestion;

    void SetInstruction(const QString& text) override { instruction = text; }
    void Abort() override { ++aborts; }
    void HandOver() override { ++handOvers; }
    bool AskYesNo(const QString& message) override
    {
        questions << message;
        if (duringQuestion)
            duringQuestion();
        return answer;
    }
    void OpenInDefaultBrowser(const QString& url) override { opened << url; }
};

struct Login
{
    TNaviSettings settings;
    TProviderCatalogue catalogue;
    FakePage page;
    FakeHost host;
    TLoginDriver driver{settings, catalogue, host};

    Login(int provider, int course)
    {
        settings.gProvider = provider;
        settings.gCourse = course;
        settings.gUserName = QStringLiteral("member");
        settings.gPass = QStringLiteral("secret");
        settings.gBitCash = QStringLiteral("あいうえ;かきくけ;さしすせ;たちつて");
        catalogue.InitProviderTables();
        catalogue.SelectProviderCourse(provider, course);
        driver.SetPage(&page);
        driver.StartLogin();
    }
};

QList<TInputElement> formOf(std::initializer_list<std::pair<const char*, const char*>> fields)
{
    QList<TInputElement> inputs;
    for (const auto& [type, name] : fields)
        inputs.append({QLatin1String(type), QLatin1String(name)});
    return inputs;
}

const QString kNoMembership = QStringLiteral("Yahoo!ウォレット");

QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}
} // namespace

class TestLoginDriver : public QObject
{
    Q_OBJECT
private slots:
    void startAndStop();
    void formFilling_data();
    void formFilling();
    void bitCashParts_data();
    void bitCashParts();
    void framesAndDocumentlessEventsAreIgnored();
    void completion_data();
    void completion();
    void nothingAfterCompletion();
    void bitCashResult_data();
    void bitCashResult();
    void walletIndexRewritten();
    void walletIndexWithoutForm();
    void walletYahooPages();
    void walletNoMembership_data();
    void walletNoMembership();
    void textRoutines_data();
    void textRoutines();
    void loginMarkup();
    void consentMarkup();
};

void TestLoginDriver::startAndStop()
{
    Login l(0, 1);
    QCOMPARE(l.page.navigations, (QStringList{QStringLiteral("about:blank"), l.catalogue.gLoginPage}));
    l.driver.FDone = true;
    l.driver.StopLogin();
    QVERIFY(!l.driver.FDone);
    QCOMPARE(l.page.navigations.last(), QStringLiteral("about:blank"));
    QCOMPARE(l.page.stops, 1);
    // about:blank matches no rule
    l.driver.WebBrowser1DocumentComplete(true, QStringLiteral("about:blank"));
    l.driver.WebBrowser1NavigateComplete2(QStringLiteral("about:blank"));
    QVERIFY(l.host.instruction.isEmpty());
    QCOMPARE(l.host.handOvers, 0);
}

void TestLoginDriver::formFilling_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<QStringList>("expected"); // per input: the value written, "-" for none
    // every form has the same inputs: text BiglobeId, password BiglobePwd, text username,
    // password password, text usr_id, password passwd, text ID, password IDPWD, text (no name),
    // password (no name), text login, hidden BiglobeId
    QTest::newRow("BIGLOBE") << 0 << "ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。"
                             << strings(
                                    {"member", "secret", "-", "-", "-", "-", "-", "-", "-", "-", "-", "-"});
    QTest::newRow("@nifty") << 1 << "@nifty IDとパスワードを入力し、[ログイン]ボタンを押してください。"
                            << strings(
                                   {"-", "-", "member", "secret", "-", "-", "-", "-", "-", "-", "-", "-"});
    QTest::newRow("So-net") << 2 << "ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。"
                            << strings(
                                   {"-", "-", "-", "-", "member", "secret", "-", "-", "-", "-", "-", "-"});
    QTest::newRow("OCN") << 3 << "IDとパスワードを入力し、[確認]ボタンを押してください。"
                         << strings({"-", "-", "-", "-", "-", "-", "member", "secret", "-", "-", "-", "-"});
    // no field names: the inputs without a name receive the values
    QTest::newRow("WebMoney") << 4 << "WebMoneyプリペイド番号入力し、決済を完了してください。"
                              << strings(
                                     {"-", "-", "-", "-", "-", "-", "-", "-", "member", "secret", "-", "-"});
}

void TestLoginDriver::formFilling()
{
    QFETCH(int, provider);
    QFETCH(QString, instruction);
    QFETCH(QStringList, expected);
    Login l(provider, 0);
    l.page.inputs = formOf({{"text", "BiglobeId"},
                            {"password", "BiglobePwd"},
                            {"text", "username"},
                            {"password", "password"},
                            {"text", "usr_id"},
                            {"password", "passwd"},
                            {"text", "ID"},
                            {"password", "IDPWD"},
                            {"text", ""},
                            {"password", ""},
                            {"text", "login"},
                            {"hidden", "BiglobeId"}});
    l.driver.WebBrowser1DocumentComplete(true, l.catalogue.gLoginPage);
    QCOMPARE(l.host.instruction, instruction);
    QStringList written;
    for (int i = 0; i < l.page.inputs.size(); ++i)
        written << l.page.values.value(i, QStringLiteral("-"));
    QCOMPARE(written, expected);

    // an empty stored value is written too, clearing the field
    Login empty(provider, 0);
    empty.settings.gUserName.clear();
    empty.page.inputs = l.page.inputs;
    empty.driver.WebBrowser1DocumentComplete(true, empty.catalogue.gLoginPage);
    QCOMPARE(empty.page.values.size(), l.page.values.size());
    QVERIFY(empty.page.values.values().contains(QString()));
}

void TestLoginDriver::bitCashParts_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("four parts") << "あいうえ;かきくけ;さしすせ;たちつて"
                                << strings({"あいうえ", "かきくけ", "さしすせ", "たちつて"});
    QTest::newRow("three separators, empty parts") << ";;;" << strings({"", "", "", ""});
    QTest::newRow("empty") << "" << strings({"", "", "", ""});
    QTest::newRow("five parts") << "a;b;c;d;e" << strings({"", "", "", ""});
    QTest::newRow("three parts") << "a;b;c" << strings({"", "", "", ""});
}

void TestLoginDriver::bitCashParts()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, parts);
    Login l(5, 2);
    l.settings.gBitCash = stored;
    // the boxes in another order than their names; an input of another type is left alone
    l.page.inputs = formOf({{"text", "CARD_NUMBER3"},
                            {"text", "CARD_NUMBER1"},
                            {"password", ""},
                            {"text", "CARD_NUMBER4"},
                            {"text", "CARD_NUMBER2"},
                            {"text", "other"}});
    l.driver.WebBrowser1DocumentComplete(true, l.catalogue.gLoginPage);
    QCOMPARE(l.host.instruction,
             QStringLiteral("BitCashのひらがなIDを入力し、[ログイン]ボタンを押してください。"));
    QCOMPARE(l.page.values.value(1), parts[0]);
    QCOMPARE(l.page.values.value(4), parts[1]);
    QCOMPARE(l.page.values.value(0), parts[2]);
    QCOMPARE(l.page.values.value(3), parts[3]);
    QVERIFY(l.page.values.contains(2)); // an unnamed password input: BitCash names no password field
    QCOMPARE(l.page.values.value(2), QStringLiteral("secret"));
    QVERIFY(!l.page.values.contains(5));
}

void TestLoginDriver::framesAndDocumentlessEventsAreIgnored()
{
    Login l(0, 0);
    l.page.inputs = formOf({{"text", "BiglobeId"}});
    l.driver.WebBrowser1DocumentComplete(false, l.catalogue.gLoginPage);
    QVERIFY(l.host.instruction.isEmpty());
    QVERIFY(l.page.values.isEmpty());
    l.page.document = false;
    l.driver.WebBrowser1DocumentComplete(true, l.catalogue.gLoginPage);
    QVERIFY(l.host.instruction.isEmpty());
    QVERIFY(l.page.values.isEmpty());
}

void TestLoginDriver::completion_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<QString>("event"); // nav: navigate to the member page; title:<text>
    QTest::addColumn<bool>("completes");
    for (int provider : {0, 2, 3, 4, 5, 7})
        QTest::addRow("member page, provider %d", provider) << provider << "nav" << true;
    QTest::newRow("@nifty member page") << 1 << "nav" << false;
    QTest::newRow("@nifty title") << 1 << "title:リンヴェールOnLine - nifty" << true;
    QTest::newRow("@nifty other title") << 1 << "title:リンヴェールOnLine" << false;
    QTest::newRow("BIGLOBE no-entry, full address") << 0 << "title:noentry-full" << true;
    QTest::newRow("BIGLOBE no-entry, without scheme") << 0 << "title:noentry-bare" << true;
    QTest::newRow("So-net no-entry title") << 2 << "title:noentry-full" << false;
    QTest::newRow("nifty title for BIGLOBE") << 0 << "title:リンヴェールOnLine - nifty" << false;
}

void TestLoginDriver::completion()
{
    QFETCH(int, provider);
    QFETCH(QString, event);
    QFETCH(bool, completes);
    Login l(provider, 1);
    const QString noEntry = TLoginDriver::BiglobeNoEntryPage();
    if (event == QLatin1String("nav")) {
        l.driver.WebBrowser1NavigateComplete2(l.catalogue.gMemberPage);
    } else {
        QString title = event.mid(6);
        if (title == QLatin1String("noentry-full"))
            title = noEntry;
        else if (title == QLatin1String("noentry-bare"))
            title = noEntry.mid(noEntry.indexOf(QLatin1String("://")) + 3);
        l.driver.WebBrowser1TitleChange(title);
    }
    QCOMPARE(l.host.handOvers, completes ? 1 : 0);
    QCOMPARE(l.driver.FDone, completes);
    if (completes) {
        QCOMPARE(l.page.navigations.last(), QStringLiteral("about:blank"));
        QVERIFY(l.page.stops >= 1);
    }
}

void TestLoginDriver::nothingAfterCompletion()
{
    Login l(0, 0);
    l.driver.WebBrowser1NavigateComplete2(l.catalogue.gMemberPage);
    QCOMPARE(l.host.handOvers, 1);
    l.page.inputs = formOf({{"text", "BiglobeId"}});
    l.driver.WebBrowser1NavigateComplete2(l.catalogue.gMemberPage);
    l.driver.WebBrowser1TitleChange(TLoginDriver::BiglobeNoEntryPage());
    l.driver.WebBrowser1DocumentComplete(true, l.catalogue.gLoginPage);
    QCOMPARE(l.host.handOvers, 1);
    QVERIFY(l.page.values.isEmpty());
    QVERIFY(l.host.instruction.isEmpty());
}

void TestLoginDriver::bitCashResult_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("handOvers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("opened");
    QTest::newRow("valid") << "ID は 2027年1月31日まで有効です。" << false << 1 << 0 << 0;
    QTest::newRow("unregistered, yes") << "会員登録が完了しておりません" << true << 0 << 1 << 1;
    QTest::newRow("unregistered, no") << "会員登録が完了しておりません" << false << 0 << 1 << 0;
    QTest::newRow("other page") << "IDが違います" << true << 0 << 0 << 0;
}

void TestLoginDriver::bitCashResult()
{
    QFETCH(QString, body);
    QFETCH(bool, answer);
    QFETCH(int, handOvers);
    QFETCH(int, questions);
    QFETCH(int, opened);
    Login l(5, 0);
    l.page.body = body;
    l.host.answer = answer;
    l.driver.WebBrowser1DocumentComplete(true, TLoginDriver::BitCashResultPage());
    QCOMPARE(l.host.handOvers, handOvers);
    QCOMPARE(l.host.questions.size(), questions);
    if (questions)
        QCOMPARE(l.host.questions[0],
                 QStringLiteral("このIDでまだ会員登録していない場合は、先に会員登録が必要になります。\r\n\r\n"
                                "今すぐ登録ページを開きますか？"));
    QCOMPARE(l.host.opened.size(), opened);
    if (opened)
        QCOMPARE(l.host.opened[0], TLoginDriver::BitCashRegistrationPage());
    QCOMPARE(l.host.aborts, 0); // the login stays open
    // the same page for another provider is nobody's result page
    Login other(0, 0);
    other.page.body = body;
    other.driver.WebBrowser1DocumentComplete(true, TLoginDriver::BitCashResultPage());
    QCOMPARE(other.host.handOvers + other.host.questions.size(), 0);
}

void TestLoginDriver::walletIndexRewritten()
{
    Login l(7, 1); // course B member on the index page of course C
    const QString form = QStringLiteral("<form action=\"http://login/config/login?.src=w\" method=\"get\">"
                                        "<input type=\"submit\" value=\"ログイン\"></form>");
    l.page.body =
        QStringLiteral("<h1>x</h1><form action=\"/buy\"><input type=\"submit\" value=\"購入する\"></form>"
                       "<div>text</div>") +
        form + QStringLiteral("<p>　</p><div>footer</div>");
    l.driver.WebBrowser1DocumentComplete(true, l.driver.WalletIndexPage(2));
    QCOMPARE(l.host.instruction, QStringLiteral("ボタンを押して、ログインページへ進んでください。"));
    QCOMPARE(l.page.bodyWrites, 1);
    QVERIFY(l.page.body.contains(form));
    QVERIFY(!l.page.body.contains(QStringLiteral("action=\"/buy\"")));
    QVERIFY(l.page.body.contains(QStringLiteral("<a href=\"") + l.driver.WalletIndexPage(1) +
                                 QStringLiteral("\" target=\"_blank\">こちら</a>")));
    QVERIFY(l.page.body.contains(QStringLiteral("リンヴェールOnLine　Yahoo!ウォレット決済会員ページ")));
    QVERIFY(l.page.body.startsWith(
        QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"")));
    QVERIFY(l.page.values.isEmpty()); // nothing filled on the index page
    QCOMPARE(WalletIndexReplacement(QString(), QString()).count(QStringLiteral("<tr>")), 3);
}

void TestLoginDriver::walletIndexWithoutForm()
{
    Login l(7, 0);
    l.page.body = QStringLiteral("<div>no forms here</div>");
    l.driver.WebBrowser1DocumentComplete(true, l.driver.WalletIndexPage(0));
    QCOMPARE(l.host.aborts, 1);
    QCOMPARE(l.page.bodyWrites, 0);
}

void TestLoginDriver::walletYahooPages()
{
    Login l(7, 0);
    // the Yahoo! JAPAN login page: adjusted, then filled
    l.page.body =
        QStringLiteral("<input id=\"persistent\" type=\"checkbox\" checked=\"checked\"><a href=\"x\">x</a>");
    l.page.inputs = formOf({{"text", "login"}, {"password", "passwd"}});
    l.driver.WebBrowser1DocumentComplete(true, TLoginDriver::YahooLoginPrefix() +
                                                   QStringLiteral("=wallet&.done=x"));
    QCOMPARE(l.host.instruction,
             QStringLiteral("Yahoo! JAPAN IDとパスワードを入力し、[ログイン]ボタンを押してください。"));
    QVERIFY(l.page.body.contains(QStringLiteral("disabled=\"disabled\"")));
    QVERIFY(!l.page.body.contains(QStringLiteral("checked=\"checked\"")));
    QCOMPARE(l.page.values.value(0), QStringLiteral("member"));
    QCOMPARE(l.page.values.value(1), QStringLiteral("secret"));

    // the consent page
    const QString footer =
        QStringLiteral("<a href=\"%1\">Yahoo! JAPAN</a>&nbsp;-&nbsp;<a href=\"%2\">ヘルプ</a>")
            .arg(TLoginDriver::YahooTopPage(), TLoginDriver::YahooHelpIndex());
    l.page.body = QStringLiteral("<p>注意事項</p>") + footer;
    l.driver.WebBrowser1DocumentComplete(true, TLoginDriver::YahooAuthRoot() + QStringLiteral("consent?x=1"));
    QCOMPARE(l.host.instruction,
             QStringLiteral("「注意事項」を確認した後、[同意する]ボタンを押してください。"));
    QCOMPARE(l.page.body.count(QStringLiteral("target=\"_blank\"")), 2);

    // the top page aborts
    l.driver.WebBrowser1DocumentComplete(true, TLoginDriver::YahooTopPage());
    QCOMPARE(l.host.aborts, 1);

    // another provider's login on the same pages: none of this
    Login other(0, 0);
    other.page.body = footer;
    other.driver.WebBrowser1DocumentComplete(true, TLoginDriver::YahooTopPage());
    other.driver.WebBrowser1DocumentComplete(true, TLoginDriver::YahooAuthRoot() + QStringLiteral("consent"));
    other.driver.WebBrowser1TitleChange(kNoMembership);
    QCOMPARE(other.host.aborts, 0);
    QCOMPARE(other.page.bodyWrites, 0);
    QVERIFY(other.host.questions.isEmpty());
}

void TestLoginDriver::walletNoMembership_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestLoginDriver::walletNoMembership()
{
    QFETCH(bool, answer);
    Login l(7, 2);
    l.host.answer = answer;
    // events arriving while the question is open do nothing
    l.host.duringQuestion = [&l] {
        QVERIFY(l.driver.FDone);
        l.driver.WebBrowser1TitleChange(kNoMembership);
        l.driver.WebBrowser1NavigateComplete2(l.catalogue.gMemberPage);
    };
    l.driver.WebBrowser1TitleChange(kNoMembership);
    QCOMPARE(l.host.questions.size(), 1);
    QCOMPARE(l.host.questions[0],
             QStringLiteral("Yahoo!ウォレット決済で、指定コースのメンバー登録情報がありません。"
                            "先にメンバー登録を行う必要があります。\r\n今すぐ登録ページを開きますか？"));
    QCOMPARE(l.host.handOvers, 0);
    QCOMPARE(l.host.aborts, 1);
    QCOMPARE(l.host.opened, answer ? QStringList{l.driver.WalletIndexPage(2)} : QStringList());
    QCOMPARE(l.page.navigations.last(), QStringLiteral("about:blank"));
}

void TestLoginDriver::textRoutines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("rest");
    QTest::newRow("both") << "ab<form x>f</form><p>z</p>tail"
                          << "<form "
                          << "<p>z</p>"
                          << "<form x>f</form>"
                          << "tail";
    QTest::newRow("no start") << "abc"
                              << "<form "
                              << "<p>"
                              << ""
                              << "abc";
    QTest::newRow("no end") << "ab<form x>f"
                            << "<form "
                            << "<p>"
                            << ""
                            << "<form x>f";
    QTest::newRow("first occurrences") << "<form 1><p><form 2><p>"
                                       << "<form "
                                       << "<p>"
                                       << "<form 1>"
                                       << "<form 2><p>";
    QTest::newRow("case counts") << "<FORM x><p>"
                                 << "<form "
                                 << "<p>"
                                 << ""
                                 << "<FORM x><p>";
}

void TestLoginDriver::textRoutines()
{
    QFETCH(QString, text);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, found);
    QFETCH(QString, rest);
    QString s = text;
    QString f = QStringLiteral("stale");
    ExtractBetween(s, start, end, f);
    QCOMPARE(f, found);
    QCOMPARE(s, rest);

    QString cut = QStringLiteral("a</form>b</form>c");
    QVERIFY(CutAfter(cut, QStringLiteral("</form>")));
    QCOMPARE(cut, QStringLiteral("b</form>c"));
    QString none = QStringLiteral("abc");
    QVERIFY(!CutAfter(none, QStringLiteral("</form>")));
    QCOMPARE(none, QStringLiteral("abc"));
}

void TestLoginDriver::loginMarkup()
{
    const QString page =
        QStringLiteral("<INPUT id=\"persistent\" type=\"checkbox\" checked=\"checked\" value=\"y\">"
                       "<input id=\"persistent\" type=\"checkbox\" checked>"
                       "<a href=\"h1\">a</a> <A href=\"h2\">b</A> <a class=\"c\" href=\"h3\">c</a>");
    const QString adjusted = AdjustedYahooLoginMarkup(page);
    // only the first box, found whatever its case
    QVERIFY(adjusted.startsWith(QStringLiteral(
        "<INPUT id=\"persistent\" disabled=\"disabled\" UNCHECKED type=\"checkbox\" value=\"y\">")));
    QVERIFY(adjusted.contains(QStringLiteral("<input id=\"persistent\" type=\"checkbox\" checked>")));
    // every "<a href", exactly in that case
    QVERIFY(adjusted.contains(QStringLiteral("<a target=\"_blank\" href=\"h1\">")));
    QVERIFY(adjusted.contains(QStringLiteral("<A href=\"h2\">")));
    QVERIFY(adjusted.contains(QStringLiteral("<a class=\"c\" href=\"h3\">")));
    QCOMPARE(AdjustedYahooLoginMarkup(QStringLiteral("<p>nothing</p>")), QStringLiteral("<p>nothing</p>"));
}

void TestLoginDriver::consentMarkup()
{
    const QString top = QStringLiteral("http://top/");
    const QString help = QStringLiteral("http://help/help/jp/");
    const QString footer = QStringLiteral("<A HREF=\"http://top/\">Yahoo! JAPAN</A>&nbsp;-&nbsp;"
                                          "<A HREF=\"http://help/help/jp/\">ヘルプ</A>");
    const QString adjusted = AdjustedYahooConsentMarkup(QStringLiteral("x") + footer + footer, top, help);
    QCOMPARE(adjusted.count(QStringLiteral("target=\"_blank\"")), 2); // the first footer only
    QVERIFY(adjusted.endsWith(footer));
    QCOMPARE(AdjustedYahooConsentMarkup(QStringLiteral("no footer"), top, help), QStringLiteral("no footer"));
}

QTEST_GUILESS_MAIN(TestLoginDriver)
#include "tst_logindriver.moc"
