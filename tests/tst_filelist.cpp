#include "download/FileList.h"
#include "download/SettingsFile.h"
#include "util/AnsiText.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList Lines(std::initializer_list<const char*> utf8)
{
    QStringList lines;
    for (const char* line : utf8)
        lines.append(U(line));
    return lines;
}

// A settings file as the server sends it: Shift_JIS, CR LF after every line.
QByteArray Ini(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += ToAnsi(line) + "\r\n";
    return bytes;
}

QByteArray Ini(std::initializer_list<const char*> utf8)
{
    return Ini(Lines(utf8));
}

const QStringList kSiteData = Lines({
    "[SITE_DATA]",
    "URL=data.example.test/",
    "TYPE=rv3",
    "COURSE_A=ca",
    "COURSE_B=cb",
    "COURSE_C=cc",
});
const QString kBaseB = QStringLiteral("http://data.example.test/rv3/cb/");

const QDate kDecember2009(2009, 12, 15);

TNaviSettings Settings(int course, int dateSeigen = 0)
{
    TNaviSettings settings;
    settings.gCourse = course;
    settings.gDateSeigen = dateSeigen;
    for (int k = 0; k < DataKindCount; ++k)
        settings.Dir(k) = QStringLiteral("/data/") + DataKinds[size_t(k)].code();
    return settings;
}

TListRequest Select(std::initializer_list<const char*> codes)
{
    TListRequest request;
    request.AllLatest = false;
    for (const char* code : codes)
        request.Kinds[size_t(DataKindIndex(QLatin1String(code)))] = true;
    return request;
}

QStringList Names(const QList<TVelm>& files)
{
    QStringList names;
    for (const TVelm& file : files)
        names.append(file.FileName);
    return names;
}
} // namespace

Q_DECLARE_METATYPE(TDateClass)

class TestFileList : public QObject
{
    Q_OBJECT
private slots:
    void sectionLines_data();
    void sectionLines();
    void readString_data();
    void readString();
    void load();

    void splitFileValue_data();
    void splitFileValue();
    void fileLines_data();
    void fileLines();
    void selectCourse_data();
    void selectCourse();
    void typeOffersSection_data();
    void typeOffersSection();

    void dateClass_data();
    void dateClass();
    void dateLimit_data();
    void dateLimit();
    void classify_data();
    void classify();
    void entriesCarryKindAndFolder();

    void selectModeOrderAndRepeats();
    void noCourseNoEntries();
    void readNewFileNames();
    void announcements_data();
    void announcements();

    void isPlainFileName_data();
    void isPlainFileName();
};

void TestFileList::sectionLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("CR LF") << QByteArray("[S]\r\na\r\nb\r\n") << U("S") << true << Lines({"a", "b"});
    QTest::newRow("bare LF and no final break")
        << QByteArray("[S]\na\r\nb") << U("S") << true << Lines({"a", "b"});
    QTest::newRow("only one CR stripped")
        << QByteArray("[S]\r\na\r\r\n") << U("S") << true << QStringList{U("a\r")};
    QTest::newRow("Ctrl-Z line and empty lines skipped")
        << QByteArray("[S]\r\n\r\na\r\n\x1a\r\n\r\nb\r\n\x1a") << U("S") << true << Lines({"a", "b"});
    QTest::newRow("Ctrl-Z inside a line kept")
        << QByteArray("[S]\r\na\x1a\r\n") << U("S") << true << QStringList{FromAnsi("a\x1a")};
    QTest::newRow("lines before the first header ignored")
        << QByteArray("x=1\r\n[S]\r\na\r\n") << U("S") << true << Lines({"a"});
    QTest::newRow("lookup ignores case")
        << QByteArray("[Info]\r\na\r\n") << U("INFO") << true << Lines({"a"});
    QTest::newRow("first occurrence wins")
        << QByteArray("[S]\r\na\r\n[T]\r\nt\r\n[s]\r\nb\r\n[S]\r\nc\r\n") << U("S") << true << Lines({"a"});
    QTest::newRow("section after a repeated one")
        << QByteArray("[S]\r\na\r\n[S]\r\nb\r\n[T]\r\nt\r\n") << U("T") << true << Lines({"t"});
    QTest::newRow("header with trailing space is a line")
        << QByteArray("[S]\r\na\r\n[T] \r\nb\r\n") << U("S") << true << Lines({"a", "[T] ", "b"});
    QTest::newRow("no section for the untrimmed header")
        << QByteArray("[S]\r\n[T] \r\nb\r\n") << U("T") << false << QStringList();
    QTest::newRow("name unchanged between brackets")
        << QByteArray("[ S]\r\na\r\n") << U(" S") << true << Lines({"a"});
    QTest::newRow("lines unchanged") << QByteArray("[S]\r\n  lead\r\n;comment\r\n\"q\" = v \r\n") << U("S")
                                     << true << Lines({"  lead", ";comment", "\"q\" = v "});
    QTest::newRow("Shift_JIS decoded") << Ini({"[INFO]", "<b>お知らせ</b>", "厩舎ソフト"}) << U("INFO")
                                       << true << Lines({"<b>お知らせ</b>", "厩舎ソフト"});
    QTest::newRow("broken lead byte keeps the next line")
        << QByteArray("[S]\r\n\x81\r\nok\r\n") << U("S") << true << QStringList{FromAnsi("\x81"), U("ok")};
    QTest::newRow("empty section exists")
        << QByteArray("[S]\r\n[T]\r\nt\r\n") << U("S") << true << QStringList();
    QTest::newRow("missing section") << QByteArray("[S]\r\na\r\n") << U("X") << false << QStringList();
    QTest::newRow("empty file") << QByteArray() << U("S") << false << QStringList();
}

void TestFileList::sectionLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(bool, exists);
    QFETCH(QStringList, lines);
    const TSettingsFile ini(bytes);
    QCOMPARE(ini.SectionExists(section), exists);
    QCOMPARE(ini.SectionLines(section), lines);
}

void TestFileList::readString_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QByteArray site = Ini({"[SITE_DATA]", "URL = x", "url=data.example.test/", "URL=second", "TYPE=a=b",
                                 "COURSE_A=", "COURSE_B", "名前=値"});
    QTest::newRow("spaces belong to the key")
        << site << U("SITE_DATA") << U("URL") << U("data.example.test/");
    QTest::newRow("key with its space") << site << U("SITE_DATA") << U("URL ") << U(" x");
    QTest::newRow("key and section ignore case")
        << site << U("site_data") << U("Url") << U("data.example.test/");
    QTest::newRow("value after the first =") << site << U("SITE_DATA") << U("TYPE") << U("a=b");
    QTest::newRow("empty value") << site << U("SITE_DATA") << U("COURSE_A") << QString();
    QTest::newRow("line without =") << site << U("SITE_DATA") << U("COURSE_B") << QString();
    QTest::newRow("Shift_JIS key and value") << site << U("SITE_DATA") << U("名前") << U("値");
    QTest::newRow("missing key") << site << U("SITE_DATA") << U("COURSE_C") << QString();
    QTest::newRow("missing section") << site << U("NEW_A") << U("URL") << QString();
    QTest::newRow("not from a repeated section")
        << Ini({"[S]", "a=1", "[S]", "b=2"}) << U("S") << U("b") << QString();
    QTest::newRow("not from lines before a header") << Ini({"k=0", "[S]"}) << U("S") << U("k") << QString();
}

void TestFileList::readString()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString read = TSettingsFile(bytes).ReadString(section, key);
    QCOMPARE(read, value);
}

void TestFileList::load()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("settei.tmp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Ini({"[INFO]", "お知らせ", "[SITE_DATA]", "URL=h/"}));
    file.close();

    TSettingsFile ini;
    QVERIFY(ini.Load(path));
    QCOMPARE(ini.SectionLines(QStringLiteral("INFO")), Lines({"お知らせ"}));
    QCOMPARE(ini.ReadString(QStringLiteral("SITE_DATA"), QStringLiteral("URL")), U("h/"));

    // A failed load leaves nothing of the earlier file.
    QVERIFY(!ini.Load(dir.filePath(QStringLiteral("missing.tmp"))));
    QVERIFY(!ini.SectionExists(QStringLiteral("INFO")));
    QCOMPARE(ini.ReadString(QStringLiteral("SITE_DATA"), QStringLiteral("URL")), QString());
}

void TestFileList::splitFileValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("subFolder");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("name only") << U("rv3_hb091227.ext") << QString() << U("rv3_hb091227.ext");
    QTest::newRow("folder and name") << U("2009/rv3_hb091227.ext") << U("2009/") << U("rv3_hb091227.ext");
    QTest::newRow("third piece ignored") << U("a/b/c") << U("a/") << U("b");
    QTest::newRow("leading slash") << U("/x") << U("/") << U("x");
    QTest::newRow("trailing slash") << U("x/") << U("x/") << QString();
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("Shift_JIS pieces") << U("ソフト/表.ext") << U("ソフト/") << U("表.ext");
}

void TestFileList::splitFileValue()
{
    QFETCH(QString, value);
    QFETCH(QString, subFolder);
    QFETCH(QString, fileName);
    const TFileLineValue split = SplitFileValue(value);
    QCOMPARE(split.SubFolder, subFolder);
    QCOMPARE(split.FileName, fileName);
}

void TestFileList::fileLines_data()
{
    QTest::addColumn<QStringList>("body"); // lines of the hb section after its TYPE
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("urls");

    QTest::newRow("sub-folder enters the address only")
        << Lines({"FILE=2009/rv3_hb091227.ext"}) << Lines({"rv3_hb091227.ext"})
        << QStringList{kBaseB + U("2009/rv3_hb091227.ext")};
    QTest::newRow("plain name") << Lines({"FILE=hb091227.ext"}) << Lines({"hb091227.ext"})
                                << QStringList{kBaseB + U("hb091227.ext")};
    QTest::newRow("two slashes") << Lines({"FILE=a/b/c"}) << Lines({"b"}) << QStringList{kBaseB + U("a/b")};
    QTest::newRow("not FILE lines") << Lines({"FILE =x", "file=x", " FILE=x", "FILEx", ";FILE=x", "FILE"})
                                    << QStringList() << QStringList();
    QTest::newRow("order kept, other lines between")
        << Lines({"FILE=rv3_hb091227.ext", "NOTE=1", "FILE=rv3_hb091226.ext", "", "FILE=x/rv3_hb091220.ext"})
        << Lines({"rv3_hb091227.ext", "rv3_hb091226.ext", "rv3_hb091220.ext"})
        << QStringList{kBaseB + U("rv3_hb091227.ext"), kBaseB + U("rv3_hb091226.ext"),
                       kBaseB + U("x/rv3_hb091220.ext")};
    QTest::newRow("value unchanged") << Lines({"FILE= rv3_hb091227.ext "}) << Lines({" rv3_hb091227.ext "})
                                     << QStringList{kBaseB + U(" rv3_hb091227.ext ")};
}

void TestFileList::fileLines()
{
    QFETCH(QStringList, body);
    QFETCH(QStringList, names);
    QFETCH(QStringList, urls);
    const TSettingsFile ini(Ini(kSiteData + Lines({"[SYUTUBA+KYOUSOUBA]", "TYPE=b"}) + body));
    const TNaviSettings settings = Settings(1);
    TFileListBuilder builder(ini, settings, kDecember2009);
    builder.Build(Select({"hb"}));
    QCOMPARE(Names(builder.FFiles), names);
    QStringList built;
    for (const TVelm& file : builder.FFiles)
        built.append(file.Url);
    QCOMPARE(built, urls);
}

void TestFileList::selectCourse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("course");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("baseUrl");

    const QByteArray ini = Ini(kSiteData);
    QTest::newRow("A") << ini << 0 << true << U("a") << U("http://data.example.test/rv3/ca/");
    QTest::newRow("B") << ini << 1 << true << U("b") << kBaseB;
    QTest::newRow("C") << ini << 2 << true << U("c") << U("http://data.example.test/rv3/cc/");
    QTest::newRow("not set") << ini << -1 << false << QString() << QString();
    QTest::newRow("out of range") << ini << 3 << false << QString() << QString();
    QTest::newRow("nothing inserted between URL and TYPE")
        << Ini({"[site_data]", "url=host", "type=path", "course_b=cb"}) << 1 << true << U("b")
        << U("http://hostpath/cb/");
    QTest::newRow("no SITE_DATA") << QByteArray() << 1 << true << U("b") << U("http:////");
}

void TestFileList::selectCourse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, course);
    QFETCH(bool, selected);
    QFETCH(QString, letter);
    QFETCH(QString, baseUrl);
    const TSettingsFile ini(bytes);
    const TNaviSettings settings = Settings(course);
    TFileListBuilder builder(ini, settings, kDecember2009);
    builder.FCourse = QStringLiteral("x"); // left from an earlier list
    builder.FBaseUrl = QStringLiteral("http://old/");
    QCOMPARE(builder.SelectCourse(course), selected);
    QCOMPARE(builder.FCourse, letter);
    QCOMPARE(builder.FBaseUrl, baseUrl);
}

void TestFileList::typeOffersSection_data()
{
    QTest::addColumn<QStringList>("typeLines"); // of every file section
    QTest::addColumn<int>("course");
    QTest::addColumn<bool>("allLatest");
    QTest::addColumn<bool>("listed");

    const auto rows = [](const char* name, QStringList type, bool a, bool b, bool c) {
        const bool offered[] = {a, b, c};
        for (int course = 0; course < 3; ++course) {
            for (bool allLatest : {true, false}) {
                QTest::addRow("%s, course %c, %s", name, "ABC"[course], allLatest ? "all latest" : "select")
                    << type << course << allLatest << offered[course];
            }
        }
    };
    rows("ABC", Lines({"TYPE=ABC"}), true, true, true);
    rows("Bc", Lines({"TYPE=Bc"}), false, true, true);
    rows("a", Lines({"TYPE=a"}), true, false, false);
    rows("ALL", Lines({"TYPE=ALL"}), true, false, false);
    rows("no TYPE", QStringList(), false, false, false);
    rows("empty TYPE", Lines({"TYPE="}), false, false, false);
    rows("key case ignored", Lines({"type=c"}), false, false, true);
    rows("spaced key is no TYPE", Lines({"TYPE =abc"}), false, false, false);
    rows("first TYPE line counts", Lines({"TYPE=a", "TYPE=bc"}), true, false, false);
}

void TestFileList::typeOffersSection()
{
    QFETCH(QStringList, typeLines);
    QFETCH(int, course);
    QFETCH(bool, allLatest);
    QFETCH(bool, listed);

    // Every section carries the same TYPE, so the mode's section alone decides.
    QStringList lines = kSiteData;
    for (const char* section : {"NEW_A", "NEW_B", "NEW_C", "SYUTUBA+KYOUSOUBA"}) {
        lines << U("[%1]").arg(U(section));
        lines << typeLines << U("FILE=rv3_hb091227.ext");
    }
    const TSettingsFile ini(Ini(lines));
    const TNaviSettings settings = Settings(course);
    TFileListBuilder builder(ini, settings, kDecember2009);
    TListRequest request = Select({"hb"});
    request.AllLatest = allLatest;
    builder.Build(request);
    QCOMPARE(builder.FFiles.size(), listed ? 1 : 0);
}

void TestFileList::dateClass_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("name");
    QTest::addColumn<TDateClass>("dateClass");

    const QDate jan2010(2010, 1, 10);
    QTest::newRow("Dec: this month") << kDecember2009 << U("rv3_hb091227.ext") << dcCurrent;
    QTest::newRow("Dec: next month") << kDecember2009 << U("rv3_hb100103.ext") << dcCurrent;
    QTest::newRow("Dec: last month") << kDecember2009 << U("rv3_hb091129.ext") << dcPrevious;
    QTest::newRow("Dec: two months back") << kDecember2009 << U("rv3_hb091030.ext") << dcOther;
    QTest::newRow("Dec: a year back") << kDecember2009 << U("rv3_hb081227.ext") << dcOther;
    QTest::newRow("Jan: this month") << jan2010 << U("rv3_hb100110.ext") << dcCurrent;
    QTest::newRow("Jan: next month") << jan2010 << U("rv3_hb100203.ext") << dcCurrent;
    QTest::newRow("Jan: last month") << jan2010 << U("rv3_hb091227.ext") << dcPrevious;
    QTest::newRow("Jan: two months back") << jan2010 << U("rv3_hb091129.ext") << dcOther;
    QTest::newRow("Jan 31: next month") << QDate(2010, 1, 31) << U("rv3_hb100227.ext") << dcCurrent;
    QTest::newRow("Dec 31: last month") << QDate(2009, 12, 31) << U("rv3_hb091130.ext") << dcPrevious;
    QTest::newRow("Mar 31: last month") << QDate(2010, 3, 31) << U("rv3_hb100228.ext") << dcPrevious;
    QTest::newRow("old naming") << kDecember2009 << U("j091227.ext") << dcCurrent;
    QTest::newRow("two before the dot not read") << kDecember2009 << U("hb0912zz.ext") << dcCurrent;
    QTest::newRow("first dot counts") << kDecember2009 << U("hb091227.ext.091129") << dcCurrent;
    QTest::newRow("dot at six: first four") << kDecember2009 << U("0912x.ext") << dcCurrent;
    QTest::newRow("dot at five") << kDecember2009 << U("0912.ext") << dcOther;
    QTest::newRow("hb1.ext") << kDecember2009 << U("hb1.ext") << dcOther;
    QTest::newRow("no dot") << kDecember2009 << U("rv3_hb091227") << dcOther;
    QTest::newRow("empty") << kDecember2009 << QString() << dcOther;
    QTest::newRow("positions count bytes") << kDecember2009 << U("hb0912表.ext") << dcCurrent;
    QTest::newRow("no today") << QDate() << U("rv3_hb091227.ext") << dcOther;
}

void TestFileList::dateClass()
{
    QFETCH(QDate, today);
    QFETCH(QString, name);
    QFETCH(TDateClass, dateClass);
    QCOMPARE(DateClassOf(name, today), dateClass);
}

void TestFileList::dateLimit_data()
{
    QTest::addColumn<int>("dateSeigen");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("0: everything") << 0
                                   << Lines({"rv3_hb091227.ext", "rv3_hb100103.ext", "rv3_hb091129.ext",
                                             "rv3_hb091030.ext", "rv3_dkis.ext", "rv3_ekyu091129.ext",
                                             "xx091129.ext", "kd091227.ext"});
    QTest::newRow("1: this month only")
        << 1
        << Lines({"rv3_hb091227.ext", "rv3_hb100103.ext", "rv3_hb091030.ext", "rv3_dkis.ext",
                  "rv3_ekyu091129.ext", "xx091129.ext", "kd091227.ext"});
    QTest::newRow("2: last month only") << 2
                                        << Lines({"rv3_hb091129.ext", "rv3_hb091030.ext", "rv3_dkis.ext",
                                                  "rv3_ekyu091129.ext", "xx091129.ext"});
}

void TestFileList::dateLimit()
{
    QFETCH(int, dateSeigen);
    QFETCH(QStringList, names);
    const TSettingsFile ini(
        Ini(kSiteData + Lines({"[NEW_B]", "TYPE=B", "FILE=rv3_hb091227.ext", "FILE=rv3_hb100103.ext",
                               "FILE=rv3_hb091129.ext", "FILE=rv3_hb091030.ext", "FILE=rv3_dkis.ext",
                               "FILE=rv3_ekyu091129.ext", "FILE=xx091129.ext", "FILE=2009/kd091227.ext"})));
    const TNaviSettings settings = Settings(1, dateSeigen);
    TFileListBuilder builder(ini, settings, kDecember2009);
    builder.Build(TListRequest{});
    QCOMPARE(Names(builder.FFiles), names);
}

void TestFileList::classify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kindName");
    QTest::addColumn<QString>("saveDir");
    QTest::addColumn<TDateClass>("dateClass");

    QTest::newRow("ekyu: short caption") << U("rv3_ekyu.ext") << U("厩舎") << U("/data/ekyu") << dcOther;
    QTest::newRow("hb this month") << U("rv3_hb091227.ext") << U("出馬表+競走馬") << U("/data/hb")
                                   << dcCurrent;
    QTest::newRow("kd old naming last month")
        << U("kd091129.ext") << U("確定オッズ") << U("/data/kd") << dcPrevious;
    QTest::newRow("jb old naming") << U("j100103.ext") << U("予想オッズ") << U("/data/jb") << dcCurrent;
    QTest::newRow("undated kind never dated")
        << U("rv3_dkis0912xx.ext") << U("騎手") << U("/data/dkis") << dcOther;
    QTest::newRow("fket5") << U("rv3_fket5.ext") << U("5代血統図") << U("/data/fket5") << dcOther;
    QTest::newRow("dated kind, short name") << U("hb1.ext") << U("出馬表+競走馬") << U("/data/hb") << dcOther;
    QTest::newRow("no kind though dated") << U("rv3_fket0912.ext") << QString() << QString() << dcOther;
    QTest::newRow("no kind") << U("readme.txt") << QString() << QString() << dcOther;
}

void TestFileList::classify()
{
    QFETCH(QString, name);
    QFETCH(QString, kindName);
    QFETCH(QString, saveDir);
    QFETCH(TDateClass, dateClass);
    const TClassified classified = ClassifyFileName(name, Settings(1), kDecember2009);
    QCOMPARE(classified.KindName, kindName);
    QCOMPARE(classified.SaveDir, saveDir);
    QCOMPARE(classified.DateClass, dateClass);
}

void TestFileList::entriesCarryKindAndFolder()
{
    const TSettingsFile ini(
        Ini(kSiteData + Lines({"[KYUSYA]", "TYPE=abc", "FILE=rv3_ekyu.ext", "FILE=misc.txt"})));
    TNaviSettings settings = Settings(1);
    TFileListBuilder builder(ini, settings, kDecember2009);
    builder.Build(Select({"ekyu"}));
    QCOMPARE(builder.FFiles.size(), 2);
    const TVelm& ekyu = builder.FFiles[0];
    QCOMPARE(ekyu.KindName, U("厩舎"));
    QCOMPARE(ekyu.SaveDir, U("/data/ekyu"));
    QCOMPARE(ekyu.Checked, false);
    const TVelm& misc = builder.FFiles[1];
    QCOMPARE(misc.KindName, QString());
    QCOMPARE(misc.SaveDir, QString());
    QCOMPARE(misc.Url, kBaseB + U("misc.txt"));

    // The folder is the one set when the list was built.
    settings.gDir_ekyu = QStringLiteral("/elsewhere");
    QCOMPARE(builder.FFiles[0].SaveDir, U("/data/ekyu"));
    builder.Build(Select({"ekyu"}));
    QCOMPARE(builder.FFiles[0].SaveDir, U("/elsewhere"));
}

void TestFileList::selectModeOrderAndRepeats()
{
    // Sections stand in the file in an order unlike the catalogue's.
    const TSettingsFile ini(Ini(kSiteData + Lines({
                                                "[KODDS]",
                                                "TYPE=abc",
                                                "FILE=rv3_kd091227.ext",
                                                "[YODDS]",
                                                "TYPE=abc",
                                                "FILE=rv3_jb091227.ext",
                                                "[SYUTUBA+KYOUSOUBA]",
                                                "TYPE=abc",
                                                "FILE=rv3_hb091227.ext",
                                                "FILE=rv3_kd091227.ext",
                                                "[kodds]",
                                                "TYPE=abc",
                                                "FILE=rv3_kd091226.ext",
                                                "[KISYU]",
                                                "TYPE=abc",
                                                "FILE=rv3_dkis.ext",
                                            })));
    const TNaviSettings settings = Settings(1);
    TFileListBuilder builder(ini, settings, kDecember2009);
    builder.Build(Select({"kd", "dkis", "hb"}));
    QCOMPARE(Names(builder.FFiles),
             Lines({"rv3_hb091227.ext", "rv3_kd091227.ext", "rv3_dkis.ext", "rv3_kd091227.ext"}));

    // A second build starts afresh.
    builder.Build(Select({"jb"}));
    QCOMPARE(Names(builder.FFiles), Lines({"rv3_jb091227.ext"}));
}

void TestFileList::noCourseNoEntries()
{
    const TSettingsFile ini(
        Ini(kSiteData + Lines({"[NEW_A]", "TYPE=abc", "FILE=rv3_hb091227.ext", "[SYUTUBA+KYOUSOUBA]",
                               "TYPE=abc", "FILE=rv3_hb091227.ext"})));
    const TNaviSettings settings = Settings(-1);
    TFileListBuilder builder(ini, settings, kDecember2009);
    builder.FFiles.append(TVelm{}); // left from an earlier list
    builder.Build(TListRequest{});
    QVERIFY(builder.FFiles.isEmpty());
    QCOMPARE(builder.FCourse, QString());
    QCOMPARE(builder.FBaseUrl, QString());
    builder.Build(Select({"hb"}));
    QVERIFY(builder.FFiles.isEmpty());
    builder.AddSectionFiles(QStringLiteral("SYUTUBA+KYOUSOUBA"));
    QVERIFY(builder.FFiles.isEmpty());
}

void TestFileList::readNewFileNames()
{
    const TSettingsFile ini(Ini(kSiteData + Lines({"[NEW_B]", "TYPE=a", "FILE=rv3_hb091129.ext", "file=x.ext",
                                                   "FILE=2009/rv3_kd091227.ext", "FILE=misc.txt"})));
    const TNaviSettings settings = Settings(1, 1);
    TFileListBuilder builder(ini, settings, kDecember2009);
    QVERIFY(builder.SelectCourse(1));
    // Neither TYPE nor the date limit applies to the new-file names.
    QCOMPARE(builder.ReadNewFileNames(QStringLiteral("new_b")),
             Lines({"rv3_hb091129.ext", "rv3_kd091227.ext", "misc.txt"}));
    QCOMPARE(builder.ReadNewFileNames(QStringLiteral("NEW_C")), QStringList());
}

void TestFileList::announcements_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lines with CR LF")
        << Ini({"[SITE_DATA]", "URL=x", "[INFO]", "<p>本日のお知らせ</p>", "  ;indented", "", "a=b"})
        << U("<p>本日のお知らせ</p>\r\n  ;indented\r\na=b\r\n");
    QTest::newRow("LF file") << QByteArray("[INFO]\nline\n") << U("line\r\n");
    QTest::newRow("no INFO") << Ini(kSiteData) << QString();
    QTest::newRow("empty INFO") << Ini({"[INFO]", "[NEW_B]", "TYPE=b"}) << QString();
    QTest::newRow("empty file") << QByteArray() << QString();
}

void TestFileList::announcements()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const TSettingsFile ini(bytes);
    const TNaviSettings settings = Settings(1);
    TFileListBuilder builder(ini, settings, kDecember2009);
    QCOMPARE(builder.Announcements(), text);
    builder.Build(TListRequest{});
    QVERIFY(builder.FFiles.isEmpty());
}

void TestFileList::isPlainFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plain");
    QTest::newRow("new naming") << U("rv3_hb091227.ext") << true;
    QTest::newRow("old naming") << U("j091227.lzh") << true;
    QTest::newRow("Japanese") << U("出馬表ソフト.ext") << true;
    QTest::newRow("inner dots and spaces") << U("a b..c") << true;
    QTest::newRow("dot file") << U(".hidden") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow(".") << U(".") << false;
    QTest::newRow("..") << U("..") << false;
    QTest::newRow("dots and spaces only") << U(". .") << false;
    QTest::newRow("space") << U(" ") << false;
    QTest::newRow("../x") << U("../x") << false;
    QTest::newRow("a/b") << U("a/b") << false;
    QTest::newRow("a\\b") << U("a\\b") << false;
    QTest::newRow("C:x") << U("C:x") << false;
    QTest::newRow("stream") << U("x.ext:zone") << false;
    QTest::newRow("/etc/passwd") << U("/etc/passwd") << false;
    QTest::newRow("tab") << U("x\ty") << false;
    QTest::newRow("line feed") << U("x\n") << false;
    QTest::newRow("NUL") << QString(QChar(u'\0')) + U("x") << false;
    QTest::newRow("DEL") << U("\x7f") << false;
}

void TestFileList::isPlainFileName()
{
    QFETCH(QString, name);
    QFETCH(bool, plain);
    QCOMPARE(IsPlainFileName(name), plain);
}

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_filelist.moc"
