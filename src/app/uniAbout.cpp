#include "app/uniAbout.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QVariantAnimation>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    setFixedSize(600, 216);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 600, 216);
    QPixmap picture(size() * devicePixelRatioF());
    picture.setDevicePixelRatio(devicePixelRatioF());
    picture.fill(QColor(0x14, 0x30, 0x5a));
    {
        QPainter painter(&picture);
        QSvgRenderer(QStringLiteral(":/images/splash.svg")).render(&painter, QRectF(0, 0, 600, 216));
    }
    Image1->setPixmap(picture);
    Image1->setAccessibleName(QStringLiteral("Velmira 2"));
    Image1->installEventFilter(this);

    const auto label = [this](const char* name, const QString& text, int top) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setProperty("class", QStringLiteral("aboutText"));
        l->setAttribute(Qt::WA_TranslucentBackground);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        l->move(16, top);
        l->adjustSize();
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Version 1.09"), 14);
    Label2 = label("Label2", QStringLiteral("リンヴェールOnLine 会員向けデータダウンロードツール"), 28);

    FFade = new QVariantAnimation(this);
    FFade->setDuration(FadeMilliseconds);
    FFade->setStartValue(0.0);
    FFade->setEndValue(1.0);
    connect(FFade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setWindowOpacity(value.toDouble()); });
    connect(FFade, &QVariantAnimation::finished, this, &TfrmAbout::seAnimation1Finish);
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    setWindowOpacity(0.0);
    FFade->start();
}

void TfrmAbout::seAnimation1Finish()
{
    setWindowOpacity(1.0);
    if (IsSplash)
        QTimer::singleShot(SplashPauseMilliseconds, this, &QDialog::accept);
}

void TfrmAbout::Image1Click()
{
    accept();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        Image1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmAbout::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Closes when the member turns to another window; a window never activated yet (as under a
    // bare X server) is not closed by the first change.
    if (isActiveWindow())
        FWasActive = true;
    else if (FWasActive && isVisible())
        accept();
}
