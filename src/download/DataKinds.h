#pragma once

#include <QString>
#include <array>

// One of the thirteen kinds of data file the service publishes.
struct TDataKind
{
    const char* Code;        // "hb"; names chk_hb, dir_hb, gDir_hb
    const char* Caption;     // start page toggle, options folder row (UTF-8)
    const char* ListCaption; // download list and folder messages (UTF-8)
    const char* Section;     // section of the server's settings file
    const char* NewPrefix;   // file-name prefix in the new naming
    const char* OldPrefix;   // file-name prefix in the old naming
    bool Dated;              // names carry year and month
    bool NewFormatOnly;      // offered only with the new data format
    int GroupIndex;          // start page toggle group

    QString caption() const { return QString::fromUtf8(Caption); }
    QString listCaption() const { return QString::fromUtf8(ListCaption); }
    QString code() const { return QString::fromLatin1(Code); }
};

constexpr int DataKindCount = 13;

// In catalogue order: the order every walk over the kinds follows.
extern const std::array<TDataKind, DataKindCount> DataKinds;

// Position of the kind with this code in DataKinds, or -1.
int DataKindIndex(const QString& Code);

// The kind whose prefix the file name carries, or nullptr. Names beginning with "rv3" are
// compared with the new prefixes only, all others with the old ones; case counts.
const TDataKind* KindOfFile(const QString& FileName);
