#include "app/NaviSettings.h"
#include "app/SettingsStore.h"
#include "ui/StartButton.h"
#include "ui/uniStart.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

namespace {
// The seventeen two-state buttons in the order the page refreshes them.
const QStringList TwoStateNames = {
    QStringLiteral("radAll"),     QStringLiteral("radSelect"),  QStringLiteral("chk_hb"),
    QStringLiteral("chk_hz"),     QStringLiteral("chk_dkis"),   QStringLiteral("chk_ekyu"),
    QStringLiteral("chk_fket"),   QStringLiteral("chk_fket5"),  QStringLiteral("chk_gsyu"),
    QStringLiteral("chk_nd"),     QStringLiteral("chk_jb"),     QStringLiteral("chk_mb"),
    QStringLiteral("chk_ib"),     QStringLiteral("chk_kd"),     QStringLiteral("chk_lb"),
    QStringLiteral("radNewData"), QStringLiteral("radOldData"),
};

QStringList toggleNames()
{
    return TwoStateNames.mid(2, DataKindCount);
}

TStartButtons buttonsWith(bool selectMode, const QStringList& downKinds)
{
    TStartButtons states{};
    states[0] = !selectMode;
    states[1] = selectMode;
    for (const QString& code : downKinds)
        states[size_t(2 + DataKindIndex(code))] = true;
    return states;
}
} // namespace

class TestStart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void designTimeState();
    void firstStart();
    void captions_data();
    void captions();
    void groupBoxTitles();
    void pageLayout();
    void toggleGrid_data();
    void toggleGrid();
    void tabOrder_data();
    void tabOrder();

    void pairsAreExclusive_data();
    void pairsAreExclusive();
    void togglesAreIndependent();
    void modeAndFormatRule_data();
    void modeAndFormatRule();
    void oldFormatReleasesFiveGenerationsOnly();
    void newFormatEnablesButLeavesUp();
    void oldFormatInAllModeKeepsDisabled();
    void modeSwitchKeepsSelection();
    void selectionSurvivesRestart();
    void undoReleasesEveryToggle();
    void restoredOldFormatKeepsFiveGenerationsDown();
    void formatHandlersWriteSetting();

    void downStatesRoundTrip_data();
    void downStatesRoundTrip();
    void modePairSetInStoredOrder_data();
    void modePairSetInStoredOrder();
    void settingStatesRunsNoHandler();
    void anyKindDown_data();
    void anyKindDown();

    void hoverFadesInAndOut();
    void disabledButtonShowsNoHover();
    void refreshClearsHoverOfUpButtons_data();
    void refreshClearsHoverOfUpButtons();

private:
    QPushButton* button(const QString& name) const;
    TStartButton* startButton(const QString& name) const;
    void startUp(const TStartButtons& states, bool newData);
    void click(const QString& name);
    void chooseOldFormat();
    bool webStyle() const;

    TNaviSettings settings;
    std::unique_ptr<TfraStart> page;
};

void TestStart::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    settings = TNaviSettings{};
    page = std::make_unique<TfraStart>(settings);
    for (const QString& name : TwoStateNames + QStringList{QStringLiteral("btnUndo")})
        QVERIFY2(page->findChild<QPushButton*>(name), qPrintable(name));
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    // A pointer left where an earlier test put it would produce no enter event on the new page.
    QTest::mouseMove(page.get(), QPoint(2, page->height() - 2));
}

void TestStart::cleanup()
{
    page.reset();
}

QPushButton* TestStart::button(const QString& name) const
{
    return page->findChild<QPushButton*>(name);
}

TStartButton* TestStart::startButton(const QString& name) const
{
    return qobject_cast<TStartButton*>(button(name));
}

// What the main window does after loading the settings.
void TestStart::startUp(const TStartButtons& states, bool newData)
{
    settings.gNewData = newData;
    page->SetDownStates(states);
    page->SetFormatButtons(newData);
    page->radSelectClick();
    page->RefreshStartButtons();
}

void TestStart::click(const QString& name)
{
    QTest::mouseClick(button(name), Qt::LeftButton);
}

// The main window binds the old-format button to its own handler, which calls the page's.
void TestStart::chooseOldFormat()
{
    click(QStringLiteral("radOldData"));
    page->radOldDataClick();
}

bool TestStart::webStyle() const
{
    const QVariant value = page->btnUndo->property("webStyle");
    return value.isValid() && value.toBool();
}

void TestStart::designTimeState()
{
    QVERIFY(page->radAll->isChecked());
    QVERIFY(!page->radSelect->isChecked());
    QVERIFY(page->radNewData->isChecked());
    QVERIFY(!page->radOldData->isChecked());
    for (const QString& name : toggleNames()) {
        QVERIFY2(!button(name)->isChecked(), qPrintable(name));
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));
    }
    QVERIFY(!page->btnUndo->isEnabled());
    QVERIFY(webStyle());
    QVERIFY(settings.gNewData);
}

void TestStart::firstStart()
{
    startUp(DefaultStartButtons(), true);
    QVERIFY(page->radAll->isChecked());
    QVERIFY(!page->radSelect->isChecked());
    QVERIFY(page->radNewData->isChecked());
    QVERIFY(!page->radOldData->isChecked());
    for (const QString& name : toggleNames()) {
        QVERIFY2(!button(name)->isChecked(), qPrintable(name));
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));
    }
    QVERIFY(!page->btnUndo->isEnabled());
    QVERIFY(!webStyle());
    QVERIFY(!page->AnyKindDown());
    QCOMPARE(page->DownStates(), DefaultStartButtons());
}

void TestStart::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("styleClass");
    QTest::addColumn<bool>("twoState");

    const auto row = [](const char* name, const char* caption, const char* styleClass, bool twoState) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption)
                            << QString::fromLatin1(styleClass) << twoState;
    };
    row("radAll", "最新データをすべてダウンロードする", "modeButton", true);
    row("radSelect", "データ種別を選択してダウンロードする", "modeButton", true);
    row("chk_hb", "出馬表+競走馬", "kindToggle", true);
    row("chk_hz", "出馬表+競走馬(日曜重賞付)", "kindToggle", true);
    row("chk_dkis", "騎手", "kindToggle", true);
    row("chk_ekyu", "厩舎(調教師)", "kindToggle", true);
    row("chk_fket", "3代血統図", "kindToggle", true);
    row("chk_fket5", "5代血統図", "kindToggle", true);
    row("chk_gsyu", "種牡馬", "kindToggle", true);
    row("chk_nd", "特別登録出走予定馬", "kindToggle", true);
    row("chk_jb", "予想オッズ", "kindToggle", true);
    row("chk_mb", "コメント(出馬用)", "kindToggle", true);
    row("chk_ib", "成績+競走馬", "kindToggle", true);
    row("chk_kd", "確定オッズ", "kindToggle", true);
    row("chk_lb", "コメント(成績用)", "kindToggle", true);
    row("radNewData", "新データ(RV3形式)", "formatButton", true);
    row("radOldData", "旧データ(RV2形式)", "formatButton", true);
    row("btnUndo", "すべてオフの状態に戻す", "linkButton", false);
}

void TestStart::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, styleClass);
    QFETCH(bool, twoState);

    const QPushButton* b = button(name);
    QCOMPARE(b->text(), caption);
    QCOMPARE(b->accessibleName(), caption);
    QCOMPARE(b->property("class").toString(), styleClass);
    QCOMPARE(b->isCheckable(), twoState);
    QCOMPARE(b->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    if (twoState)
        QVERIFY(startButton(name));
}

void TestStart::groupBoxTitles()
{
    const QString kindTitle =
        QString::fromUtf8("データ種別（必要なデータのボタンを押した状態にしてください）");
    const QString formatTitle = QString::fromUtf8("データ形式(必要な形式を選択してください)");
    QStringList titles;
    for (const QGroupBox* box : page->findChildren<QGroupBox*>())
        titles << box->title();
    titles.sort();
    QStringList expected = {kindTitle, formatTitle};
    expected.sort();
    QCOMPARE(titles, expected);

    // The toggles and btnUndo stand in the kind box, the format pair in the format box.
    const auto titleOf = [](const QWidget* w) {
        const auto* box = qobject_cast<const QGroupBox*>(w->parentWidget());
        return box ? box->title() : QString();
    };
    for (const QString& name : toggleNames() + QStringList{QStringLiteral("btnUndo")})
        QCOMPARE(titleOf(button(name)), kindTitle);
    QCOMPARE(titleOf(page->radNewData), formatTitle);
    QCOMPARE(titleOf(page->radOldData), formatTitle);
    QCOMPARE(titleOf(page->radAll), QString());
}

void TestStart::pageLayout()
{
    const auto rectIn = [this](const QWidget* w) { return QRect(w->mapTo(page.get(), QPoint()), w->size()); };
    QCOMPARE(page->size(), QSize(834, 596));

    const auto* header = page->findChild<QLabel*>(QStringLiteral("imgHeader"));
    QVERIFY(header);
    QCOMPARE(rectIn(header), QRect(0, 0, 834, 64));

    const QRect all = rectIn(page->radAll);
    const QRect select = rectIn(page->radSelect);
    QCOMPARE(all.size(), QSize(300, 49));
    QCOMPARE(select.size(), QSize(300, 49));
    QCOMPARE(all.top(), select.top());
    QVERIFY(all.right() < select.left());
    QVERIFY(all.top() > rectIn(header).bottom());

    const QRect kindBox = rectIn(page->chk[0]->parentWidget());
    const QRect formatBox = rectIn(page->radNewData->parentWidget());
    QVERIFY(kindBox.top() > all.bottom());
    QVERIFY(formatBox.top() > kindBox.bottom());
    QVERIFY(page->rect().contains(formatBox));

    const QRect newData = rectIn(page->radNewData);
    const QRect oldData = rectIn(page->radOldData);
    QCOMPARE(newData.top(), oldData.top());
    QCOMPARE(newData.size(), oldData.size());
    QVERIFY(newData.right() < oldData.left());
    QVERIFY(formatBox.contains(newData) && formatBox.contains(oldData));

    // Nothing overlaps and everything stays inside its box and the page.
    QList<QPushButton*> all17 = page->findChildren<QPushButton*>();
    for (int i = 0; i < all17.size(); ++i) {
        QVERIFY(page->rect().contains(rectIn(all17[i])));
        QVERIFY(all17[i]->parentWidget()->rect().contains(all17[i]->geometry()));
        for (int j = i + 1; j < all17.size(); ++j)
            QVERIFY2(!rectIn(all17[i]).intersects(rectIn(all17[j])),
                     qPrintable(all17[i]->objectName() + QLatin1Char(' ') + all17[j]->objectName()));
    }
}

void TestStart::toggleGrid_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    const auto row = [](const char* name, int column, int r) {
        QTest::newRow(name) << QString::fromLatin1(name) << column << r;
    };
    row("chk_hb", 1, 1);
    row("chk_hz", 1, 2);
    row("chk_dkis", 1, 3);
    row("chk_ekyu", 1, 4);
    row("chk_gsyu", 1, 5);
    row("chk_fket", 2, 1);
    row("chk_fket5", 2, 2);
    row("chk_nd", 2, 3);
    row("chk_jb", 2, 4);
    row("chk_mb", 2, 5);
    row("chk_ib", 3, 1);
    row("chk_kd", 3, 2);
    row("chk_lb", 3, 3);
    row("btnUndo", 3, 5);
}

void TestStart::toggleGrid()
{
    QFETCH(QString, name);
    QFETCH(int, column);
    QFETCH(int, row);

    // The first row of each column fixes the column's left edge and the grid's top.
    const QStringList columnHeads = {QStringLiteral("chk_hb"), QStringLiteral("chk_fket"),
                                     QStringLiteral("chk_ib")};
    const QWidget* head = button(columnHeads.at(column - 1));
    const QWidget* b = button(name);
    QCOMPARE(b->parentWidget(), head->parentWidget());
    QCOMPARE(b->size(), QSize(177, 30));
    QCOMPARE(b->x(), head->x());
    QCOMPARE(b->y(), head->y() + (row - 1) * 57);

    // The three columns stand left to right, apart, and share their rows.
    for (int c = 1; c < 3; ++c) {
        const QWidget* left = button(columnHeads.at(c - 1));
        const QWidget* right = button(columnHeads.at(c));
        QVERIFY(left->geometry().right() < right->x());
        QCOMPARE(left->y(), right->y());
    }
}

void TestStart::tabOrder_data()
{
    QTest::addColumn<bool>("selectMode");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("all latest") << false
                                << QStringList{QStringLiteral("radAll"), QStringLiteral("radSelect"),
                                               QStringLiteral("radNewData"), QStringLiteral("radOldData")};
    QStringList select = {QStringLiteral("radAll"), QStringLiteral("radSelect")};
    for (const char* name :
         {"chk_hb", "chk_hz", "chk_dkis", "chk_ekyu", "chk_gsyu", "chk_fket", "chk_fket5", "chk_nd", "chk_jb",
          "chk_mb", "chk_ib", "chk_kd", "chk_lb", "btnUndo", "radNewData", "radOldData"})
        select << QString::fromLatin1(name);
    QTest::newRow("select") << true << select;
}

void TestStart::tabOrder()
{
    QFETCH(bool, selectMode);
    QFETCH(QStringList, order);

    startUp(buttonsWith(selectMode, {}), true);
    page->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(page.get()));
    page->radAll->setFocus(Qt::TabFocusReason);
    QStringList visited = {QApplication::focusWidget()->objectName()};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order);
    // Space presses the focused button as a click would.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(page->radOldData->isChecked());
}

void TestStart::pairsAreExclusive_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("mode") << QStringLiteral("radAll") << QStringLiteral("radSelect");
    QTest::newRow("format") << QStringLiteral("radNewData") << QStringLiteral("radOldData");
}

void TestStart::pairsAreExclusive()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    startUp(DefaultStartButtons(), true);

    click(first); // the down one cannot be released
    QVERIFY(button(first)->isChecked());
    QVERIFY(!button(second)->isChecked());
    click(second);
    QVERIFY(!button(first)->isChecked());
    QVERIFY(button(second)->isChecked());
    click(second);
    QVERIFY(button(second)->isChecked());
    click(first);
    QVERIFY(button(first)->isChecked());
    QVERIFY(!button(second)->isChecked());
}

void TestStart::togglesAreIndependent()
{
    startUp(buttonsWith(true, {}), true);
    for (const QString& name : toggleNames()) {
        const TStartButtons before = page->DownStates();
        click(name);
        TStartButtons expected = before;
        const size_t slot = size_t(TwoStateNames.indexOf(name));
        expected[slot] = true;
        QCOMPARE(page->DownStates(), expected);
    }
    for (const QString& name : toggleNames()) {
        click(name);
        QVERIFY2(!button(name)->isChecked(), qPrintable(name));
    }
    QCOMPARE(page->DownStates(), buttonsWith(true, {}));
}

void TestStart::modeAndFormatRule_data()
{
    QTest::addColumn<bool>("selectMode");
    QTest::addColumn<bool>("newData");
    QTest::addColumn<bool>("othersEnabled");
    QTest::addColumn<bool>("fiveEnabled");

    QTest::newRow("all, new") << false << true << false << false;
    QTest::newRow("all, old") << false << false << false << false;
    QTest::newRow("select, new") << true << true << true << true;
    QTest::newRow("select, old") << true << false << true << false;
}

void TestStart::modeAndFormatRule()
{
    QFETCH(bool, selectMode);
    QFETCH(bool, newData);
    QFETCH(bool, othersEnabled);
    QFETCH(bool, fiveEnabled);

    // Each way round: format first, then mode; and mode first, then format.
    for (int formatFirst = 0; formatFirst < 2; ++formatFirst) {
        startUp(formatFirst ? DefaultStartButtons() : buttonsWith(!selectMode, {}), true);
        const auto chooseFormat = [&] {
            if (newData)
                click(QStringLiteral("radNewData"));
            else
                chooseOldFormat();
        };
        if (formatFirst)
            chooseFormat();
        click(selectMode ? QStringLiteral("radSelect") : QStringLiteral("radAll"));
        if (!formatFirst)
            chooseFormat();

        for (const QString& name : toggleNames()) {
            const bool expected = name == QLatin1String("chk_fket5") ? fiveEnabled : othersEnabled;
            QVERIFY2(button(name)->isEnabled() == expected, qPrintable(name));
        }
        QCOMPARE(page->btnUndo->isEnabled(), selectMode);
        QCOMPARE(webStyle(), selectMode);
        QCOMPARE(settings.gNewData, newData);
    }
}

void TestStart::oldFormatReleasesFiveGenerationsOnly()
{
    startUp(DefaultStartButtons(), true);
    click(QStringLiteral("radSelect"));
    click(QStringLiteral("chk_fket"));
    click(QStringLiteral("chk_fket5"));
    QVERIFY(page->chk[size_t(DataKindIndex(QStringLiteral("fket5")))]->isChecked());

    chooseOldFormat();
    QVERIFY(!button(QStringLiteral("chk_fket5"))->isChecked());
    QVERIFY(!button(QStringLiteral("chk_fket5"))->isEnabled());
    QVERIFY(button(QStringLiteral("chk_fket"))->isChecked());
    QVERIFY(button(QStringLiteral("chk_fket"))->isEnabled());
    QVERIFY(page->radSelect->isChecked());

    click(QStringLiteral("chk_fket5")); // disabled: a click does nothing
    QVERIFY(!button(QStringLiteral("chk_fket5"))->isChecked());
}

void TestStart::newFormatEnablesButLeavesUp()
{
    startUp(buttonsWith(true, {QStringLiteral("fket"), QStringLiteral("fket5")}), true);
    chooseOldFormat();
    click(QStringLiteral("radNewData"));
    QVERIFY(button(QStringLiteral("chk_fket5"))->isEnabled());
    QVERIFY(!button(QStringLiteral("chk_fket5"))->isChecked());
    QVERIFY(button(QStringLiteral("chk_fket"))->isChecked());
    QVERIFY(settings.gNewData);
    click(QStringLiteral("chk_fket5"));
    QVERIFY(button(QStringLiteral("chk_fket5"))->isChecked());
}

void TestStart::oldFormatInAllModeKeepsDisabled()
{
    startUp(DefaultStartButtons(), true);
    chooseOldFormat();
    click(QStringLiteral("radNewData")); // back to new while in all-latest mode: nothing is enabled
    for (const QString& name : toggleNames())
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));
    chooseOldFormat();
    click(QStringLiteral("radSelect"));
    for (const QString& name : toggleNames())
        QVERIFY2(button(name)->isEnabled() == (name != QLatin1String("chk_fket5")), qPrintable(name));
    QVERIFY(page->btnUndo->isEnabled());
}

void TestStart::modeSwitchKeepsSelection()
{
    startUp(DefaultStartButtons(), true);
    click(QStringLiteral("radSelect"));
    for (const char* name : {"chk_hb", "chk_fket5", "chk_kd", "chk_lb"})
        click(QString::fromLatin1(name));
    const TStartButtons chosen = buttonsWith(
        true, {QStringLiteral("hb"), QStringLiteral("fket5"), QStringLiteral("kd"), QStringLiteral("lb")});
    QCOMPARE(page->DownStates(), chosen);

    click(QStringLiteral("radAll"));
    TStartButtons hidden = chosen;
    hidden[0] = true;
    hidden[1] = false;
    QCOMPARE(page->DownStates(), hidden);
    QVERIFY(page->AnyKindDown());
    for (const QString& name : toggleNames())
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));

    click(QStringLiteral("radSelect"));
    QCOMPARE(page->DownStates(), chosen);
    for (const QString& name : toggleNames())
        QVERIFY2(button(name)->isEnabled(), qPrintable(name));
}

void TestStart::selectionSurvivesRestart()
{
    startUp(DefaultStartButtons(), true);
    click(QStringLiteral("radSelect"));
    click(QStringLiteral("chk_nd"));
    click(QStringLiteral("chk_ib"));
    click(QStringLiteral("radAll"));
    const TStartButtons saved = page->DownStates();

    page = std::make_unique<TfraStart>(settings);
    startUp(saved, true);
    QCOMPARE(page->DownStates(), saved);
    QVERIFY(!button(QStringLiteral("chk_nd"))->isEnabled());
    click(QStringLiteral("radSelect"));
    QCOMPARE(page->DownStates(), buttonsWith(true, {QStringLiteral("nd"), QStringLiteral("ib")}));
}

void TestStart::undoReleasesEveryToggle()
{
    QStringList all;
    for (const TDataKind& kind : DataKinds)
        all << kind.code();
    // Old format with 5代血統図 down: the only way to get a disabled toggle that is down.
    startUp(buttonsWith(true, all), false);
    QVERIFY(button(QStringLiteral("chk_fket5"))->isChecked());
    QVERIFY(!button(QStringLiteral("chk_fket5"))->isEnabled());

    click(QStringLiteral("btnUndo"));
    QCOMPARE(page->DownStates(), buttonsWith(true, {}));
    QVERIFY(!page->AnyKindDown());
    QVERIFY(page->radOldData->isChecked());
    QVERIFY(!page->radNewData->isChecked());
    QVERIFY(!settings.gNewData);
    QVERIFY(!button(QStringLiteral("chk_fket5"))->isEnabled());
    QVERIFY(button(QStringLiteral("chk_hb"))->isEnabled());
    QVERIFY(page->btnUndo->isEnabled());
}

void TestStart::restoredOldFormatKeepsFiveGenerationsDown()
{
    for (const bool selectMode : {true, false}) {
        page = std::make_unique<TfraStart>(settings);
        const TStartButtons saved = buttonsWith(selectMode, {QStringLiteral("fket5"), QStringLiteral("jb")});
        startUp(saved, false);
        QCOMPARE(page->DownStates(), saved);
        QVERIFY(page->radOldData->isChecked());
        QVERIFY(!button(QStringLiteral("chk_fket5"))->isEnabled());
        QCOMPARE(button(QStringLiteral("chk_jb"))->isEnabled(), selectMode);
        QVERIFY(page->AnyKindDown());
    }
}

void TestStart::formatHandlersWriteSetting()
{
    startUp(DefaultStartButtons(), true);
    settings.gNewData = false; // the new-format handler must write it, not find it already true
    click(QStringLiteral("radNewData"));
    QVERIFY(settings.gNewData);

    chooseOldFormat();
    QVERIFY(!settings.gNewData);

    // Setting the pair from code runs no handler.
    page->SetFormatButtons(true);
    QVERIFY(page->radNewData->isChecked());
    QVERIFY(!page->radOldData->isChecked());
    QVERIFY(!settings.gNewData);
    page->SetFormatButtons(false);
    QVERIFY(page->radOldData->isChecked());
    QVERIFY(!page->radNewData->isChecked());

    // The page itself leaves the old-format button to the main window.
    settings.gNewData = true;
    click(QStringLiteral("radNewData"));
    click(QStringLiteral("radOldData"));
    QVERIFY(settings.gNewData);
}

void TestStart::downStatesRoundTrip_data()
{
    QTest::addColumn<TStartButtons>("states");
    QStringList all;
    for (const TDataKind& kind : DataKinds)
        all << kind.code();
    QTest::newRow("defaults") << DefaultStartButtons();
    QTest::newRow("select, nothing") << buttonsWith(true, {});
    QTest::newRow("select, three") << buttonsWith(
        true, {QStringLiteral("hb"), QStringLiteral("fket5"), QStringLiteral("lb")});
    QTest::newRow("all, hidden selection")
        << buttonsWith(false, {QStringLiteral("kd"), QStringLiteral("nd")});
    QTest::newRow("select, everything") << buttonsWith(true, all);
    QTest::newRow("all, everything") << buttonsWith(false, all);
}

void TestStart::downStatesRoundTrip()
{
    QFETCH(TStartButtons, states);
    page->SetDownStates(states);
    QCOMPARE(page->DownStates(), states);
    for (int i = 0; i < StartButtonCount; ++i)
        QCOMPARE(button(StartButtonName(i))->isChecked(), states[size_t(i)]);

    // And back to what was there before, from a different state.
    page->SetDownStates(buttonsWith(!states[1], {}));
    page->SetDownStates(states);
    QCOMPARE(page->DownStates(), states);
}

void TestStart::modePairSetInStoredOrder_data()
{
    QTest::addColumn<bool>("selectBefore");
    QTest::addColumn<bool>("allStored");
    QTest::addColumn<bool>("selectStored");
    QTest::addColumn<bool>("selectAfter");

    // The pair always keeps one button down; the later one set down wins.
    QTest::newRow("both down") << false << true << true << true;
    QTest::newRow("both down, from select") << true << true << true << true;
    QTest::newRow("both up, from all") << false << false << false << false;
    QTest::newRow("both up, from select") << true << false << false << true;
}

void TestStart::modePairSetInStoredOrder()
{
    QFETCH(bool, selectBefore);
    QFETCH(bool, allStored);
    QFETCH(bool, selectStored);
    QFETCH(bool, selectAfter);

    page->SetDownStates(buttonsWith(selectBefore, {}));
    TStartButtons stored = buttonsWith(false, {QStringLiteral("mb")});
    stored[0] = allStored;
    stored[1] = selectStored;
    page->SetDownStates(stored);
    QCOMPARE(page->radSelect->isChecked(), selectAfter);
    QCOMPARE(page->radAll->isChecked(), !selectAfter);
    QVERIFY(button(QStringLiteral("chk_mb"))->isChecked());
}

void TestStart::settingStatesRunsNoHandler()
{
    settings.gNewData = true;
    page->SetDownStates(buttonsWith(true, {QStringLiteral("fket5")}));
    page->SetFormatButtons(false);
    // Neither the mode rule nor the format handlers ran.
    for (const QString& name : toggleNames())
        QVERIFY2(!button(name)->isEnabled(), qPrintable(name));
    QVERIFY(!page->btnUndo->isEnabled());
    QVERIFY(button(QStringLiteral("chk_fket5"))->isChecked());
    QVERIFY(settings.gNewData);
}

void TestStart::anyKindDown_data()
{
    QTest::addColumn<TStartButtons>("states");
    QTest::addColumn<bool>("expected");
    QTest::newRow("none, select") << buttonsWith(true, {}) << false;
    QTest::newRow("none, all") << buttonsWith(false, {}) << false;
    for (const TDataKind& kind : DataKinds)
        QTest::addRow("only %s", kind.Code) << buttonsWith(true, {kind.code()}) << true;
    QTest::newRow("hidden in all mode") << buttonsWith(false, {QStringLiteral("gsyu")}) << true;
}

void TestStart::anyKindDown()
{
    QFETCH(TStartButtons, states);
    QFETCH(bool, expected);
    page->SetDownStates(states);
    QCOMPARE(page->AnyKindDown(), expected);
}

void TestStart::hoverFadesInAndOut()
{
    startUp(buttonsWith(true, {}), true);

    // Slowed down, so the state half-way can be looked at.
    TStartButton* slow = startButton(QStringLiteral("chk_kd"));
    slow->setFadeDuration(60000);
    QTest::mouseMove(slow);
    QVERIFY(slow->underMouse());
    QVERIFY(slow->isFading());
    QVERIFY(slow->hoverLevel() < 0.5);

    // At its own pace the fade takes its full time, then holds.
    TStartButton* b = startButton(QStringLiteral("chk_ib"));
    QCOMPARE(b->fadeDuration(), TStartButton::DefaultFadeDuration);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseMove(b);
    QVERIFY(!slow->underMouse());
    QVERIFY(b->isFading());
    QTRY_COMPARE_WITH_TIMEOUT(b->hoverLevel(), qreal(1), 5000);
    QVERIFY(clock.elapsed() >= TStartButton::DefaultFadeDuration * 9 / 10);
    QVERIFY(!b->isFading());

    clock.restart();
    QTest::mouseMove(page.get(), QPoint(2, page->height() - 2));
    QVERIFY(!b->underMouse());
    QVERIFY(b->isFading());
    QVERIFY(b->hoverLevel() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(b->hoverLevel(), qreal(0), 5000);
    QVERIFY(clock.elapsed() >= TStartButton::DefaultFadeDuration * 9 / 10);
    QVERIFY(!b->isFading());
}

void TestStart::disabledButtonShowsNoHover()
{
    startUp(DefaultStartButtons(), true);
    TStartButton* b = startButton(QStringLiteral("chk_hb"));
    QTest::mouseMove(b);
    QVERIFY(b->underMouse());
    QVERIFY(!b->isFading());
    QTest::qWait(TStartButton::DefaultFadeDuration / 2);
    QCOMPARE(b->hoverLevel(), qreal(0));

    // Disabled while highlighted: the highlight goes at once.
    click(QStringLiteral("radSelect"));
    TStartButton* kd = startButton(QStringLiteral("chk_kd"));
    QTest::mouseMove(kd);
    QTRY_VERIFY(kd->hoverLevel() > 0);
    page->radAll->click();
    QVERIFY(!kd->isEnabled());
    QCOMPARE(kd->hoverLevel(), qreal(0));
    QVERIFY(!kd->isFading());
}

void TestStart::refreshClearsHoverOfUpButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("selectMode");
    QTest::addColumn<bool>("pressFirst");
    QTest::addColumn<bool>("cleared");

    QTest::newRow("radAll down") << QStringLiteral("radAll") << false << false << false;
    QTest::newRow("radSelect up") << QStringLiteral("radSelect") << false << false << true;
    QTest::newRow("radSelect down") << QStringLiteral("radSelect") << true << false << false;
    QTest::newRow("radAll up") << QStringLiteral("radAll") << true << false << true;
    QTest::newRow("chk_hb up") << QStringLiteral("chk_hb") << true << false << true;
    QTest::newRow("chk_hb down") << QStringLiteral("chk_hb") << true << true << false;
    QTest::newRow("chk_lb up") << QStringLiteral("chk_lb") << true << false << true;
    QTest::newRow("chk_fket5 down") << QStringLiteral("chk_fket5") << true << true << false;
    QTest::newRow("radNewData down") << QStringLiteral("radNewData") << false << false << false;
    QTest::newRow("radOldData up") << QStringLiteral("radOldData") << false << false << true;
}

void TestStart::refreshClearsHoverOfUpButtons()
{
    QFETCH(QString, name);
    QFETCH(bool, selectMode);
    QFETCH(bool, pressFirst);
    QFETCH(bool, cleared);

    startUp(buttonsWith(selectMode, {}), true);
    TStartButton* b = startButton(name);
    if (pressFirst)
        b->click();
    QCOMPARE(b->isChecked(), !cleared);
    b->setFadeDuration(60000); // still fading when the refresh comes

    QTest::mouseMove(b);
    QVERIFY(b->underMouse());
    QTRY_VERIFY(b->hoverLevel() > 0);
    QVERIFY(b->isFading());

    page->RefreshStartButtons();
    if (cleared) {
        QVERIFY(!b->underMouse());
        QVERIFY(!b->isFading());
        QCOMPARE(b->hoverLevel(), qreal(0));
        QTest::qWait(50); // nothing brings it back by itself
        QCOMPARE(b->hoverLevel(), qreal(0));
    } else {
        const qreal before = b->hoverLevel();
        QVERIFY(b->underMouse());
        QVERIFY(b->isFading());
        QTRY_VERIFY(b->hoverLevel() > before);
    }
    QCOMPARE(b->isChecked(), !cleared);
}

QTEST_MAIN(TestStart)
#include "tst_start.moc"
