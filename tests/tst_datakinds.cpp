#include "download/DataKinds.h"

#include <QSet>
#include <QtTest>

class TestDataKinds : public QObject
{
    Q_OBJECT
private slots:
    void kindOfFile_data();
    void kindOfFile();
    void noPrefixStartsAnother();
    void catalogue();
};

void TestDataKinds::kindOfFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("code"); // empty: no kind
    const auto row = [](const char* name, const char* code) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(code);
    };
    row("rv3_fket.ext", "fket");
    row("rv3_fket5.ext", "fket5");
    row("rv3_fket0912.ext", "");
    row("rv3_fket_a.ext", "");
    row("fket.ext", "fket");
    row("fket5.ext", "fket5");
    row("fket0912.ext", "");
    row("j091227.ext", "jb");
    row("jb091227.ext", "jb");
    row("rv3_jb091227.ext", "jb");
    row("rv3_j091227.ext", "");
    row("kd091227.ext", "kd");
    row("rv3_kd091227.ext", "kd");
    row("RV3_HB091227.ext", "");
    row("HB091227.ext", "");
    row("rv3x.ext", "");
    row("rv3", "");
    row("h", "");
    row("", "");
    row("hb091227.lzh", "hb");
    row("hz091227.lzh", "hz");
    row("rv3_hz0912.lzh", "hz");
    row("dkis.lzh", "dkis");
    row("rv3_ekyu.lzh", "ekyu");
    row("gsyu.lzh", "gsyu");
    row("rv3_nd091227.lzh", "nd");
    row("mb091227.lzh", "mb");
    row("rv3_ib091227.lzh", "ib");
    row("lb091227.lzh", "lb");
    row("rv3_lb091227.lzh", "lb");
    row("hbx", "hb");
    row("xhb091227.lzh", "");
}

void TestDataKinds::kindOfFile()
{
    QFETCH(QString, name);
    QFETCH(QString, code);
    const TDataKind* kind = KindOfFile(name);
    QCOMPARE(kind ? kind->code() : QString(), code);
}

void TestDataKinds::noPrefixStartsAnother()
{
    for (const TDataKind& a : DataKinds) {
        for (const TDataKind& b : DataKinds) {
            if (&a == &b)
                continue;
            QVERIFY2(!QByteArray(a.NewPrefix).startsWith(b.NewPrefix), a.NewPrefix);
            QVERIFY2(!QByteArray(a.OldPrefix).startsWith(b.OldPrefix), a.OldPrefix);
        }
    }
}

void TestDataKinds::catalogue()
{
    QStringList codes;
    QSet<int> groups;
    for (const TDataKind& kind : DataKinds) {
        codes << kind.code();
        groups << kind.GroupIndex;
        if (kind.code() != QLatin1String("ekyu"))
            QCOMPARE(kind.listCaption(), kind.caption());
    }
    QCOMPARE(codes.join(QLatin1Char(',')),
             QStringLiteral("hb,hz,dkis,ekyu,fket,fket5,gsyu,nd,jb,mb,ib,kd,lb"));
    QCOMPARE(groups.size(), DataKindCount);
    QVERIFY(!groups.contains(1) && !groups.contains(20));

    const TDataKind& ekyu = DataKinds[size_t(DataKindIndex(QStringLiteral("ekyu")))];
    QCOMPARE(ekyu.caption(), QStringLiteral("厩舎(調教師)"));
    QCOMPARE(ekyu.listCaption(), QStringLiteral("厩舎"));
    QCOMPARE(DataKindIndex(QStringLiteral("lb")), 12);
    QCOMPARE(DataKindIndex(QStringLiteral("xx")), -1);

    int undated = 0, newOnly = 0;
    for (const TDataKind& kind : DataKinds) {
        undated += kind.Dated ? 0 : 1;
        newOnly += kind.NewFormatOnly ? 1 : 0;
    }
    QCOMPARE(undated, 5);
    QCOMPARE(newOnly, 1);
    QVERIFY(DataKinds[5].NewFormatOnly);
}

QTEST_GUILESS_MAIN(TestDataKinds)
#include "tst_datakinds.moc"
