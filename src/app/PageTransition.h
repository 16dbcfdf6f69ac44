#pragma once

#include <QPixmap>
#include <QWidget>

// The push between two pages: the new page slides in and pushes the old one out. Forward moves
// come from the right, moves back from the left. Play returns when the push is over.
class TPushTransition : public QWidget
{
    Q_OBJECT
public:
    TPushTransition(QWidget* host, QPixmap before, QPixmap after, bool forward);

    static constexpr int DurationMilliseconds = 400;
    void Play();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FBefore;
    QPixmap FAfter;
    bool FForward;
    qreal FProgress = 0.0;
};
