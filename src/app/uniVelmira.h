#pragma once

#include "app/NaviSettings.h"
#include "app/SettingsStore.h"
#include "login/ProviderCatalogue.h"

#include <QMainWindow>
#include <QSettings>
#include <array>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;
class TfraBrowser;
class TfraDownload;
class TfraStart;
class THelpWindow;
class THttpClient;

// Which commands the toolbar and the menu offer.
enum class TCommandState {
    Idle,             // start page
    Connected,        // login or download page
    ConnectedRunDone, // download page after a transfer run: Close is offered again
};

// The main window: menu, toolbar, the three pages, status bar. Owns the settings record and the
// provider catalogue for the whole run.
class TfrmVelmira : public QMainWindow
{
    Q_OBJECT
public:
    // The store is where the settings live between runs (the member's own one when null).
    explicit TfrmVelmira(std::unique_ptr<QSettings> store = nullptr, QWidget* parent = nullptr);
    ~TfrmVelmira() override;

    static constexpr int ClientWidth = 834;
    static constexpr int ClientHeight = 695; // below the menu bar

    // The start-up sequence; the splash is left out where nobody looks (tests).
    void FormCreate(bool showSplash = true);

    // Switches the visible page (0 start, 1 login, 2 download) with a push; returns when the push
    // is over. Other numbers change nothing.
    void ShowPage(int Page, bool Back);
    int CurrentPage() const;

    void SetCommandState(TCommandState state);
    TCommandState CommandState() const { return FCommandState; }

    TNaviSettings gSettings;
    TProviderCatalogue gCatalogue;
    QString HelpFolder;

    QWidget* pnlMain = nullptr;
    TfraStart* fraStart1 = nullptr;
    TfraBrowser* fraBrowser1 = nullptr;
    TfraDownload* fraDownload1 = nullptr;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* btnConnect = nullptr;
    QToolButton* btnAbort = nullptr;
    QToolButton* btnOption = nullptr;
    QToolButton* btnHelp = nullptr;
    QToolButton* btnAbout = nullptr;
    QToolButton* btnClose = nullptr;

    QAction* mnuConnect = nullptr;
    QAction* mnuAbort = nullptr;
    QAction* mnuClose = nullptr;
    QAction* mnuOption = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;

    QLabel* sta1 = nullptr;
    QLabel* sta2 = nullptr;
    QProgressBar* bar1 = nullptr;
    QProgressBar* bar2 = nullptr;

    THelpWindow* HelpWindow() const { return FHelp; }

    // The credit-billing check: one GET of the member page with the member's credentials.
    THttpClient* httpCredit = nullptr;
    bool GetCreditPage(const QString& url, QByteArray& headerText, QByteArray& body);
    static bool IsCreditLoginOK(const QByteArray& headerText, const QByteArray& body);

public slots:
    void btnConnectClick();
    void btnAbortClick();
    void btnOptionClick();
    void btnHelpClick();
    void btnAboutClick();
    void mnuCloseClick();
    void fraStart1radOldDataClick();
    // A login road proved the member's access: status bar, download page, list.
    void LoginCompleted();
    // Brings the window to the front for a second start of the program.
    void RestoreAndActivate();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenu();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePages();
    // Saves everything; never refuses the close.
    void FormCloseQuery();
    QPoint CentredOver(const QSize& size) const;

    std::unique_ptr<QSettings> FStore;
    THelpWindow* FHelp = nullptr;
    TCommandState FCommandState = TCommandState::Idle;
    std::array<QWidget*, 3> FPages{};
    bool FCloseAfterRun = false;
};
