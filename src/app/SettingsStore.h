#pragma once

#include "app/NaviSettings.h"

#include <QSize>
#include <QString>
#include <array>
#include <memory>

class QSettings;

// The main window's position as stored: Top and Left are read back, Height is only written.
struct TWindowPlacement
{
    int Top = 0;
    int Left = 0;
    int Height = 0;
};

// The start page's buttons in stored order: radAll, radSelect, then chk_ + code per data kind.
constexpr int StartButtonCount = 2 + DataKindCount;
using TStartButtons = std::array<bool, StartButtonCount>;
QString StartButtonName(int index);
TStartButtons DefaultStartButtons(); // radAll down, everything else up

// The member's store: on Windows HKEY_CURRENT_USER\Software\Velmira, elsewhere an INI file in the
// user's configuration folder. Groups are "frmVelmira", "frmOption" and "fraStart1.".
std::unique_ptr<QSettings> OpenSettingsStore();

// Fills the record (whose gDataDir must be set), the window position and the start page's
// buttons from the store. Missing or unreadable values take their defaults; a stored provider or
// course outside the catalogue reads as not set.
void LoadSettings(QSettings& store, TNaviSettings& settings, TWindowPlacement& window, TStartButtons& buttons,
                  QSize screenSize, QSize windowSize);

// Writes every value, as text, the two secrets enciphered. False when the store could not be
// written; the caller carries on.
bool SaveSettings(QSettings& store, const TNaviSettings& settings, const TWindowPlacement& window,
                  const TStartButtons& buttons);
