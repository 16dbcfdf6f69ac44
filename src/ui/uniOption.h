#pragma once

#include "download/DataKinds.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class TFolderEdit;
class TProviderCatalogue;
struct TNaviSettings;

// The options dialog: provider, course, credentials, folders, date limit, overwrite.
// It works on the settings record and writes it back only on OK.
class TfrmOption : public QDialog
{
    Q_OBJECT
public:
    TfrmOption(TNaviSettings& settings, TProviderCatalogue& catalogue, QWidget* parent = nullptr);

    QPushButton* btnPnl1 = nullptr;
    QPushButton* btnPnl2 = nullptr;
    QPushButton* btnPnl3 = nullptr;
    QWidget* pnl1 = nullptr;
    QWidget* pnl2 = nullptr;
    QWidget* pnl3 = nullptr;
    QComboBox* cmbProvider = nullptr;
    QComboBox* cmbCourse = nullptr;
    QLabel* lblMes2 = nullptr;
    QLabel* lblID = nullptr;
    QLabel* lblPass = nullptr;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtPass = nullptr;
    std::array<QLabel*, 4> lblBit{}; // lblBit1 .. lblBit4
    std::array<QLineEdit*, 4> bit{}; // bit1 .. bit4
    QLabel* lblMes = nullptr;
    std::array<QLineEdit*, DataKindCount> dir{}; // catalogue order; dir_ + code
    QPushButton* btnSame = nullptr;
    QRadioButton* radDateAll = nullptr;
    QRadioButton* radDateThisMonth = nullptr;
    QRadioButton* radDateLastMonth = nullptr;
    QCheckBox* chkOverwrite = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    void cmbProviderChange();
    void cmbCourseChange();
    void btnSameClick();
    void btnOKClick();
    void btnPnl1Click();
    void btnPnl2Click();
    void btnPnl3Click();

private:
    void CreateControls();
    void CreateUserPage();
    void CreateFolderPage();
    void CreateFilePage();
    // The opening steps: the stored values into the controls.
    void FormCreate();
    void ShowPage(int number);

    TNaviSettings& FSettings;
    TProviderCatalogue& FCatalogue;
    std::array<TFolderEdit*, DataKindCount> FFolderRows{}; // dir[i] with its browse button
};
