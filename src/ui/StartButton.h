#pragma once

#include <QColor>
#include <QPushButton>

class QVariantAnimation;

// A two-state button of the start page whose hover highlight fades in and out instead of
// switching at once. The highlight is drawn over the face the style sheet gives the button.
class TStartButton : public QPushButton
{
    Q_OBJECT
    // Highlight at full strength; the style sheet may set it with qproperty-hoverColor.
    Q_PROPERTY(QColor hoverColor READ hoverColor WRITE setHoverColor)
    // Corner radius of the highlight, to match the face's border-radius.
    Q_PROPERTY(int hoverRadius READ hoverRadius WRITE setHoverRadius)
    // Milliseconds of a fade from nothing to full highlight.
    Q_PROPERTY(int fadeDuration READ fadeDuration WRITE setFadeDuration)
public:
    static constexpr int DefaultFadeDuration = 200;

    explicit TStartButton(const QString& caption, QWidget* parent = nullptr);

    QColor hoverColor() const;
    void setHoverColor(const QColor& color);
    int hoverRadius() const { return FHoverRadius; }
    void setHoverRadius(int radius);
    int fadeDuration() const { return FFadeDuration; }
    void setFadeDuration(int milliseconds);

    // 0 plain face, 1 full highlight.
    qreal hoverLevel() const { return FLevel; }
    bool isFading() const;
    // Plain face again: not under the mouse, no fade running, no highlight left.
    void resetHover();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void fadeTo(qreal target);
    void stopFade();

    QVariantAnimation* FFade = nullptr;
    qreal FLevel = 0;
    QColor FHoverColor; // invalid: derived from the palette
    int FHoverRadius = 3;
    int FFadeDuration = DefaultFadeDuration;
};
