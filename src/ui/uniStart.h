#pragma once

#include "app/SettingsStore.h"
#include "download/DataKinds.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class TStartButton;
struct TNaviSettings;

// The start page: what the next connection fetches (everything new, or chosen data kinds) and in
// which format. The choice lives in the down state of its buttons.
class TfraStart : public QWidget
{
    Q_OBJECT
public:
    explicit TfraStart(TNaviSettings& settings, QWidget* parent = nullptr);

    QPushButton* radAll = nullptr;
    QPushButton* radSelect = nullptr;
    std::array<QPushButton*, DataKindCount> chk{}; // catalogue order; object names chk_ + code
    QPushButton* radNewData = nullptr;
    QPushButton* radOldData = nullptr; // its click is wired by the main window
    QPushButton* btnUndo = nullptr;

    // radAll, radSelect, then the thirteen toggles, as stored.
    TStartButtons DownStates() const;
    // Sets the down states in stored order without running any handler.
    void SetDownStates(const TStartButtons& states);
    // Puts the format pair down as gNewData says, without running any handler.
    void SetFormatButtons(bool newData);
    // True when at least one data-kind toggle is down.
    bool AnyKindDown() const;

public slots:
    void radSelectClick();
    void radNewDataClick();
    void radOldDataClick();
    void btnUndoClick();
    // Gives every button that is up its plain face again (no hover, no running highlight).
    void RefreshStartButtons();

private:
    void setWebStyle(bool on);

    TNaviSettings& FSettings;
    QLabel* imgHeader = nullptr;
    QGroupBox* grpDataKind = nullptr;
    QGroupBox* grpDataFormat = nullptr;
    QButtonGroup* FModeGroup = nullptr;
    QButtonGroup* FFormatGroup = nullptr;
    // radAll, radSelect, the toggles in catalogue order, radNewData, radOldData.
    std::array<TStartButton*, StartButtonCount + 2> FRefreshOrder{};
};
