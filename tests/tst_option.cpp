#include "app/NaviSettings.h"
#include "app/VelmiraApplication.h"
#include "login/ProviderCatalogue.h"
#include "ui/uniOption.h"
#include "util/AnsiText.h"
#include "util/uniDivide.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <type_traits>

namespace {
const QString kHiraganaId = QStringLiteral("あいうえ;かきくけ;さしすせ;たちつて");

const QString kMesDesign = QStringLiteral(
    "上記で選択した月額コースのログインに使用しているプロバイダのユーザーID・パスワードをご入力ください。");
const QString kMesUser = QStringLiteral(
    "上記で選択した月額コースのログインに使用しているユーザーID・パスワードをご入力ください。");
const QString kMesNone =
    QStringLiteral("WebMoney、OCN の場合はユーザーID・パスワードの設定は必要ありません。");
const QString kMesBitCash = QStringLiteral("BitCashのひらがなIDを各行4文字ずつ計16文字ご入力ください。");
const QString kMesWallet = QStringLiteral("上記で選択した月額コースのログインに使用しているYahoo! JAPAN "
                                          "ID・パスワードをご入力ください。(あらかじめYahoo!"
                                          "ウォレット決済でメンバー登録しておく必要があります)");
const QString kMesCredit = QStringLiteral("ログインに使用しているユーザーID・パスワードをご入力ください。");

TNaviSettings stored(int provider = -1, int course = -1)
{
    TNaviSettings s;
    s.gDataDir = QStringLiteral("/home/member/Documents/My VelmData/");
    s.gProvider = provider;
    s.gCourse = course;
    s.gUserName = QStringLiteral("member01");
    s.gPass = QStringLiteral("secret");
    s.gBitCash = kHiraganaId;
    for (int i = 0; i < DataKindCount; ++i)
        s.Dir(i) = QStringLiteral("/data/velm/") + DataKinds[size_t(i)].code();
    s.gOverwrite = true;
    s.gDateSeigen = 0;
    return s;
}

// Every field that differs, by name.
QStringList differences(const TNaviSettings& a, const TNaviSettings& b)
{
    QStringList names;
    auto check = [&names](bool same, const char* name) {
        if (!same)
            names << QLatin1String(name);
    };
    check(a.gAppDir == b.gAppDir, "gAppDir");
    check(a.gWorkDir == b.gWorkDir, "gWorkDir");
    check(a.gDataDir == b.gDataDir, "gDataDir");
    check(a.gProvider == b.gProvider, "gProvider");
    check(a.gCourse == b.gCourse, "gCourse");
    check(a.gUserName == b.gUserName, "gUserName");
    check(a.gPass == b.gPass, "gPass");
    check(a.gBitCash == b.gBitCash, "gBitCash");
    for (int i = 0; i < DataKindCount; ++i)
        check(a.Dir(i) == b.Dir(i), DataKinds[size_t(i)].Code);
    check(a.gNewData == b.gNewData, "gNewData");
    check(a.gOverwrite == b.gOverwrite, "gOverwrite");
    check(a.gDateSeigen == b.gDateSeigen, "gDateSeigen");
    return names;
}

QStringList currentEntries(const TProviderCatalogue& c)
{
    return {c.gLoginPage, c.gMemberPage, c.gIdField, c.gPassField, c.gDownloadUser, c.gDownloadPass};
}

// The dialog's controls, found by object name as the main window's code and a screen reader see them.
struct TUi
{
    explicit TUi(const QWidget& dialog)
    {
        auto get = [&](auto*& field, const QString& name) {
            field = dialog.findChild<std::remove_reference_t<decltype(*field)>*>(name);
            if (!field)
                missing << name;
        };
        get(pnlMenu, QStringLiteral("pnlMenu"));
        for (int i = 0; i < 3; ++i) {
            get(btnPnl[size_t(i)], QStringLiteral("btnPnl%1").arg(i + 1));
            get(pnl[size_t(i)], QStringLiteral("pnl%1").arg(i + 1));
        }
        get(cmbProvider, QStringLiteral("cmbProvider"));
        get(cmbCourse, QStringLiteral("cmbCourse"));
        get(lblMes2, QStringLiteral("lblMes2"));
        get(lblID, QStringLiteral("lblID"));
        get(lblPass, QStringLiteral("lblPass"));
        get(txtUserName, QStringLiteral("txtUserName"));
        get(txtPass, QStringLiteral("txtPass"));
        for (int i = 0; i < 4; ++i) {
            get(lblBit[size_t(i)], QStringLiteral("lblBit%1").arg(i + 1));
            get(bit[size_t(i)], QStringLiteral("bit%1").arg(i + 1));
        }
        get(lblMes, QStringLiteral("lblMes"));
        for (int i = 0; i < DataKindCount; ++i)
            get(dir[size_t(i)], QStringLiteral("dir_") + DataKinds[size_t(i)].code());
        get(btnSame, QStringLiteral("btnSame"));
        get(radDateAll, QStringLiteral("radDateAll"));
        get(radDateThisMonth, QStringLiteral("radDateThisMonth"));
        get(radDateLastMonth, QStringLiteral("radDateLastMonth"));
        get(chkOverwrite, QStringLiteral("chkOverwrite"));
        get(btnOK, QStringLiteral("btnOK"));
        get(btnCancel, QStringLiteral("btnCancel"));
    }

    QWidget* pnlMenu = nullptr;
    std::array<QPushButton*, 3> btnPnl{};
    std::array<QWidget*, 3> pnl{};
    QComboBox* cmbProvider = nullptr;
    QComboBox* cmbCourse = nullptr;
    QLabel* lblMes2 = nullptr;
    QLabel* lblID = nullptr;
    QLabel* lblPass = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPass = nullptr;
    std::array<QLabel*, 4> lblBit{};
    std::array<QLineEdit*, 4> bit{};
    QLabel* lblMes = nullptr;
    std::array<QLineEdit*, DataKindCount> dir{};
    QPushButton* btnSame = nullptr;
    QRadioButton* radDateAll = nullptr;
    QRadioButton* radDateThisMonth = nullptr;
    QRadioButton* radDateLastMonth = nullptr;
    QCheckBox* chkOverwrite = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QStringList missing;
};

TProviderCatalogue initialised()
{
    TProviderCatalogue catalogue;
    catalogue.InitProviderTables();
    return catalogue;
}

// A dialog opened on its own copy of the settings, shown as the main window shows it.
struct TOpened
{
    explicit TOpened(const TNaviSettings& s)
        : settings(s), catalogue(initialised()), dialog(std::make_unique<TfrmOption>(settings, catalogue)),
          ui(*dialog)
    {
        dialog->show();
    }

    TNaviSettings settings;
    TProviderCatalogue catalogue;
    std::unique_ptr<TfrmOption> dialog;
    TUi ui;

    bool shown(const QWidget* w) const { return w->isVisibleTo(dialog.get()); }
};

#define OPEN(o, s)                                                                                           \
    TOpened o(s);                                                                                            \
    QVERIFY2(o.ui.missing.isEmpty(), qPrintable(QStringLiteral("not found: ") + o.ui.missing.join(u',')))

// The same as picking the entry in the open drop-down list.
void pick(QComboBox* list, int index)
{
    list->setCurrentIndex(index);
}

QString buddyCaption(const QWidget* root, const QWidget* control)
{
    const auto labels = root->findChildren<QLabel*>();
    for (const QLabel* label : labels)
        if (label->buddy() == control)
            return label->text();
    return {};
}

void typeText(QWidget* w, const QString& text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void commitText(QWidget* w, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(w, &event);
}

void pasteText(QWidget* w, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
}
} // namespace

class TestOption : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void frame();
    void captions_data();
    void captions();
    void pageTexts_data();
    void pageTexts();
    void lists();
    void labelsAndNames_data();
    void labelsAndNames();
    void tabOrderFollowsRows();
    void layoutFits_data();
    void layoutFits();

    void openingWithoutProvider_data();
    void openingWithoutProvider();
    void providerLayout_data();
    void providerLayout();
    void bitCashLayoutLeavesEnabledStateAlone();
    void keyboardChoiceRunsRules();
    void courseNeededUnlessCredit();
    void noCredentialProviderKeepsTexts();
    void creditWithoutCourse();

    void bitCashOpening_data();
    void bitCashOpening();
    void bitCashRoundTrip_data();
    void bitCashRoundTrip();
    void bitCashByteLimit_data();
    void bitCashByteLimit();

    void dateLimit_data();
    void dateLimit();
    void overwrite_data();
    void overwrite();
    void sameFolderForAll_data();
    void sameFolderForAll();
    void browseFolder_data();
    void browseFolder();

    void okStoresEverything();
    void okStoresHiddenAndDisabledValues_data();
    void okStoresHiddenAndDisabledValues();
    void okSelectsProviderCourse();
    void enterConfirmsOnlyWhenOkIsEnabled();
    void cancelLeavesRecord_data();
    void cancelLeavesRecord();
    void pageButtons_data();
    void pageButtons();
};

void TestOption::initTestCase()
{
    // The program's font, style and style sheet, so the layout checks see what the member sees.
    ApplyVelmiraLook(*qApp);
}

void TestOption::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void TestOption::frame()
{
    OPEN(o, stored());
    QCOMPARE(o.dialog->windowTitle(), QStringLiteral("Velmira 2 のオプション"));
    QCOMPARE(o.dialog->size(), QSize(584, 493));
    QCOMPARE(o.dialog->minimumSize(), QSize(584, 493));
    QCOMPARE(o.dialog->maximumSize(), QSize(584, 493));
    const Qt::WindowFlags flags = o.dialog->windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(o.ui.btnOK->isDefault());
    QVERIFY(!o.ui.btnCancel->isDefault());

    QCOMPARE(o.ui.pnlMenu->property("class").toString(), QStringLiteral("menuPanel"));
    for (QPushButton* button : o.ui.btnPnl)
        QCOMPARE(button->property("class").toString(), QStringLiteral("pageButton"));
    // The three pages stand in one place.
    QCOMPARE(o.ui.pnl[1]->geometry(), o.ui.pnl[0]->geometry());
    QCOMPARE(o.ui.pnl[2]->geometry(), o.ui.pnl[0]->geometry());
}

void TestOption::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    auto row = [](const char* name, const QString& caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << caption;
    };
    row("btnPnl1", QStringLiteral("ユーザー設定"));
    row("btnPnl2", QStringLiteral("格納フォルダ"));
    row("btnPnl3", QStringLiteral("ファイル詳細"));
    row("btnOK", QStringLiteral("&OK"));
    row("btnCancel", QStringLiteral("キャンセル(&C)"));
    row("lblMes2", QStringLiteral("※ リンヴェールの場合、コースは自動判別されます。"));
    row("lblID", QStringLiteral("ユーザーID："));
    row("lblPass", QStringLiteral("パスワード："));
    row("lblBit1", QStringLiteral("カード番号1："));
    row("lblBit2", QStringLiteral("カード番号2："));
    row("lblBit3", QStringLiteral("カード番号3："));
    row("lblBit4", QStringLiteral("カード番号4："));
    row("lblMes", kMesDesign);
    row("btnSame", QStringLiteral("以下の指定をすべて同じにする"));
    row("radDateAll", QStringLiteral("すべてダウンロード"));
    row("radDateThisMonth", QStringLiteral("今月分のみ"));
    row("radDateLastMonth", QStringLiteral("先月分のみ"));
    row("chkOverwrite", QStringLiteral("同名ファイルが存在するときは上書きする"));
}

void TestOption::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    OPEN(o, stored());
    QWidget* w = o.dialog->findChild<QWidget*>(name);
    QVERIFY(w);
    if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        QCOMPARE(button->text(), caption);
    else
        QFAIL("neither a label nor a button");
}

void TestOption::pageTexts_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("sectionBars");
    QTest::addColumn<QStringList>("otherTexts");
    QTest::newRow("pnl1") << 0 << QStringLiteral("プロバイダやユーザーIDなどの情報を設定します。")
                          << QStringList{QStringLiteral("プロバイダとコースの設定"),
                                         QStringLiteral("ユーザーIDとパスワードの設定")}
                          << QStringList{QStringLiteral("ご登録中のプロバイダとコースを選択してください。"),
                                         QStringLiteral("プロバイダ："), QStringLiteral("コース：")};
    QTest::newRow("pnl2") << 1 << QStringLiteral("ダウンロードしたファイルを格納するフォルダを設定します。")
                          << QStringList{QStringLiteral("格納フォルダの設定")} << QStringList{};
    QTest::newRow("pnl3") << 2 << QStringLiteral("ダウンロードするファイルの詳細を設定します。")
                          << QStringList{QStringLiteral("日付の制限"), QStringLiteral("同名ファイルの処理")}
                          << QStringList{};
}

void TestOption::pageTexts()
{
    QFETCH(int, page);
    QFETCH(QString, title);
    QFETCH(QStringList, sectionBars);
    QFETCH(QStringList, otherTexts);
    OPEN(o, stored());
    const QWidget* pnl = o.ui.pnl[size_t(page)];

    QList<QLabel*> bars;
    QStringList titles, texts;
    int pictures = 0;
    const auto labels = pnl->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        const QString cls = label->property("class").toString();
        if (cls == QLatin1String("sectionBar"))
            bars << label;
        else if (cls == QLatin1String("pageHeader") && label->text().isEmpty())
            ++pictures;
        else if (cls == QLatin1String("pageHeader"))
            titles << label->text();
        texts << label->text();
    }
    QCOMPARE(pictures, 1);
    QCOMPARE(titles, QStringList{title});

    std::sort(bars.begin(), bars.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList barTitles;
    for (QLabel* bar : bars) {
        barTitles << bar->text();
        QVERIFY2(bar->font().bold(), qPrintable(bar->text()));
    }
    QCOMPARE(barTitles, sectionBars);
    for (const QString& text : otherTexts)
        QVERIFY2(texts.contains(text), qPrintable(text));
}

void TestOption::lists()
{
    OPEN(o, stored());
    const QStringList providers = {QStringLiteral("BIGLOBE"),        QStringLiteral("@nifty"),
                                   QStringLiteral("So-net"),         QStringLiteral("OCN"),
                                   QStringLiteral("WebMoney"),       QStringLiteral("BitCash"),
                                   QStringLiteral("クレジット課金"), QStringLiteral("Yahoo!ウォレット")};
    const QStringList courses = {QStringLiteral("Aコース"), QStringLiteral("Bコース"),
                                 QStringLiteral("Cコース")};
    auto items = [](const QComboBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
        return texts;
    };
    QCOMPARE(items(o.ui.cmbProvider), providers);
    QCOMPARE(items(o.ui.cmbCourse), courses);
    QVERIFY(!o.ui.cmbProvider->isEditable());
    QVERIFY(!o.ui.cmbCourse->isEditable());
    QCOMPARE(o.ui.cmbProvider->currentIndex(), -1);
    QCOMPARE(o.ui.cmbProvider->currentText(), QString());
    QCOMPARE(o.ui.cmbCourse->currentIndex(), -1);
    QCOMPARE(o.ui.txtPass->echoMode(), QLineEdit::Password);
}

void TestOption::labelsAndNames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::newRow("cmbProvider") << QStringLiteral("cmbProvider") << QStringLiteral("プロバイダ：");
    QTest::newRow("cmbCourse") << QStringLiteral("cmbCourse") << QStringLiteral("コース：");
    QTest::newRow("txtUserName") << QStringLiteral("txtUserName") << QStringLiteral("ユーザーID：");
    QTest::newRow("txtPass") << QStringLiteral("txtPass") << QStringLiteral("パスワード：");
    for (int i = 1; i <= 4; ++i)
        QTest::addRow("bit%d", i) << QStringLiteral("bit%1").arg(i)
                                  << QStringLiteral("カード番号%1：").arg(i);
    const QStringList folderCaptions = {
        QStringLiteral("出馬表+競走馬："),
        QStringLiteral("出馬表+競走馬(日曜重賞付)："),
        QStringLiteral("騎手："),
        QStringLiteral("厩舎(調教師)："),
        QStringLiteral("3代血統図："),
        QStringLiteral("5代血統図："),
        QStringLiteral("種牡馬："),
        QStringLiteral("特別登録出走予定馬："),
        QStringLiteral("予想オッズ："),
        QStringLiteral("コメント(出馬用)："),
        QStringLiteral("成績+競走馬："),
        QStringLiteral("確定オッズ："),
        QStringLiteral("コメント(成績用)："),
    };
    const QStringList folderEdits = {
        QStringLiteral("dir_hb"),   QStringLiteral("dir_hz"),   QStringLiteral("dir_dkis"),
        QStringLiteral("dir_ekyu"), QStringLiteral("dir_fket"), QStringLiteral("dir_fket5"),
        QStringLiteral("dir_gsyu"), QStringLiteral("dir_nd"),   QStringLiteral("dir_jb"),
        QStringLiteral("dir_mb"),   QStringLiteral("dir_ib"),   QStringLiteral("dir_kd"),
        QStringLiteral("dir_lb")};
    for (int i = 0; i < folderEdits.size(); ++i)
        QTest::newRow(qPrintable(folderEdits[i])) << folderEdits[i] << folderCaptions[i];
}

void TestOption::labelsAndNames()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    OPEN(o, stored());
    QWidget* w = o.dialog->findChild<QWidget*>(control);
    QVERIFY(w);
    QCOMPARE(buddyCaption(o.dialog.get(), w), caption);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), caption.chopped(1)); // without the "："
}

void TestOption::tabOrderFollowsRows()
{
    OPEN(o, stored());
    QStringList expected = {
        QStringLiteral("btnPnl1"),     QStringLiteral("btnPnl2"),   QStringLiteral("btnPnl3"),
        QStringLiteral("cmbProvider"), QStringLiteral("cmbCourse"), QStringLiteral("txtUserName"),
        QStringLiteral("txtPass"),     QStringLiteral("bit1"),      QStringLiteral("bit2"),
        QStringLiteral("bit3"),        QStringLiteral("bit4")};
    for (int i = 0; i < DataKindCount; ++i) {
        const QString edit = QStringLiteral("dir_") + DataKinds[size_t(i)].code();
        expected << edit << QStringLiteral("browse_") + edit;
        if (i == 0)
            expected << QStringLiteral("btnSame");
    }
    expected << QStringLiteral("radDateAll") << QStringLiteral("radDateThisMonth")
             << QStringLiteral("radDateLastMonth") << QStringLiteral("chkOverwrite")
             << QStringLiteral("btnOK") << QStringLiteral("btnCancel");

    QStringList chain;
    QWidget* start = o.ui.btnPnl[0];
    QWidget* w = start;
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start && chain.size() <= expected.size());
    QCOMPARE(chain, expected);

    // Every control a keyboard reaches has a name for a screen reader.
    for (QWidget* control : o.dialog->findChildren<QWidget*>()) {
        if (!(control->focusPolicy() & Qt::TabFocus))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
    }
}

void TestOption::layoutFits_data()
{
    QTest::addColumn<int>("provider");
    QTest::newRow("none") << -1;
    QTest::newRow("BIGLOBE") << 0;
    QTest::newRow("BitCash") << 5;
    QTest::newRow("クレジット課金") << 6;
    QTest::newRow("Yahoo!ウォレット") << 7;
}

void TestOption::layoutFits()
{
    QFETCH(int, provider);
    OPEN(o, stored(provider, 0));
    const QRect client = o.dialog->rect();
    for (int page = 0; page < 3; ++page) {
        o.ui.btnPnl[size_t(page)]->click();
        const auto widgets = o.dialog->findChildren<QWidget*>();
        for (QWidget* w : widgets) {
            if (!o.shown(w) || w->isWindow())
                continue;
            const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                           : w->objectName();
            // Inside its parent and inside the dialog.
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(name));
            const QRect inDialog(w->mapTo(o.dialog.get(), QPoint(0, 0)), w->size());
            QVERIFY2(client.contains(inDialog), qPrintable(name));

            // Captions are not cut.
            if (auto* label = qobject_cast<QLabel*>(w);
                label && !label->wordWrap() && label->pixmap().isNull() && !label->text().isEmpty()) {
                QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
                QVERIFY2(label->fontMetrics().height() <= label->height(), qPrintable(label->text()));
            }
            if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
                QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
        }
    }

    // Nothing shown overlaps anything else shown beside it, whatever the style sheet made of the sizes.
    for (int page = 0; page < 3; ++page) {
        o.ui.btnPnl[size_t(page)]->click();
        for (QWidget* parent : {static_cast<QWidget*>(o.dialog.get()), o.ui.pnl[size_t(page)]}) {
            QList<QWidget*> shown;
            for (QObject* child : parent->children())
                if (auto* w = qobject_cast<QWidget*>(child); w && o.shown(w))
                    shown << w;
            for (qsizetype i = 0; i < shown.size(); ++i)
                for (qsizetype j = i + 1; j < shown.size(); ++j)
                    QVERIFY2(
                        !shown[i]->geometry().intersects(shown[j]->geometry()),
                        qPrintable(shown[i]->objectName() + QStringLiteral(" / ") + shown[j]->objectName()));
        }
    }
    o.ui.btnPnl[0]->click();

    // Every message the provider rule can show fits its block, which keeps clear of the rows above.
    QLabel* mes = o.ui.lblMes;
    for (const QString& text : {kMesDesign, kMesUser, kMesNone, kMesBitCash, kMesWallet, kMesCredit}) {
        const QRect needed = mes->fontMetrics().boundingRect(QRect(0, 0, mes->contentsRect().width(), 1000),
                                                             Qt::TextWordWrap, text);
        QVERIFY2(needed.height() <= mes->contentsRect().height(), qPrintable(text));
    }
    QVERIFY(mes->height() >= 2 * mes->fontMetrics().lineSpacing());
    for (QWidget* row : {static_cast<QWidget*>(o.ui.txtPass), static_cast<QWidget*>(o.ui.bit[3])})
        if (o.shown(row))
            QVERIFY(row->geometry().bottom() < mes->y());
}

void TestOption::openingWithoutProvider_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<int>("course");
    QTest::newRow("-1/-1") << -1 << -1;
    QTest::newRow("-1 with course B") << -1 << 1;
    QTest::newRow("beyond the list") << 8 << 3;
}

void TestOption::openingWithoutProvider()
{
    QFETCH(int, provider);
    QFETCH(int, course);
    OPEN(o, stored(provider, course));
    QCOMPARE(o.ui.cmbProvider->currentText(), QString());
    QCOMPARE(o.ui.cmbCourse->currentIndex(), course >= 0 && course < 3 ? course : -1);
    // No provider rule ran: the design-time page 1.
    QCOMPARE(o.ui.lblMes->text(), kMesDesign);
    QCOMPARE(o.ui.lblMes->y(), 314);
    QVERIFY(o.shown(o.ui.txtUserName) && o.ui.txtUserName->isEnabled());
    QVERIFY(o.shown(o.ui.txtPass) && o.ui.txtPass->isEnabled());
    QVERIFY(o.shown(o.ui.lblID) && o.shown(o.ui.lblPass));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!o.shown(o.ui.bit[size_t(i)]));
        QVERIFY(!o.shown(o.ui.lblBit[size_t(i)]));
    }
    QVERIFY(!o.shown(o.ui.lblMes2));
    QVERIFY(o.ui.cmbCourse->isEnabled());
    QVERIFY(!o.ui.btnOK->isEnabled());
    QCOMPARE(o.ui.txtUserName->text(), QStringLiteral("member01"));
    QCOMPARE(o.ui.txtPass->text(), QStringLiteral("secret"));
    // Only page 1 is up.
    QVERIFY(o.ui.pnl[0]->isVisible());
    QVERIFY(!o.ui.pnl[1]->isVisible());
    QVERIFY(!o.ui.pnl[2]->isVisible());
    QVERIFY(o.ui.btnPnl[0]->isChecked());
}

void TestOption::providerLayout_data()
{
    QTest::addColumn<int>("provider");
    QTest::addColumn<bool>("userRows");
    QTest::addColumn<bool>("userEnabled");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("note");
    QTest::addColumn<bool>("okWithoutCourse");
    QTest::newRow("BIGLOBE") << 0 << true << true << kMesUser << 291 << false << false;
    QTest::newRow("@nifty") << 1 << true << true << kMesUser << 291 << false << false;
    QTest::newRow("So-net") << 2 << true << true << kMesUser << 291 << false << false;
    QTest::newRow("OCN") << 3 << true << false << kMesNone << 291 << false << false;
    QTest::newRow("WebMoney") << 4 << true << false << kMesNone << 291 << false << false;
    QTest::newRow("BitCash") << 5 << false << true << kMesBitCash << 340 << false << false;
    QTest::newRow("クレジット課金") << 6 << true << true << kMesCredit << 291 << true << true;
    QTest::newRow("Yahoo!ウォレット") << 7 << true << true << kMesWallet << 291 << false << false;
}

void TestOption::providerLayout()
{
    QFETCH(int, provider);
    QFETCH(bool, userRows);
    QFETCH(bool, userEnabled);
    QFETCH(QString, message);
    QFETCH(int, top);
    QFETCH(bool, note);
    QFETCH(bool, okWithoutCourse);

    auto verifyLayout = [&](const TOpened& o) {
        QCOMPARE(o.ui.cmbProvider->currentIndex(), provider);
        for (QWidget* w : {static_cast<QWidget*>(o.ui.lblID), static_cast<QWidget*>(o.ui.lblPass),
                           static_cast<QWidget*>(o.ui.txtUserName), static_cast<QWidget*>(o.ui.txtPass)})
            QCOMPARE(o.shown(w), userRows);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(o.shown(o.ui.lblBit[size_t(i)]), !userRows);
            QCOMPARE(o.shown(o.ui.bit[size_t(i)]), !userRows);
        }
        QCOMPARE(o.ui.txtUserName->isEnabled(), userEnabled);
        QCOMPARE(o.ui.txtPass->isEnabled(), userEnabled);
        QCOMPARE(o.ui.lblMes->text(), message);
        QCOMPARE(o.ui.lblMes->mapTo(o.ui.pnl[0], QPoint(0, 0)).y(), top);
        QCOMPARE(o.shown(o.ui.lblMes2), note);
        QVERIFY(o.ui.cmbCourse->isEnabled());
        QCOMPARE(o.ui.btnOK->isEnabled(), okWithoutCourse);
        // The message stands below the last input row shown, close to it.
        QWidget* last = userRows ? static_cast<QWidget*>(o.ui.txtPass) : o.ui.bit[3];
        const int gap = o.ui.lblMes->y() - (last->geometry().bottom() + 1);
        QVERIFY2(gap >= 0 && gap <= 4, qPrintable(QString::number(gap)));
    };

    {
        // Opening with the stored provider runs the rule.
        OPEN(o, stored(provider, -1));
        verifyLayout(o);
        if (QTest::currentTestFailed())
            return;
        pick(o.ui.cmbCourse, 2);
        QVERIFY(o.ui.btnOK->isEnabled());
    }
    {
        // Choosing it in the list runs the same rule.
        OPEN(o, stored(-1, -1));
        pick(o.ui.cmbProvider, provider);
        verifyLayout(o);
        if (QTest::currentTestFailed())
            return;
        pick(o.ui.cmbCourse, 0);
        QVERIFY(o.ui.btnOK->isEnabled());
    }
}

void TestOption::bitCashLayoutLeavesEnabledStateAlone()
{
    OPEN(o, stored(0, 0));
    pick(o.ui.cmbProvider, 3); // OCN needs no credentials
    QVERIFY(!o.ui.txtUserName->isEnabled());
    pick(o.ui.cmbProvider, 5); // BitCash hides the boxes and leaves them as they are
    QVERIFY(!o.ui.txtUserName->isEnabled());
    QVERIFY(!o.ui.txtPass->isEnabled());
    QVERIFY(!o.shown(o.ui.txtUserName));
    pick(o.ui.cmbProvider, 7);
    QVERIFY(o.ui.txtUserName->isEnabled());
    QVERIFY(o.ui.txtPass->isEnabled());
    QVERIFY(o.shown(o.ui.txtUserName));
    QVERIFY(!o.shown(o.ui.bit[0]));
    QCOMPARE(o.ui.lblMes->y(), 291);
}

void TestOption::keyboardChoiceRunsRules()
{
    OPEN(o, stored(-1, -1));
    QTest::keyClick(o.ui.cmbProvider, Qt::Key_Down);
    QCOMPARE(o.ui.cmbProvider->currentText(), QStringLiteral("BIGLOBE"));
    QCOMPARE(o.ui.lblMes->text(), kMesUser);
    QCOMPARE(o.ui.lblMes->y(), 291);
    QVERIFY(!o.ui.btnOK->isEnabled());
    QTest::keyClick(o.ui.cmbCourse, Qt::Key_Down);
    QCOMPARE(o.ui.cmbCourse->currentText(), QStringLiteral("Aコース"));
    QVERIFY(o.ui.btnOK->isEnabled());
}

void TestOption::courseNeededUnlessCredit()
{
    OPEN(o, stored(-1, -1));
    pick(o.ui.cmbProvider, 0);
    QVERIFY(!o.ui.btnOK->isEnabled());
    pick(o.ui.cmbProvider, 6);
    QVERIFY(o.ui.btnOK->isEnabled());
    pick(o.ui.cmbProvider, 2); // leaving クレジット課金 without a course takes OK away again
    QVERIFY(!o.ui.btnOK->isEnabled());
    QVERIFY(!o.shown(o.ui.lblMes2));
    pick(o.ui.cmbCourse, 1);
    QVERIFY(o.ui.btnOK->isEnabled());
    pick(o.ui.cmbProvider, 6);
    QVERIFY(o.ui.btnOK->isEnabled());
}

void TestOption::noCredentialProviderKeepsTexts()
{
    OPEN(o, stored(0, 1));
    QTest::keyClicks(o.ui.txtUserName, QStringLiteral("x"));
    pick(o.ui.cmbProvider, 3);
    QVERIFY(!o.ui.txtUserName->isEnabled());
    QVERIFY(!o.ui.txtPass->isEnabled());
    QCOMPARE(o.ui.txtUserName->text(), QStringLiteral("member01x"));
    QCOMPARE(o.ui.txtPass->text(), QStringLiteral("secret"));
    QVERIFY(o.ui.btnOK->isEnabled());
    o.ui.btnOK->click();
    QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(o.settings.gProvider, 3);
    QCOMPARE(o.settings.gCourse, 1);
    QCOMPARE(o.settings.gUserName, QStringLiteral("member01x"));
    QCOMPARE(o.settings.gPass, QStringLiteral("secret"));
}

void TestOption::creditWithoutCourse()
{
    OPEN(o, stored(-1, -1));
    o.catalogue.SelectProviderCourse(1, 0);
    const QStringList before = currentEntries(o.catalogue);
    pick(o.ui.cmbProvider, 6);
    QVERIFY(o.shown(o.ui.lblMes2));
    QVERIFY(o.ui.btnOK->isEnabled());
    o.ui.btnOK->click();
    QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!o.dialog->isVisible());
    QCOMPARE(o.settings.gProvider, 6);
    QCOMPARE(o.settings.gCourse, -1);
    // Selecting with a course of -1 changes nothing in the catalogue.
    QCOMPARE(currentEntries(o.catalogue), before);
}

void TestOption::bitCashOpening_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("boxes");
    const QStringList empty = {QString(), QString(), QString(), QString()};
    QTest::newRow("four groups") << kHiraganaId
                                 << QStringList{QStringLiteral("あいうえ"), QStringLiteral("かきくけ"),
                                                QStringLiteral("さしすせ"), QStringLiteral("たちつて")};
    QTest::newRow("empty text") << QString() << empty;
    QTest::newRow("three parts") << QStringLiteral("あいうえ;かきくけ;さしすせ") << empty;
    QTest::newRow("five parts") << kHiraganaId + QStringLiteral(";なにぬね") << empty;
    QTest::newRow("no separator") << QStringLiteral("あいうえかきくけ") << empty;
    QTest::newRow("separators only") << QStringLiteral(";;;") << empty;
    QTest::newRow("empty parts kept in place")
        << QStringLiteral(";かきくけ;;たちつて")
        << QStringList{QString(), QStringLiteral("かきくけ"), QString(), QStringLiteral("たちつて")};
    // The limit is for typing; a stored value is shown as it is.
    QTest::newRow("long stored part") << QStringLiteral("あいうえお;か;き;く")
                                      << QStringList{QStringLiteral("あいうえお"), QStringLiteral("か"),
                                                     QStringLiteral("き"), QStringLiteral("く")};
}

void TestOption::bitCashOpening()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, boxes);
    TNaviSettings s = ::stored(5, 0);
    s.gBitCash = stored;
    OPEN(o, s);
    QStringList shown;
    for (QLineEdit* box : o.ui.bit) {
        shown << box->text();
        QVERIFY(o.shown(box));
    }
    QCOMPARE(shown, boxes);
    QVERIFY(!o.shown(o.ui.txtUserName));
    QVERIFY(!o.shown(o.ui.lblPass));
    QCOMPARE(o.ui.lblMes->y(), 340);
}

void TestOption::bitCashRoundTrip_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("stored");
    QTest::newRow("all empty") << QStringList{QString(), QString(), QString(), QString()}
                               << QStringLiteral(";;;");
    QTest::newRow("four groups") << QStringList{QStringLiteral("あいうえ"), QStringLiteral("かきくけ"),
                                                QStringLiteral("さしすせ"), QStringLiteral("たちつて")}
                                 << kHiraganaId;
    QTest::newRow("first and last") << QStringList{QStringLiteral("あ"), QString(), QString(),
                                                   QStringLiteral("い")}
                                    << QStringLiteral("あ;;;い");
}

void TestOption::bitCashRoundTrip()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, stored);
    TNaviSettings s = ::stored(5, 2);
    s.gBitCash = QString();
    {
        OPEN(o, s);
        for (int i = 0; i < 4; ++i)
            typeText(o.ui.bit[size_t(i)], boxes[i]);
        o.ui.btnOK->click();
        QCOMPARE(o.settings.gBitCash, stored);
        QCOMPARE(TDivide(ToAnsi(o.settings.gBitCash), ';').Count(), 4);
        s = o.settings;
    }
    OPEN(again, s);
    QStringList shown;
    for (QLineEdit* box : again.ui.bit)
        shown << box->text();
    QCOMPARE(shown, boxes);
    again.ui.btnOK->click();
    QCOMPARE(again.settings.gBitCash, stored);
}

void TestOption::bitCashByteLimit_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("after");
    auto row = [](const char* name, const char* how, const QString& before, int cursor, const QString& input,
                  const QString& after) {
        QTest::newRow(name) << QString::fromLatin1(how) << before << cursor << input << after;
    };
    const QString kana = QStringLiteral("あいうえ");
    row("typed hiragana", "type", {}, 0, QStringLiteral("あいうえおか"), kana);
    row("typed ASCII", "type", {}, 0, QStringLiteral("abcdefghij"), QStringLiteral("abcdefgh"));
    row("typed half-width katakana", "type", {}, 0, QStringLiteral("ｱｲｳｴｵｶｷｸｹｺ"), QStringLiteral("ｱｲｳｴｵｶｷｸ"));
    row("pasted hiragana", "paste", {}, 0, QStringLiteral("あいうえおかきく"), kana);
    row("pasted ASCII", "paste", {}, 0, QStringLiteral("0123456789"), QStringLiteral("01234567"));
    row("pasted odd byte count", "paste", {}, 0, QStringLiteral("aあいうえ"), QStringLiteral("aあいう"));
    row("pasted after text", "paste", QStringLiteral("あい"), 2, QStringLiteral("うえおか"), kana);
    row("pasted in the middle", "paste", QStringLiteral("あえ"), 1, QStringLiteral("いうおか"), kana);
    row("committed by the input method", "commit", {}, 0, QStringLiteral("さしすせそ"),
        QStringLiteral("さしすせ"));
    row("typed into a full box", "type", kana, 0, QStringLiteral("か"), kana);
    row("fits exactly", "paste", {}, 0, QStringLiteral("abcあいd"), QStringLiteral("abcあいd"));
}

void TestOption::bitCashByteLimit()
{
    QFETCH(QString, how);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, input);
    QFETCH(QString, after);
    OPEN(o, stored(5, 0));
    QLineEdit* box = o.ui.bit[1];
    box->setText(before);
    box->setCursorPosition(cursor);
    if (how == QLatin1String("type"))
        typeText(box, input);
    else if (how == QLatin1String("paste"))
        pasteText(box, input);
    else
        commitText(box, input);
    QCOMPARE(box->text(), after);
    QVERIFY(ToAnsi(box->text()).size() <= 8);
    o.ui.btnOK->click();
    const QStringList parts = o.settings.gBitCash.split(u';');
    QCOMPARE(parts.size(), 4);
    QCOMPARE(parts[1], after);
}

void TestOption::dateLimit_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("click");
    QTest::addColumn<int>("result");
    QTest::newRow("0") << 0 << QStringLiteral("radDateAll") << QString() << 0;
    QTest::newRow("1") << 1 << QStringLiteral("radDateThisMonth") << QString() << 1;
    QTest::newRow("2") << 2 << QStringLiteral("radDateLastMonth") << QString() << 2;
    QTest::newRow("7") << 7 << QStringLiteral("radDateAll") << QString() << 0;
    QTest::newRow("-1") << -1 << QStringLiteral("radDateAll") << QString() << 0;
    QTest::newRow("0 then this month")
        << 0 << QStringLiteral("radDateAll") << QStringLiteral("radDateThisMonth") << 1;
    QTest::newRow("1 then last month")
        << 1 << QStringLiteral("radDateThisMonth") << QStringLiteral("radDateLastMonth") << 2;
    QTest::newRow("2 then all") << 2 << QStringLiteral("radDateLastMonth") << QStringLiteral("radDateAll")
                                << 0;
}

void TestOption::dateLimit()
{
    QFETCH(int, stored);
    QFETCH(QString, chosen);
    QFETCH(QString, click);
    QFETCH(int, result);
    TNaviSettings s = ::stored(0, 0);
    s.gDateSeigen = stored;
    OPEN(o, s);
    for (QRadioButton* choice : {o.ui.radDateAll, o.ui.radDateThisMonth, o.ui.radDateLastMonth})
        QCOMPARE(choice->isChecked(), choice->objectName() == chosen);
    if (!click.isEmpty()) {
        o.ui.btnPnl[2]->click();
        QTest::mouseClick(o.dialog->findChild<QRadioButton*>(click), Qt::LeftButton);
    }
    o.ui.btnOK->click();
    QCOMPARE(o.settings.gDateSeigen, result);
}

void TestOption::overwrite_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("toggle");
    QTest::newRow("on") << true << false;
    QTest::newRow("off") << false << false;
    QTest::newRow("on, turned off") << true << true;
    QTest::newRow("off, turned on") << false << true;
}

void TestOption::overwrite()
{
    QFETCH(bool, stored);
    QFETCH(bool, toggle);
    TNaviSettings s = ::stored(0, 0);
    s.gOverwrite = stored;
    OPEN(o, s);
    QCOMPARE(o.ui.chkOverwrite->isChecked(), stored);
    if (toggle) {
        o.ui.btnPnl[2]->click();
        QTest::mouseClick(o.ui.chkOverwrite, Qt::LeftButton);
    }
    o.ui.btnOK->click();
    QCOMPARE(o.settings.gOverwrite, stored != toggle);
}

void TestOption::sameFolderForAll_data()
{
    QTest::addColumn<QString>("first");
    QTest::newRow("empty") << QString();
    QTest::newRow("folder") << QStringLiteral("/srv/レース/data");
}

void TestOption::sameFolderForAll()
{
    QFETCH(QString, first);
    OPEN(o, stored(0, 0));
    const TNaviSettings before = o.settings;
    o.ui.btnPnl[1]->click();
    o.ui.dir[0]->setText(first);
    QTest::mouseClick(o.ui.btnSame, Qt::LeftButton);
    for (QLineEdit* edit : o.ui.dir)
        QCOMPARE(edit->text(), first);
    // Only the edits change; the record waits for OK.
    QCOMPARE(differences(o.settings, before), QStringList());
    QCOMPARE(o.ui.txtUserName->text(), before.gUserName);
    o.ui.btnOK->click();
    for (int i = 0; i < DataKindCount; ++i)
        QCOMPARE(o.settings.Dir(i), first);
}

void TestOption::browseFolder_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("folder chosen") << true;
    QTest::newRow("picker cancelled") << false;
}

void TestOption::browseFolder()
{
    QFETCH(bool, accept);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkdir(QStringLiteral("kd")));
    const QString chosen = QDir(root.path()).filePath(QStringLiteral("kd"));

    OPEN(o, stored(0, 0));
    o.ui.btnPnl[1]->click();
    QLineEdit* edit = o.ui.dir[11]; // dir_kd
    QCOMPARE(edit->objectName(), QStringLiteral("dir_kd"));
    edit->setText(QDir::toNativeSeparators(root.path()));
    auto* browse = o.dialog->findChild<QToolButton*>(QStringLiteral("browse_dir_kd"));
    QVERIFY(browse);

    QString startFolder;
    bool pickerSeen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!picker)
            return;
        poll.stop();
        pickerSeen = true;
        startFolder = picker->directory().absolutePath();
        if (accept) {
            picker->setDirectory(chosen);
            QMetaObject::invokeMethod(picker, "accept");
        } else {
            picker->reject();
        }
    });
    poll.start(20);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    QTest::mouseClick(browse, Qt::LeftButton);
    poll.stop();

    QVERIFY(pickerSeen);
    QCOMPARE(QDir(startFolder), QDir(root.path()));
    QCOMPARE(QDir(edit->text()), QDir(accept ? chosen : root.path()));
    o.ui.btnOK->click();
    QCOMPARE(o.settings.gDir_kd, edit->text());
}

void TestOption::okStoresEverything()
{
    OPEN(o, stored(0, 0));
    pick(o.ui.cmbProvider, 2);
    pick(o.ui.cmbCourse, 2);
    o.ui.txtUserName->setText(QStringLiteral("so-net-user"));
    o.ui.txtPass->setText(QStringLiteral("pa;ss"));
    for (int i = 0; i < DataKindCount; ++i)
        o.ui.dir[size_t(i)]->setText(QStringLiteral("/folders/%1").arg(i));
    o.ui.radDateLastMonth->setChecked(true);
    o.ui.chkOverwrite->setChecked(false);
    const TNaviSettings before = o.settings;

    o.ui.btnOK->click();
    QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
    QVERIFY(!o.dialog->isVisible());
    QCOMPARE(o.settings.gProvider, 2);
    QCOMPARE(o.settings.gCourse, 2);
    QCOMPARE(o.settings.gUserName, QStringLiteral("so-net-user"));
    QCOMPARE(o.settings.gPass, QStringLiteral("pa;ss"));
    QCOMPARE(o.settings.gBitCash, kHiraganaId);
    for (int i = 0; i < DataKindCount; ++i)
        QCOMPARE(o.settings.Dir(i), QStringLiteral("/folders/%1").arg(i));
    QCOMPARE(o.settings.gDateSeigen, 2);
    QCOMPARE(o.settings.gOverwrite, false);
    // Not the dialog's to change.
    QCOMPARE(o.settings.gNewData, before.gNewData);
    QCOMPARE(o.settings.gDataDir, before.gDataDir);
}

void TestOption::okStoresHiddenAndDisabledValues_data()
{
    QTest::addColumn<int>("provider");
    QTest::newRow("BitCash: ID and password hidden") << 5;
    QTest::newRow("BIGLOBE: BitCash boxes hidden") << 0;
    QTest::newRow("WebMoney: ID and password disabled") << 4;
}

void TestOption::okStoresHiddenAndDisabledValues()
{
    QFETCH(int, provider);
    OPEN(o, stored(provider, 1));
    o.ui.btnOK->click();
    QCOMPARE(o.settings.gUserName, QStringLiteral("member01"));
    QCOMPARE(o.settings.gPass, QStringLiteral("secret"));
    QCOMPARE(o.settings.gBitCash, kHiraganaId);
    QCOMPARE(o.settings.gProvider, provider);
}

void TestOption::okSelectsProviderCourse()
{
    OPEN(o, stored(-1, -1));
    QCOMPARE(currentEntries(o.catalogue), QStringList(6));
    pick(o.ui.cmbProvider, 2);
    pick(o.ui.cmbCourse, 2);
    QCOMPARE(currentEntries(o.catalogue), QStringList(6)); // not before OK
    o.ui.btnOK->click();

    TProviderCatalogue expected = initialised();
    expected.SelectProviderCourse(2, 2);
    QVERIFY(!expected.gLoginPage.isEmpty());
    QCOMPARE(currentEntries(o.catalogue), currentEntries(expected));
}

void TestOption::enterConfirmsOnlyWhenOkIsEnabled()
{
    OPEN(o, stored(-1, -1));
    QTest::keyClick(o.ui.txtUserName, Qt::Key_Return);
    QVERIFY(o.dialog->isVisible());
    QCOMPARE(o.settings.gProvider, -1);
    pick(o.ui.cmbProvider, 1);
    pick(o.ui.cmbCourse, 0);
    QTest::keyClick(o.ui.txtUserName, Qt::Key_Return);
    QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(o.settings.gProvider, 1);
    QCOMPARE(o.settings.gCourse, 0);
}

void TestOption::cancelLeavesRecord_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("キャンセル") << false;
    QTest::newRow("Escape") << true;
}

void TestOption::cancelLeavesRecord()
{
    QFETCH(bool, escape);
    TNaviSettings s = stored(0, 0);
    s.gBitCash = QStringLiteral("a;b"); // would come back as ";;;" from OK
    OPEN(o, s);
    o.catalogue.SelectProviderCourse(0, 0);
    const QStringList entries = currentEntries(o.catalogue);

    pick(o.ui.cmbProvider, 5);
    pick(o.ui.cmbCourse, 2);
    o.ui.txtUserName->setText(QStringLiteral("other"));
    o.ui.txtPass->setText(QStringLiteral("other"));
    typeText(o.ui.bit[0], QStringLiteral("なにぬね"));
    o.ui.btnPnl[1]->click();
    o.ui.dir[0]->setText(QString());
    o.ui.btnSame->click();
    o.ui.btnPnl[2]->click();
    o.ui.radDateThisMonth->click();
    o.ui.chkOverwrite->click();

    if (escape)
        QTest::keyClick(o.dialog.get(), Qt::Key_Escape);
    else
        QTest::mouseClick(o.ui.btnCancel, Qt::LeftButton);
    QCOMPARE(o.dialog->result(), int(QDialog::Rejected));
    QVERIFY(!o.dialog->isVisible());
    QCOMPARE(differences(o.settings, s), QStringList());
    QCOMPARE(currentEntries(o.catalogue), entries);
}

void TestOption::pageButtons_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("page");
    QTest::newRow("none") << QList<int>{} << 0;
    QTest::newRow("2") << QList<int>{1} << 1;
    QTest::newRow("3") << QList<int>{2} << 2;
    QTest::newRow("2, 3, 1") << QList<int>{1, 2, 0} << 0;
    QTest::newRow("1 again") << QList<int>{0} << 0;
    QTest::newRow("3 twice") << QList<int>{2, 2} << 2;
}

void TestOption::pageButtons()
{
    QFETCH(QList<int>, clicks);
    QFETCH(int, page);
    OPEN(o, stored(0, 0));
    for (int button : clicks)
        QTest::mouseClick(o.ui.btnPnl[size_t(button)], Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(o.ui.pnl[size_t(i)]->isVisible(), i == page);
        QCOMPARE(o.ui.btnPnl[size_t(i)]->isChecked(), i == page);
    }
}

QTEST_MAIN(TestOption)
#include "tst_option.moc"
