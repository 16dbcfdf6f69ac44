#pragma once

#include <QDialog>

class QLabel;
class QVariantAnimation;

// The about window, also the start-up splash: a borderless 600 x 216 picture with the version.
class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    bool IsSplash = false; // set by the creator before showing

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

    static constexpr int FadeMilliseconds = 500;
    static constexpr int SplashPauseMilliseconds = 100;

public slots:
    void seAnimation1Finish();
    void Image1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVariantAnimation* FFade = nullptr;
    bool FWasActive = false;
};
