#include "download/FileList.h"

#include "download/SettingsFile.h"
#include "util/AnsiText.h"
#include "util/uniDivide.h"

namespace {
const QString kSiteData = QStringLiteral("SITE_DATA");
const QString kFilePrefix = QStringLiteral("FILE=");

QByteArray YearMonth(const QDate& date)
{
    return date.toString(QStringLiteral("yyMM")).toLatin1();
}
} // namespace

TDateClass DateClassOf(const QString& FileName, const QDate& today)
{
    if (!today.isValid())
        return dcOther;
    // Positions count Shift_JIS bytes, as the service's names are laid out in them.
    const QByteArray name = ToAnsi(FileName);
    const qsizetype p = name.indexOf('.') + 1;
    if (p < 6)
        return dcOther;
    const QByteArray yymm = name.mid(p == 6 ? 0 : p - 7, 4);
    if (yymm == YearMonth(today) || yymm == YearMonth(today.addMonths(1)))
        return dcCurrent;
    if (yymm == YearMonth(today.addMonths(-1)))
        return dcPrevious;
    return dcOther;
}

TClassified ClassifyFileName(const QString& FileName, const TNaviSettings& settings, const QDate& today)
{
    TClassified result;
    const TDataKind* kind = KindOfFile(FileName);
    if (!kind)
        return result;
    const int index = int(kind - DataKinds.data());
    result.KindName = kind->listCaption();
    result.SaveDir = settings.Dir(index);
    result.DateClass = kind->Dated ? DateClassOf(FileName, today) : dcOther;
    return result;
}

bool IsPlainFileName(const QString& FileName)
{
    bool onlyDotsAndSpaces = true;
    for (const QChar ch : FileName) {
        const char16_t c = ch.unicode();
        if (c < 0x20 || c == 0x7f || c == u'/' || c == u'\\' || c == u':')
            return false;
        if (c != u'.' && c != u' ')
            onlyDotsAndSpaces = false;
    }
    return !onlyDotsAndSpaces; // also rejects the empty name
}

TFileLineValue SplitFileValue(const QString& value)
{
    TFileLineValue result;
    const TDivide pieces(ToAnsi(value), '/');
    if (pieces.Count() >= 2) {
        const TArrStr items = pieces.Items();
        result.SubFolder = FromAnsi(items[0]) + QLatin1Char('/');
        result.FileName = FromAnsi(items[1]);
    } else {
        result.FileName = value;
    }
    return result;
}

TFileListBuilder::TFileListBuilder(const TSettingsFile& ini, const TNaviSettings& settings,
                                   const QDate& today)
    : FIni(ini), FSettings(settings), FToday(today)
{
}

bool TFileListBuilder::SelectCourse(int course)
{
    static const char* const letters[] = {"a", "b", "c"};
    static const char* const keys[] = {"COURSE_A", "COURSE_B", "COURSE_C"};
    if (course < 0 || course > 2) {
        FCourse.clear();
        FBaseUrl.clear();
        return false;
    }
    FCourse = QLatin1String(letters[course]);
    FBaseUrl = QStringLiteral("http://") + FIni.ReadString(kSiteData, QStringLiteral("URL")) +
               FIni.ReadString(kSiteData, QStringLiteral("TYPE")) + QLatin1Char('/') +
               FIni.ReadString(kSiteData, QLatin1String(keys[course])) + QLatin1Char('/');
    return true;
}

void TFileListBuilder::ClearFileList()
{
    FFiles.clear();
    FBaseUrl.clear();
}

void TFileListBuilder::AddSectionFiles(const QString& section)
{
    // Without a course nothing is offered; an empty letter would otherwise be found in every TYPE.
    if (FCourse.isEmpty() || !FIni.SectionExists(section))
        return;
    if (!FIni.ReadString(section, QStringLiteral("TYPE")).toLower().contains(FCourse))
        return;
    for (const QString& line : FIni.SectionLines(section)) {
        if (!line.startsWith(kFilePrefix, Qt::CaseSensitive))
            continue;
        const TFileLineValue value = SplitFileValue(line.mid(kFilePrefix.size()));
        const TClassified classified = ClassifyFileName(value.FileName, FSettings, FToday);
        if ((FSettings.gDateSeigen == 1 && classified.DateClass == dcPrevious) ||
            (FSettings.gDateSeigen == 2 && classified.DateClass == dcCurrent))
            continue;
        TVelm entry;
        entry.FileName = value.FileName;
        entry.KindName = classified.KindName;
        entry.SaveDir = classified.SaveDir;
        entry.Url = FBaseUrl + value.SubFolder + value.FileName;
        entry.Checked = false;
        FFiles.append(entry);
    }
}

QStringList TFileListBuilder::ReadNewFileNames(const QString& section) const
{
    QStringList names;
    for (const QString& line : FIni.SectionLines(section))
        if (line.startsWith(kFilePrefix, Qt::CaseSensitive))
            names.append(SplitFileValue(line.mid(kFilePrefix.size())).FileName);
    return names;
}

void TFileListBuilder::Build(const TListRequest& request)
{
    ClearFileList();
    if (!SelectCourse(FSettings.gCourse))
        return;
    if (request.AllLatest) {
        AddSectionFiles(QStringLiteral("NEW_") + FCourse.toUpper());
        return;
    }
    for (int k = 0; k < DataKindCount; ++k)
        if (request.Kinds[size_t(k)])
            AddSectionFiles(QLatin1String(DataKinds[size_t(k)].Section));
}

QString TFileListBuilder::Announcements() const
{
    QString text;
    for (const QString& line : FIni.SectionLines(QStringLiteral("INFO")))
        text += line + QStringLiteral("\r\n");
    return text;
}
