#include "app/uniVelmira.h"

#include "app/HelpWindow.h"
#include "app/MessageDialogs.h"
#include "app/PageTransition.h"
#include "app/uniAbout.h"
#include "download/HttpClient.h"
#include "download/uniDownload.h"
#include "login/uniBrowser.h"
#include "ui/PageBanner.h"
#include "ui/uniOption.h"
#include "ui/uniStart.h"
#include "util/AnsiText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

QIcon toolbarIcon(const QString& name)
{
    const QString base = QStringLiteral(":/images/tb_") + name;
    QIcon icon;
    icon.addFile(base + QStringLiteral(".svg"), QSize(32, 32), QIcon::Normal);
    icon.addFile(base + QStringLiteral("_hot.svg"), QSize(32, 32), QIcon::Active);
    icon.addFile(base + QStringLiteral("_disabled.svg"), QSize(32, 32), QIcon::Disabled);
    return icon;
}

QIcon menuIcon(const QString& name)
{
    return QIcon(QStringLiteral(":/images/mn_") + name + QStringLiteral(".svg"));
}

} // namespace

TfrmVelmira::TfrmVelmira(std::unique_ptr<QSettings> store, QWidget* parent)
    : QMainWindow(parent), FStore(store ? std::move(store) : OpenSettingsStore())
{
    setObjectName(QStringLiteral("frmVelmira"));
    setWindowTitle(QStringLiteral("Velmira 2"));
    // Fixed size: minimise and close, no maximise, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    CreateMenu();
    CreateToolBar();
    CreatePages();
    CreateStatusBar();
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    SetCommandState(TCommandState::Idle);
}

TfrmVelmira::~TfrmVelmira() = default;

void TfrmVelmira::CreateMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto item = [this](QMenu* menu, const char* name, const QString& caption, const QIcon& icon,
                             void (TfrmVelmira::*handler)()) {
        QAction* action = menu->addAction(icon, caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* mnu1 = bar->addMenu(QStringLiteral("実行(&R)"));
    mnu1->setObjectName(QStringLiteral("mnu1"));
    mnuConnect = item(mnu1, "mnuConnect", QStringLiteral("接続(&C)"), menuIcon(QStringLiteral("connect")),
                      &TfrmVelmira::btnConnectClick);
    mnuAbort = item(mnu1, "mnuAbort", QStringLiteral("中止(&A)..."), menuIcon(QStringLiteral("abort")),
                    &TfrmVelmira::btnAbortClick);
    mnu1->addSeparator()->setObjectName(QStringLiteral("N4"));
    mnuClose = item(mnu1, "mnuClose", QStringLiteral("Velmira 2 を閉じる(&X)..."),
                    menuIcon(QStringLiteral("close")), &TfrmVelmira::mnuCloseClick);
    mnuClose->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu* mnu2 = bar->addMenu(QStringLiteral("ツール(&T)"));
    mnu2->setObjectName(QStringLiteral("mnu2"));
    mnuOption = item(mnu2, "mnuOption", QStringLiteral("設定(&O)..."), menuIcon(QStringLiteral("option")),
                     &TfrmVelmira::btnOptionClick);

    QMenu* mnu3 = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    mnu3->setObjectName(QStringLiteral("mnu3"));
    mnuHelp = item(mnu3, "mnuHelp", QStringLiteral("Velmira 2 の ヘルプ(&H)"),
                   menuIcon(QStringLiteral("help")), &TfrmVelmira::btnHelpClick);
    mnuHelp->setShortcut(QKeySequence(Qt::Key_F1));
    mnuAbout =
        item(mnu3, "mnuAbout", QStringLiteral("バージョン情報(&A)..."), QIcon(), &TfrmVelmira::btnAboutClick);
    // The shortcuts work while the menu is closed.
    addAction(mnuClose);
    addAction(mnuHelp);
}

void TfrmVelmira::CreateToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setFixedHeight(56);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->toggleViewAction()->setVisible(false);

    const auto button = [this](const char* name, const QString& caption, const QString& glyph,
                               void (TfrmVelmira::*handler)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QLatin1String(name));
        b->setText(caption);
        b->setToolTip(caption);
        b->setAccessibleName(caption);
        b->setIcon(toolbarIcon(glyph));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(68, 56);
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QToolButton::clicked, this, handler);
        ToolBar1->addWidget(b);
        return b;
    };
    btnConnect = button("btnConnect", QStringLiteral("接続"), QStringLiteral("connect"),
                        &TfrmVelmira::btnConnectClick);
    btnAbort =
        button("btnAbort", QStringLiteral("中止"), QStringLiteral("abort"), &TfrmVelmira::btnAbortClick);
    ToolBar1->addSeparator();
    btnOption =
        button("btnOption", QStringLiteral("設定"), QStringLiteral("option"), &TfrmVelmira::btnOptionClick);
    ToolBar1->addSeparator();
    btnHelp = button("btnHelp", QStringLiteral("ヘルプ"), QStringLiteral("help"), &TfrmVelmira::btnHelpClick);
    btnAbout = button("btnAbout", QString(), QStringLiteral("about"), &TfrmVelmira::btnAboutClick);
    btnAbout->setToolTip(QStringLiteral("バージョン情報"));
    btnAbout->setAccessibleName(QStringLiteral("バージョン情報"));
    ToolBar1->actions().constLast()->setVisible(false); // About is reached through the menu only
    ToolBar1->addSeparator();
    btnClose =
        button("btnClose", QStringLiteral("閉じる"), QStringLiteral("close"), &TfrmVelmira::mnuCloseClick);

    auto* spacer = new QWidget(ToolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    spacer->setAttribute(Qt::WA_TransparentForMouseEvents);
    ToolBar1->addWidget(spacer);
    auto* logo = new QLabel(ToolBar1);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setFixedSize(56, 56);
    logo->setAlignment(Qt::AlignCenter);
    logo->setPixmap(RenderSvg(QStringLiteral(":/images/logo.svg"), QSize(54, 54), devicePixelRatioF()));
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    logo->setAccessibleName(QStringLiteral("Velmira 2"));
    ToolBar1->addWidget(logo);
}

void TfrmVelmira::CreatePages()
{
    pnlMain = new QWidget(this);
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    setCentralWidget(pnlMain);
    fraStart1 = new TfraStart(gSettings, pnlMain);
    fraStart1->setObjectName(QStringLiteral("fraStart1"));
    fraBrowser1 = new TfraBrowser(gSettings, gCatalogue, pnlMain);
    fraBrowser1->setObjectName(QStringLiteral("fraBrowser1"));
    fraDownload1 = new TfraDownload(gSettings, gCatalogue, pnlMain);
    fraDownload1->setObjectName(QStringLiteral("fraDownload1"));
    FPages = {fraStart1, fraBrowser1, fraDownload1};
    // All three share the whole panel; one is visible at a time.
    auto* layout = new QGridLayout(pnlMain);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* page : FPages)
        layout->addWidget(page, 0, 0);
    fraBrowser1->hide();
    fraDownload1->hide();
    connect(fraStart1->radOldData, &QPushButton::clicked, this, &TfrmVelmira::fraStart1radOldDataClick);

    httpCredit = new THttpClient(this);
    connect(fraBrowser1, &TfraBrowser::loginCompleted, this, &TfrmVelmira::LoginCompleted);
    connect(fraBrowser1, &TfraBrowser::abortRequested, this, &TfrmVelmira::btnAbortClick);
    connect(fraDownload1, &TfraDownload::abortRequested, this, &TfrmVelmira::btnAbortClick);
    connect(fraDownload1, &TfraDownload::runFinished, this, [this] {
        if (FCommandState == TCommandState::Connected) // not after an Abort
            SetCommandState(TCommandState::ConnectedRunDone);
        if (FCloseAfterRun)
            close();
    });
    fraDownload1->ListRequest = [this] {
        TListRequest request;
        request.AllLatest = fraStart1->radAll->isChecked();
        for (int k = 0; k < DataKindCount; ++k)
            request.Kinds[size_t(k)] = fraStart1->chk[size_t(k)]->isChecked();
        return request;
    };
}

void TfrmVelmira::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(21);
    const auto panel = [bar](const char* name, int width) {
        auto* label = new QLabel(bar);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        label->setFixedWidth(width);
        label->setProperty("class", QStringLiteral("statusPanel"));
        bar->addWidget(label);
        return label;
    };
    const auto gauge = [bar](const char* name) {
        auto* g = new QProgressBar(bar);
        g->setObjectName(QLatin1String(name));
        g->setRange(0, 100);
        g->setValue(0);
        g->setTextVisible(false);
        g->setFixedSize(200, 14);
        bar->addWidget(g);
        return g;
    };
    sta1 = panel("sta1", 90);
    sta1->setAccessibleName(QStringLiteral("プロバイダ"));
    sta2 = panel("sta2", 105);
    sta2->setAccessibleName(QStringLiteral("コース"));
    bar1 = gauge("bar1");
    bar2 = gauge("bar2");
    fraDownload1->bar1 = bar1;
    fraDownload1->bar2 = bar2;
}

void TfrmVelmira::FormCreate(bool showSplash)
{
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                          : QRect(0, 0, 1024, 768);
    if (showSplash) {
        TfrmAbout splash;
        splash.IsSplash = true;
        splash.move(screen.width() / 2 - splash.width() / 2, screen.height() / 2 - splash.height() / 2);
        splash.exec();
    }

    ComputeWorkingPaths(gSettings, QApplication::applicationDirPath());
    HelpFolder = gSettings.gAppDir + QStringLiteral("help");
    EnsureWorkDir(gSettings);
    fraDownload1->grid1->setColumnWidth(5, 0);

    TWindowPlacement placement;
    TStartButtons buttons = DefaultStartButtons();
    LoadSettings(*FStore, gSettings, placement, buttons, screen.size(), size());
    move(placement.Left, placement.Top);
    fraStart1->SetDownStates(buttons);
    fraStart1->SetFormatButtons(gSettings.gNewData);
    fraStart1->radSelectClick();
    fraStart1->RefreshStartButtons();

    gCatalogue.InitProviderTables();
    if (gSettings.gProvider == -1 || gSettings.gCourse == -1) {
        ShowMessageDialog(TMessageKind::Information,
                          QStringLiteral("最初にプロバイダとコースの設定をしてください。"));
        btnOptionClick();
    }
    gCatalogue.SelectProviderCourse(gSettings.gProvider, gSettings.gCourse);
    // Keyboard work starts on the start page's choice, not on the toolbar.
    (fraStart1->radAll->isChecked() ? fraStart1->radAll : fraStart1->radSelect)->setFocus();
}

int TfrmVelmira::CurrentPage() const
{
    for (int i = 0; i < 3; ++i)
        if (FPages[size_t(i)]->isVisibleTo(pnlMain))
            return i;
    return -1;
}

void TfrmVelmira::ShowPage(int Page, bool Back)
{
    if (Page < 0 || Page > 2)
        return;
    const bool animate = isVisible();
    const QPixmap before = animate ? pnlMain->grab() : QPixmap();
    for (int i = 0; i < 3; ++i)
        FPages[size_t(i)]->setVisible(i == Page);
    if (!animate)
        return;
    pnlMain->layout()->activate();
    const QPixmap after = FPages[size_t(Page)]->grab();
    // The overlay goes with the push, also when playing fails.
    std::unique_ptr<TPushTransition> push(new TPushTransition(pnlMain, before, after, !Back));
    push->Play();
}

void TfrmVelmira::SetCommandState(TCommandState state)
{
    FCommandState = state;
    const bool idle = state == TCommandState::Idle;
    for (QToolButton* b : {btnConnect, btnOption})
        b->setEnabled(idle);
    mnuConnect->setEnabled(idle);
    mnuOption->setEnabled(idle);
    mnuAbout->setEnabled(idle);
    btnAbort->setEnabled(!idle);
    mnuAbort->setEnabled(!idle);
    const bool closeOffered = state != TCommandState::Connected;
    btnClose->setEnabled(closeOffered);
    mnuClose->setEnabled(closeOffered);
    btnHelp->setEnabled(true);
    mnuHelp->setEnabled(true);
}

void TfrmVelmira::btnConnectClick()
{
    if (FCommandState != TCommandState::Idle)
        return;
    const TNaviSettings& s = gSettings;
    if (s.gProvider == -1 || s.gCourse == -1) {
        ShowMessageDialog(TMessageKind::Error,
                          QStringLiteral("プロバイダとコースの設定がされていません。\r\n処理を中止します。"));
        return;
    }
    if (fraStart1->radSelect->isChecked() && !fraStart1->AnyKindDown()) {
        ShowMessageDialog(TMessageKind::Error,
                          QStringLiteral("データ種別が一つも選択されていません。\r\n処理を中止します。"));
        return;
    }
    if (s.gProvider != pvCredit) {
        SetCommandState(TCommandState::Connected);
        fraBrowser1->PrepareBrowser();
        ShowPage(1, false);
        fraBrowser1->StartLogin();
        return;
    }

    httpCredit->SetCredentials(s.gUserName, s.gPass);
    static const char* const labels[CourseCount] = {"(Aコース)", "(Bコース)", "(Cコース)"};
    const QString label =
        s.gCourse >= 0 && s.gCourse < CourseCount ? QString::fromUtf8(labels[s.gCourse]) : QString();
    QByteArray header, body;
    const bool ok =
        IsProviderCourseSet(s.gProvider, s.gCourse) &&
        GetCreditPage(
            gCatalogue.gProviderTable[TProviderCatalogue::EntryIndex(ukMemberPage, pvCredit, s.gCourse)],
            header, body);
    if (!ok || !IsCreditLoginOK(header, body)) {
        ShowMessageDialog(TMessageKind::Error,
                          QStringLiteral("クレジット課金") + label +
                              QStringLiteral("で認証エラーが発生しました。\r\n"
                                             "設定したユーザーIDとパスワードをご確認ください。"));
        return;
    }
    SetCommandState(TCommandState::Connected);
    fraBrowser1->PrepareBrowser(false);
    fraBrowser1->SetDone(true);
    fraBrowser1->LoginCompleted();
}

bool TfrmVelmira::GetCreditPage(const QString& url, QByteArray& headerText, QByteArray& body)
{
    return httpCredit->Get(url, headerText, body);
}

bool TfrmVelmira::IsCreditLoginOK(const QByteArray& headerText, const QByteArray& body)
{
    return headerText.contains(" OK") && body.contains(ToAnsi(QStringLiteral("フレーム")));
}

void TfrmVelmira::LoginCompleted()
{
    sta1->setText(ProviderNames(gSettings.gProvider));
    sta2->setText(CourseNames(gSettings.gCourse));
    fraDownload1->ResetForSearch();
    ShowPage(2, false);
    fraDownload1->BuildFileList();
}

void TfrmVelmira::btnAbortClick()
{
    fraBrowser1->StopLogin();
    fraDownload1->FAbort = true;
    fraDownload1->FWinInetHttpClient->Disconnect();
    fraDownload1->FWinInetHttpClient->ClearCredentials();
    sta1->clear();
    sta2->clear();
    ShowPage(0, true);
    SetCommandState(TCommandState::Idle);
    fraBrowser1->lblSetsumei->setText(QStringLiteral("ログインページに移動中です。しばらくお待ちください。"));
}

QPoint TfrmVelmira::CentredOver(const QSize& size) const
{
    const QRect frame = frameGeometry();
    return {frame.left() + frame.width() / 2 - size.width() / 2,
            frame.top() + frame.height() / 2 - size.height() / 2};
}

void TfrmVelmira::btnOptionClick()
{
    TfrmOption dialog(gSettings, gCatalogue, this);
    dialog.move(CentredOver(dialog.size()));
    dialog.exec();
}

void TfrmVelmira::btnHelpClick()
{
    if (!FHelp)
        FHelp = new THelpWindow(
            HelpFolder.isEmpty() ? QApplication::applicationDirPath() + QStringLiteral("/help") : HelpFolder,
            this);
    FHelp->ShowContents();
}

void TfrmVelmira::btnAboutClick()
{
    TfrmAbout about(this);
    about.IsSplash = false;
    about.move(CentredOver(about.size()));
    about.exec();
}

void TfrmVelmira::mnuCloseClick()
{
    close();
}

void TfrmVelmira::fraStart1radOldDataClick()
{
    fraStart1->radOldDataClick();
}

void TfrmVelmira::RestoreAndActivate()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TfrmVelmira::FormCloseQuery()
{
    TWindowPlacement placement;
    placement.Top = y();
    placement.Left = x();
    placement.Height = frameGeometry().height();
    SaveSettings(*FStore, gSettings, placement, fraStart1->DownStates());
}

void TfrmVelmira::closeEvent(QCloseEvent* event)
{
    FormCloseQuery();
    if (fraDownload1->FBusy) {
        // Saved at once; the run in progress finishes, then the program ends.
        FCloseAfterRun = true;
        event->ignore();
        return;
    }
    if (FHelp)
        FHelp->close();
    event->accept();
}
