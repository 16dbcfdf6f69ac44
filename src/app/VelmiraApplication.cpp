#include "app/VelmiraApplication.h"

#include "app/MessageDialogs.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QStyleFactory>

#include <exception>

TVelmiraApplication::TVelmiraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Velmira 2"));
    setApplicationDisplayName(QStringLiteral("Velmira 2"));
    setOrganizationName(QStringLiteral("Velmira"));
    setApplicationVersion(QStringLiteral("1.09"));
}

bool TVelmiraApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorReport(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorReport(QStringLiteral("予期しないエラーが発生しました"));
    }
    return false;
}

void ApplyVelmiraLook(QApplication& app)
{
    // The Japanese Gothic and the Latin sans-serif of the original design both map to the one
    // Japanese font the program ships with.
    const QString family = QStringLiteral("Noto Sans CJK JP");
    for (const QString& name : {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Tahoma")})
        QFont::insertSubstitution(name, family);
    QFont font(family);
    font.setPixelSize(12);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFile sheet(QStringLiteral(":/style/velmira.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    app.setWindowIcon(QIcon(QStringLiteral(":/images/appicon.svg")));
}
