#include "app/PageTransition.h"

#include <QEventLoop>
#include <QPainter>
#include <QVariantAnimation>

TPushTransition::TPushTransition(QWidget* host, QPixmap before, QPixmap after, bool forward)
    : QWidget(host), FBefore(std::move(before)), FAfter(std::move(after)), FForward(forward)
{
    setObjectName(QStringLiteral("PageTransition"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(host->rect());
}

void TPushTransition::Play()
{
    if (!parentWidget()->isVisible())
        return;
    raise();
    show();
    QVariantAnimation animation;
    animation.setDuration(DurationMilliseconds);
    animation.setStartValue(0.0);
    animation.setEndValue(1.0);
    animation.setEasingCurve(QEasingCurve::OutCubic);
    connect(&animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        FProgress = value.toReal();
        update();
    });
    QEventLoop loop;
    connect(&animation, &QVariantAnimation::finished, &loop, &QEventLoop::quit);
    animation.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    hide();
}

void TPushTransition::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int shift = qRound(FProgress * w);
    if (FForward) {
        painter.drawPixmap(-shift, 0, FBefore);
        painter.drawPixmap(w - shift, 0, FAfter);
    } else {
        painter.drawPixmap(shift, 0, FBefore);
        painter.drawPixmap(shift - w, 0, FAfter);
    }
}
