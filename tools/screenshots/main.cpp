// Writes pictures of every window and page into the folder given as the first argument, so the
// look can be checked without a desktop.
#include "app/HelpWindow.h"
#include "app/VelmiraApplication.h"
#include "app/uniAbout.h"
#include "app/uniVelmira.h"
#include "download/uniDownload.h"
#include "ui/uniOption.h"
#include "ui/uniStart.h"

#include "login/uniBrowser.h"
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
void save(QWidget* widget, const QString& folder, const QString& name)
{
    QApplication::processEvents();
    widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the web engine shares the GL context
    TVelmiraApplication app(argc, argv);
    ApplyVelmiraLook(app);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(folder);
    QTemporaryDir store;

    TfrmVelmira window(
        std::make_unique<QSettings>(store.filePath(QStringLiteral("v.ini")), QSettings::IniFormat));
    window.gSettings.gProvider = 0;
    window.gSettings.gCourse = 1;
    window.show();
    for (int page = 0; page < 3; ++page) {
        window.ShowPage(page, false);
        save(&window, folder, QStringLiteral("main_page%1").arg(page));
    }
    window.ShowPage(0, true);

    const auto option = [&](int provider, int page, const QString& name) {
        window.gSettings.gProvider = provider;
        window.gSettings.gCourse = 0;
        window.gSettings.gBitCash = QStringLiteral("あいうえ;かきくけ;さしすせ;たちつて");
        TfrmOption dialog(window.gSettings, window.gCatalogue, &window);
        dialog.show();
        QPushButton* buttons[] = {dialog.btnPnl1, dialog.btnPnl2, dialog.btnPnl3};
        if (buttons[page])
            buttons[page]->click();
        save(&dialog, folder, name);
    };
    option(0, 0, QStringLiteral("option_user"));
    option(0, 1, QStringLiteral("option_folders"));
    option(0, 2, QStringLiteral("option_files"));
    option(5, 0, QStringLiteral("option_bitcash"));
    option(4, 0, QStringLiteral("option_webmoney"));
    option(6, 0, QStringLiteral("option_credit"));

    TfrmAbout about(&window);
    about.show();
    about.setWindowOpacity(1.0);
    save(&about, folder, QStringLiteral("about"));

    // With the demo service: a credit-billing member's list, and the marks after a run.
    if (!qEnvironmentVariableIsEmpty("VELMIRA_ENDPOINTS")) {
        QTemporaryDir data;
        TNaviSettings& s = window.gSettings;
        s.gProvider = 6;
        s.gCourse = 1;
        s.gUserName = QStringLiteral("demo");
        s.gPass = QStringLiteral("velmira");
        for (int k = 0; k < DataKindCount; ++k)
            s.Dir(k) = data.filePath(DataKinds[size_t(k)].code());
        window.gCatalogue.InitProviderTables();
        window.gCatalogue.SelectProviderCourse(s.gProvider, s.gCourse);
        window.fraStart1->radSelect->click();
        for (const char* code : {"hb", "dkis", "kd", "lb"})
            window.fraStart1->chk[size_t(DataKindIndex(QLatin1String(code)))]->click();
        save(&window, folder, QStringLiteral("main_start_select"));
        window.btnConnectClick();
        save(&window, folder, QStringLiteral("download_list"));
        TfraDownload* page = window.fraDownload1;
        for (int r = 1; r <= qMin(4, page->grid1->rowCount()); ++r)
            page->SetChecked(r, true);
        page->grid1CheckBoxClick(1);
        save(&window, folder, QStringLiteral("download_ticked"));
        page->btnDownloadClick();
        page->SetChecked(5, true);
        page->grid1CheckBoxClick(5);
        save(&window, folder, QStringLiteral("download_done"));
        window.btnAbortClick();

        // A provider's login page in the embedded browser, filled in.
        s.gProvider = 0;
        s.gCourse = 0;
        s.gUserName = QStringLiteral("bg_demo");
        s.gPass = QStringLiteral("velmira");
        window.gCatalogue.SelectProviderCourse(0, 0);
        window.btnConnectClick();
        QElapsedTimer timer;
        timer.start();
        while (window.fraBrowser1->lblSetsumei->text().startsWith(QStringLiteral("ログインページに移動中")) &&
               timer.elapsed() < 20000)
            QTest::qWait(50);
        QTest::qWait(800);
        if (QScreen* screen = window.screen())
            screen->grabWindow(window.winId()).save(QDir(folder).filePath(QStringLiteral("main_login.png")));
        window.btnAbortClick();
    }

    window.HelpFolder = QStringLiteral(VELMIRA_SOURCE_DIR "/resources/help");
    window.btnHelpClick();
    if (window.HelpWindow())
        save(window.HelpWindow(), folder, QStringLiteral("help"));
    return 0;
}
