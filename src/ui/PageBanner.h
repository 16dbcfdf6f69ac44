#pragma once

#include <QString>

class QLabel;
class QSize;
class QWidget;

// The banner across the top of the login and download pages, with the one-line instruction
// `lblSetsumei` written in white on it at (318, 56).
QLabel* CreatePageBanner(QWidget* page, const QString& picture, const QSize& size);
QLabel* CreateInstructionLabel(QWidget* page, const QString& text);

// An SVG from the resources drawn at its design size (sharp on high-density screens too).
class QPixmap;
QPixmap RenderSvg(const QString& path, const QSize& size, qreal devicePixelRatio = 1.0);
