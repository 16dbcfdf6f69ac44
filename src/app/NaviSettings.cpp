#include "app/NaviSettings.h"

#include "util/Messages.h"
#include "util/Paths.h"

const std::array<QString TNaviSettings::*, DataKindCount> DirFields = {
    &TNaviSettings::gDir_hb,   &TNaviSettings::gDir_hz,   &TNaviSettings::gDir_dkis,
    &TNaviSettings::gDir_ekyu, &TNaviSettings::gDir_fket, &TNaviSettings::gDir_fket5,
    &TNaviSettings::gDir_gsyu, &TNaviSettings::gDir_nd,   &TNaviSettings::gDir_jb,
    &TNaviSettings::gDir_mb,   &TNaviSettings::gDir_ib,   &TNaviSettings::gDir_kd,
    &TNaviSettings::gDir_lb,
};

QString& TNaviSettings::Dir(int kindIndex)
{
    return this->*DirFields[size_t(kindIndex)];
}

const QString& TNaviSettings::Dir(int kindIndex) const
{
    return this->*DirFields[size_t(kindIndex)];
}

void ComputeWorkingPaths(TNaviSettings& settings, const QString& applicationDir)
{
    settings.gAppDir = AddPathDelimiter(applicationDir);
    settings.gWorkDir = AddPathDelimiter(AddPathDelimiter(GetSpecialFolder(CSIDL_APPDATA, false)) +
                                         QStringLiteral("Velmira 2"));
    settings.gDataDir = AddPathDelimiter(AddPathDelimiter(GetSpecialFolder(CSIDL_PERSONAL, false)) +
                                         QStringLiteral("My VelmData"));
}

bool EnsureWorkDir(const TNaviSettings& settings)
{
    if (ForceDirectories(settings.gWorkDir))
        return true;
    ShowErrorMessage(QStringLiteral("データフォルダの作成に失敗しました。"));
    return false;
}
