#pragma once

#include "download/DataKinds.h"

#include <QString>
#include <array>

// The member's settings, held by the main window for the whole run.
struct TNaviSettings
{
    QString gAppDir;  // folder of the executable, with a trailing separator
    QString gWorkDir; // application-data folder + "Velmira 2"
    QString gDataDir; // documents folder + "My VelmData"

    int gProvider = -1; // 0-7, -1 not set
    int gCourse = -1;   // 0 A, 1 B, 2 C, -1 not set
    QString gUserName;
    QString gPass;    // plain in memory, enciphered when stored
    QString gBitCash; // four hiragana groups joined by ";", enciphered when stored

    // Storage folder per data kind.
    QString gDir_hb, gDir_hz, gDir_dkis, gDir_ekyu, gDir_fket, gDir_fket5, gDir_gsyu, gDir_nd, gDir_jb,
        gDir_mb, gDir_ib, gDir_kd, gDir_lb;

    bool gNewData = true;   // new data format (RV3); false: old (RV2)
    bool gOverwrite = true; // replace an existing file of the same name
    int gDateSeigen = 0;    // 0 no limit, 1 this month only, 2 last month only

    // The folder of the data kind at this catalogue position.
    QString& Dir(int kindIndex);
    const QString& Dir(int kindIndex) const;
};

// The folder members in catalogue order, so walks over the kinds need no list of names.
extern const std::array<QString TNaviSettings::*, DataKindCount> DirFields;

// The three working paths: the executable's folder, the working folder, the data root.
void ComputeWorkingPaths(TNaviSettings& settings, const QString& applicationDir);

// Creates the working folder when missing; reports "データフォルダの作成に失敗しました。" when that
// fails and carries on. True when the folder exists afterwards.
bool EnsureWorkDir(const TNaviSettings& settings);
