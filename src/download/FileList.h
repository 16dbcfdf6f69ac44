#pragma once

#include "app/NaviSettings.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class TSettingsFile;

// One offered file of the download list.
struct TVelm
{
    QString FileName; // as offered; also the local file name
    QString KindName; // list caption of its data kind; empty for no kind
    QString SaveDir;  // the kind's folder when the list was built; empty for no kind
    QString Url;      // complete address
    bool Checked = false;
};

enum TDateClass {
    dcOther = 0,    // no date, or not one of the three months below
    dcCurrent = 1,  // this month or next month
    dcPrevious = 2, // last month
};

// The date class of a file name whose year and month ("yymm") stand six places before its first
// dot, against today's month.
TDateClass DateClassOf(const QString& FileName, const QDate& today);

struct TClassified
{
    QString KindName;
    QString SaveDir;
    TDateClass DateClass = dcOther;
};
TClassified ClassifyFileName(const QString& FileName, const TNaviSettings& settings, const QDate& today);

// True for a name that can be written into a member's folder as it is: not empty, not "." or "..",
// no path separators, drive or control characters.
bool IsPlainFileName(const QString& FileName);

// The value of a FILE line split at "/": sub-folder part ("folder/" or empty) and file name.
struct TFileLineValue
{
    QString SubFolder;
    QString FileName;
};
TFileLineValue SplitFileValue(const QString& value);

// What the start page asks for.
struct TListRequest
{
    bool AllLatest = true;                   // radAll down
    std::array<bool, DataKindCount> Kinds{}; // chk_ toggles in catalogue order
};

// Builds the download list from an opened settings file for the member's course, the start
// page's request and the date limit.
class TFileListBuilder
{
public:
    TFileListBuilder(const TSettingsFile& ini, const TNaviSettings& settings, const QDate& today);

    // "a", "b" or "c" and the course's address prefix; false when gCourse names no course.
    bool SelectCourse(int course);
    void ClearFileList();
    void AddSectionFiles(const QString& section);
    QStringList ReadNewFileNames(const QString& section) const;
    // ClearFileList, course, entries of the request, in order.
    void Build(const TListRequest& request);

    QString Announcements() const; // the INFO lines, each followed by CR LF

    QString FCourse;
    QString FBaseUrl;
    QList<TVelm> FFiles;

private:
    const TSettingsFile& FIni;
    const TNaviSettings& FSettings;
    QDate FToday;
};
