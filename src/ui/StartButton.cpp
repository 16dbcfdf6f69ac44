#include "ui/StartButton.h"

#include <QButtonGroup>
#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

TStartButton::TStartButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), FFade(new QVariantAnimation(this))
{
    setCheckable(true);
    setAccessibleName(caption);
    FFade->setEasingCurve(QEasingCurve::OutCubic);
    connect(FFade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        FLevel = value.toReal();
        update();
    });
}

QColor TStartButton::hoverColor() const
{
    if (FHoverColor.isValid())
        return FHoverColor;
    QColor color = palette().color(QPalette::Highlight);
    color.setAlphaF(0.25f);
    return color;
}

void TStartButton::setHoverColor(const QColor& color)
{
    FHoverColor = color;
    update();
}

void TStartButton::setHoverRadius(int radius)
{
    FHoverRadius = std::max(0, radius);
    update();
}

void TStartButton::setFadeDuration(int milliseconds)
{
    FFadeDuration = std::max(1, milliseconds);
}

bool TStartButton::isFading() const
{
    return FFade->state() == QAbstractAnimation::Running;
}

void TStartButton::resetHover()
{
    setAttribute(Qt::WA_UnderMouse, false);
    stopFade();
    repaint();
}

void TStartButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    if (isEnabled())
        fadeTo(1);
}

void TStartButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    fadeTo(0);
}

void TStartButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    // A disabled button shows no highlight, even with the mouse still over it.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        stopFade();
        update();
    }
}

void TStartButton::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
    // Qt lets only the down button of an exclusive group take Tab focus, as with radio buttons;
    // these are push buttons, and a keyboard user reaches each of them with Tab.
    if (QButtonGroup* pair = group())
        for (QAbstractButton* button : pair->buttons())
            button->setFocusPolicy(Qt::FocusPolicy(button->focusPolicy() | Qt::TabFocus));
}

void TStartButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (FLevel <= 0)
        return;
    QColor color = hoverColor();
    color.setAlphaF(color.alphaF() * float(std::min<qreal>(FLevel, 1)));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), FHoverRadius, FHoverRadius);
}

void TStartButton::fadeTo(qreal target)
{
    FFade->stop();
    const qreal distance = std::abs(target - FLevel);
    if (distance < 0.001) {
        FLevel = target;
        update();
        return;
    }
    // A fade that reverses half-way takes only the time of the way back.
    FFade->setDuration(std::max(1, int(std::lround(FFadeDuration * distance))));
    FFade->setStartValue(FLevel);
    FFade->setEndValue(target);
    FFade->start();
}

void TStartButton::stopFade()
{
    FFade->stop();
    FLevel = 0;
}
