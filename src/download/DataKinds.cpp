#include "download/DataKinds.h"

const std::array<TDataKind, DataKindCount> DataKinds = {{
    {"hb", "出馬表+競走馬", "出馬表+競走馬", "SYUTUBA+KYOUSOUBA", "rv3_hb", "hb", true, false, 2},
    {"hz", "出馬表+競走馬(日曜重賞付)", "出馬表+競走馬(日曜重賞付)", "SYUTUBA+KYOUSOUBA2", "rv3_hz", "hz",
     true, false, 3},
    {"dkis", "騎手", "騎手", "KISYU", "rv3_dkis", "dkis", false, false, 4},
    {"ekyu", "厩舎(調教師)", "厩舎", "KYUSYA", "rv3_ekyu", "ekyu", false, false, 5},
    // the dot keeps 3代 names apart from 5代 names
    {"fket", "3代血統図", "3代血統図", "KETTOU3D", "rv3_fket.", "fket.", false, false, 7},
    {"fket5", "5代血統図", "5代血統図", "KETTOU5D", "rv3_fket5", "fket5", false, true, 8},
    {"gsyu", "種牡馬", "種牡馬", "SYUBOBA", "rv3_gsyu", "gsyu", false, false, 6},
    {"nd", "特別登録出走予定馬", "特別登録出走予定馬", "TOKUBETU", "rv3_nd", "nd", true, false, 9},
    // every old name beginning with "j" is a forecast-odds file
    {"jb", "予想オッズ", "予想オッズ", "YODDS", "rv3_jb", "j", true, false, 10},
    {"mb", "コメント(出馬用)", "コメント(出馬用)", "COMMENT_SYUTUBA", "rv3_mb", "mb", true, false, 11},
    {"ib", "成績+競走馬", "成績+競走馬", "SEISEKI+KYOUSOUBA", "rv3_ib", "ib", true, false, 12},
    {"kd", "確定オッズ", "確定オッズ", "KODDS", "rv3_kd", "kd", true, false, 13},
    {"lb", "コメント(成績用)", "コメント(成績用)", "COMMENT_SEISEKI", "rv3_lb", "lb", true, false, 14},
}};

int DataKindIndex(const QString& Code)
{
    for (int i = 0; i < DataKindCount; ++i)
        if (Code == QLatin1String(DataKinds[size_t(i)].Code))
            return i;
    return -1;
}

const TDataKind* KindOfFile(const QString& FileName)
{
    const bool newNaming = FileName.startsWith(QLatin1String("rv3"), Qt::CaseSensitive);
    for (const TDataKind& kind : DataKinds) {
        const QLatin1String prefix(newNaming ? kind.NewPrefix : kind.OldPrefix);
        if (FileName.startsWith(prefix, Qt::CaseSensitive))
            return &kind;
    }
    return nullptr;
}
