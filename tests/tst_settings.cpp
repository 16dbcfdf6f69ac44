#include "app/NaviSettings.h"
#include "app/SettingsStore.h"
#include "util/Messages.h"
#include "util/TextCipher.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QSize kScreen(1920, 1080);
const QSize kWindow(834, 695);

struct Loaded
{
    TNaviSettings settings;
    TWindowPlacement window;
    TStartButtons buttons{};
};

Loaded load(QSettings& store)
{
    Loaded l;
    l.settings.gDataDir = QStringLiteral("/home/member/Documents/My VelmData/");
    LoadSettings(store, l.settings, l.window, l.buttons, kScreen, kWindow);
    return l;
}
} // namespace

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void emptyStoreGivesDefaults();
    void roundTripStoresEveryValueAsText();
    void readingRules_data();
    void readingRules();
    void startGroupNeedsItsFullStop();
    void startButtonsSetInOrder();
    void workingPaths();
    void workFolderFailureIsReported();

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QSettings> store;
};

void TestSettings::init()
{
    dir = std::make_unique<QTemporaryDir>();
    store = std::make_unique<QSettings>(dir->filePath(QStringLiteral("Velmira.ini")), QSettings::IniFormat);
}

void TestSettings::emptyStoreGivesDefaults()
{
    const Loaded l = load(*store);
    QCOMPARE(l.settings.gProvider, -1);
    QCOMPARE(l.settings.gCourse, -1);
    QVERIFY(l.settings.gUserName.isEmpty());
    QVERIFY(l.settings.gPass.isEmpty());
    QVERIFY(l.settings.gBitCash.isEmpty());
    for (int k = 0; k < DataKindCount; ++k)
        QCOMPARE(l.settings.Dir(k), l.settings.gDataDir);
    QCOMPARE(l.settings.gNewData, true);
    QCOMPARE(l.settings.gOverwrite, true);
    QCOMPARE(l.settings.gDateSeigen, 0);
    QCOMPARE(l.buttons, DefaultStartButtons());
    QCOMPARE(l.buttons[0], true);
    QCOMPARE(l.window.Top, 1080 / 2 - 695 / 2);
    QCOMPARE(l.window.Left, 1920 / 2 - 834 / 2);
    QVERIFY(store->allKeys().isEmpty()); // reading writes nothing
}

void TestSettings::roundTripStoresEveryValueAsText()
{
    TNaviSettings s;
    s.gDataDir = QStringLiteral("/data/");
    s.gProvider = 5;
    s.gCourse = 2;
    s.gUserName = QStringLiteral("member01");
    s.gPass = QStringLiteral("p@ss, word");
    s.gBitCash = QStringLiteral("あいうえ;かきくけ;さしすせ;たちつて");
    for (int k = 0; k < DataKindCount; ++k)
        s.Dir(k) = QStringLiteral("/data/kind %1/").arg(k);
    s.gNewData = false;
    s.gOverwrite = false;
    s.gDateSeigen = 2;
    TStartButtons buttons{};
    buttons[1] = true;
    buttons[2] = buttons[14] = true;
    QVERIFY(SaveSettings(*store, s, TWindowPlacement{12, -30, 740}, buttons));

    QSettings raw(store->fileName(), QSettings::IniFormat);
    const QStringList groups = raw.childGroups();
    QCOMPARE(QSet<QString>(groups.begin(), groups.end()),
             (QSet<QString>{QStringLiteral("frmVelmira"), QStringLiteral("frmOption"),
                            QStringLiteral("fraStart1.")}));
    const std::pair<const char*, int> counts[] = {{"frmVelmira", 3}, {"frmOption", 21}, {"fraStart1.", 15}};
    for (const auto& [group, count] : counts) {
        raw.beginGroup(QLatin1String(group));
        QCOMPARE(raw.childKeys().size(), count);
        for (const QString& key : raw.childKeys())
            QCOMPARE(raw.value(key).typeId(), int(QMetaType::QString));
        raw.endGroup();
    }
    QCOMPARE(raw.value(QStringLiteral("frmVelmira/Height")).toString(), QStringLiteral("740"));
    QCOMPARE(raw.value(QStringLiteral("frmOption/gProvider")).toString(), QStringLiteral("5"));
    QCOMPARE(raw.value(QStringLiteral("frmOption/gNewData")).toString(), QStringLiteral("0"));
    QCOMPARE(raw.value(QStringLiteral("fraStart1./radSelect")).toString(), QStringLiteral("1"));
    QCOMPARE(raw.value(QStringLiteral("fraStart1./chk_hz")).toString(), QStringLiteral("0"));
    const QString storedPass = raw.value(QStringLiteral("frmOption/gPass")).toString();
    QCOMPARE(storedPass, EncryptText(s.gPass, 1));
    QCOMPARE(raw.value(QStringLiteral("frmOption/gBitCash")).toString(), EncryptText(s.gBitCash, 1));
    QFile file(store->fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(!text.contains("p@ss"));
    QVERIFY(!text.contains(s.gBitCash.toUtf8()));

    QSettings reread(store->fileName(), QSettings::IniFormat);
    Loaded l;
    l.settings.gDataDir = QStringLiteral("/elsewhere/");
    LoadSettings(reread, l.settings, l.window, l.buttons, kScreen, kWindow);
    QCOMPARE(l.window.Top, 12);
    QCOMPARE(l.window.Left, -30);
    QCOMPARE(l.settings.gProvider, 5);
    QCOMPARE(l.settings.gCourse, 2);
    QCOMPARE(l.settings.gUserName, s.gUserName);
    QCOMPARE(l.settings.gPass, s.gPass);
    QCOMPARE(l.settings.gBitCash, s.gBitCash);
    for (int k = 0; k < DataKindCount; ++k)
        QCOMPARE(l.settings.Dir(k), s.Dir(k));
    QCOMPARE(l.settings.gNewData, false);
    QCOMPARE(l.settings.gOverwrite, false);
    QCOMPARE(l.settings.gDateSeigen, 2);
    QCOMPARE(l.buttons, buttons);

    // empty secrets pass through the cipher and come back empty
    s.gPass.clear();
    s.gBitCash.clear();
    QVERIFY(SaveSettings(*store, s, TWindowPlacement{}, buttons));
    QCOMPARE(store->value(QStringLiteral("frmOption/gPass")).toString(), QString());
    QVERIFY(load(*store).settings.gPass.isEmpty());
}

// What a stored text reads as, one value at a time, everything else missing.
void TestSettings::readingRules_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* key, QVariant stored, const char* field,
                        const char* expected) {
        QTest::newRow(name) << QString::fromLatin1(key) << stored << QString::fromLatin1(field)
                            << QString::fromUtf8(expected);
    };
    row("course not a number", "frmOption/gCourse", QStringLiteral("abc"), "gCourse", "-1");
    row("course number", "frmOption/gCourse", QStringLiteral("1"), "gCourse", "1");
    row("course above 2", "frmOption/gCourse", QStringLiteral("3"), "gCourse", "-1");
    row("provider above 7", "frmOption/gProvider", QStringLiteral("8"), "gProvider", "-1");
    row("provider below -1", "frmOption/gProvider", QStringLiteral("-5"), "gProvider", "-1");
    row("provider with spaces", "frmOption/gProvider", QStringLiteral(" 7 "), "gProvider", "7");
    row("new data 2", "frmOption/gNewData", QStringLiteral("2"), "gNewData", "1");
    row("new data empty", "frmOption/gNewData", QString(), "gNewData", "1");
    row("new data 0", "frmOption/gNewData", QStringLiteral("0"), "gNewData", "0");
    row("new data text", "frmOption/gNewData", QStringLiteral("yes"), "gNewData", "1");
    row("overwrite 0", "frmOption/gOverwrite", QStringLiteral("0"), "gOverwrite", "0");
    row("overwrite -1", "frmOption/gOverwrite", QStringLiteral("-1"), "gOverwrite", "1");
    row("date limit empty", "frmOption/gDateSeigen", QString(), "gDateSeigen", "0");
    row("date limit 1", "frmOption/gDateSeigen", QStringLiteral("1"), "gDateSeigen", "1");
    row("date limit 9", "frmOption/gDateSeigen", QStringLiteral("9"), "gDateSeigen", "0");
    row("folder empty stays empty", "frmOption/gDir_hb", QString(), "gDir_hb", "");
    row("folder as list is not text", "frmOption/gDir_kd",
        QStringList{QStringLiteral("a"), QStringLiteral("b")}, "gDir_kd",
        "/home/member/Documents/My VelmData/");
    row("user name", "frmOption/gUserName", QStringLiteral("ユーザー"), "gUserName", "ユーザー");
    row("password garbage", "frmOption/gPass", QStringLiteral("%%"), "gPass", "");
    row("top not a number", "frmVelmira/Top", QStringLiteral("x"), "Top", "193");
    row("left stored", "frmVelmira/Left", QStringLiteral("-20"), "Left", "-20");
    row("radAll 0", "fraStart1./radAll", QStringLiteral("0"), "radAll", "0");
    row("chk_lb 5", "fraStart1./chk_lb", QStringLiteral("5"), "chk_lb", "1");
    row("chk_hb junk", "fraStart1./chk_hb", QStringLiteral("junk"), "chk_hb", "0");
}

void TestSettings::readingRules()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    store->setValue(key, stored);
    store->sync();
    QSettings reread(store->fileName(), QSettings::IniFormat);
    const Loaded l = load(reread);
    const TNaviSettings& s = l.settings;
    const QMap<QString, QString> fields = {
        {QStringLiteral("gCourse"), QString::number(s.gCourse)},
        {QStringLiteral("gProvider"), QString::number(s.gProvider)},
        {QStringLiteral("gNewData"), QString::number(s.gNewData)},
        {QStringLiteral("gOverwrite"), QString::number(s.gOverwrite)},
        {QStringLiteral("gDateSeigen"), QString::number(s.gDateSeigen)},
        {QStringLiteral("gDir_hb"), s.gDir_hb},
        {QStringLiteral("gDir_kd"), s.gDir_kd},
        {QStringLiteral("gUserName"), s.gUserName},
        {QStringLiteral("gPass"), s.gPass.isEmpty() ? QString() : QStringLiteral("?")},
        {QStringLiteral("Top"), QString::number(l.window.Top)},
        {QStringLiteral("Left"), QString::number(l.window.Left)},
        {QStringLiteral("radAll"), QString::number(l.buttons[0])},
        {QStringLiteral("chk_hb"), QString::number(l.buttons[2])},
        {QStringLiteral("chk_lb"), QString::number(l.buttons[14])},
    };
    QVERIFY(fields.contains(field));
    if (field == QLatin1String("gPass")) // garbage deciphers to some text, never to an error
        QCOMPARE(fields[field].isEmpty(), expected.isEmpty());
    else
        QCOMPARE(fields[field], expected);
}

void TestSettings::startGroupNeedsItsFullStop()
{
    store->setValue(QStringLiteral("fraStart1/radAll"), QStringLiteral("0"));
    store->setValue(QStringLiteral("fraStart1/radSelect"), QStringLiteral("1"));
    store->setValue(QStringLiteral("fraStart1/chk_kd"), QStringLiteral("1"));
    store->sync();
    QCOMPARE(load(*store).buttons, DefaultStartButtons());

    store->setValue(QStringLiteral("fraStart1./chk_kd"), QStringLiteral("1"));
    QCOMPARE(load(*store).buttons[size_t(2 + DataKindIndex(QStringLiteral("kd")))], true);
}

void TestSettings::startButtonsSetInOrder()
{
    QStringList names;
    for (int i = 0; i < StartButtonCount; ++i)
        names << StartButtonName(i);
    QCOMPARE(
        names.join(QLatin1Char(',')),
        QStringLiteral("radAll,radSelect,chk_hb,chk_hz,chk_dkis,chk_ekyu,chk_fket,chk_fket5,chk_gsyu,chk_nd,"
                       "chk_jb,chk_mb,chk_ib,chk_kd,chk_lb"));
}

void TestSettings::workingPaths()
{
    QTemporaryDir home;
    const QString docs = home.filePath(QStringLiteral("Docs"));
    QVERIFY(QDir().mkpath(docs));
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("config"))));
    QFile dirs(home.filePath(QStringLiteral("config/user-dirs.dirs")));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + docs.toUtf8() + "/\"\n"); // ends in a separator
    dirs.close();
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("share")).toUtf8());

    TNaviSettings s;
    ComputeWorkingPaths(s, QStringLiteral("/opt/velmira"));
    QCOMPARE(s.gAppDir, QStringLiteral("/opt/velmira/"));
    QCOMPARE(s.gDataDir, docs + QStringLiteral("/My VelmData/"));
    QCOMPARE(s.gWorkDir, home.filePath(QStringLiteral("share")) + QStringLiteral("/Velmira 2/"));
    QVERIFY(!QFileInfo::exists(s.gWorkDir));
    QVERIFY(EnsureWorkDir(s));
    QVERIFY(QFileInfo(s.gWorkDir).isDir());
    QVERIFY(!QFileInfo::exists(s.gDataDir)); // the data root is made only when a file is saved
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

void TestSettings::workFolderFailureIsReported()
{
    QFile blocker(dir->filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QStringList errors;
    SetMessageHandler([&](TMessageKind kind, const QString& message) {
        if (kind == TMessageKind::Error)
            errors << message;
    });
    TNaviSettings s;
    s.gWorkDir = dir->filePath(QStringLiteral("file/Velmira 2/"));
    QVERIFY(!EnsureWorkDir(s));
    SetMessageHandler({});
    QCOMPARE(errors, QStringList{QStringLiteral("データフォルダの作成に失敗しました。")});
    QCOMPARE(s.gWorkDir, dir->filePath(QStringLiteral("file/Velmira 2/"))); // the path stays as computed
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
