#include "ui/PageBanner.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QPixmap RenderSvg(const QString& path, const QSize& size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pixmap;
}

QLabel* CreatePageBanner(QWidget* page, const QString& picture, const QSize& size)
{
    auto* banner = new QLabel(page);
    banner->setObjectName(QStringLiteral("spSkinLinkImage1"));
    banner->setProperty("class", QStringLiteral("pageBanner"));
    banner->setGeometry(0, 0, size.width(), size.height());
    banner->setPixmap(RenderSvg(picture, size, page->devicePixelRatioF()));
    banner->setAttribute(Qt::WA_TransparentForMouseEvents);
    return banner;
}

QLabel* CreateInstructionLabel(QWidget* page, const QString& text)
{
    auto* label = new QLabel(text, page);
    label->setObjectName(QStringLiteral("lblSetsumei"));
    label->setProperty("class", QStringLiteral("instruction"));
    label->setGeometry(318, 56, 834 - 318 - 4, 18);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    return label;
}
