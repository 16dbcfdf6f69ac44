#include "app/NaviSettings.h"
#include "app/SettingsStore.h"

#include <QApplication>
#include <QMainWindow>
#include <QSettings>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmira 2"));

    TNaviSettings settings;
    ComputeWorkingPaths(settings, QApplication::applicationDirPath());
    EnsureWorkDir(settings);
    TWindowPlacement placement;
    TStartButtons buttons = DefaultStartButtons();
    const QSize windowSize(834, 695);
    const auto store = OpenSettingsStore();
    LoadSettings(*store, settings, placement, buttons, QSize(1024, 768), windowSize);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Velmira 2"));
    window.setFixedSize(windowSize);
    window.move(placement.Left, placement.Top);
    window.show();
    const int rc = app.exec();
    placement.Top = window.y();
    placement.Left = window.x();
    placement.Height = window.height();
    SaveSettings(*store, settings, placement, buttons);
    return rc;
}
