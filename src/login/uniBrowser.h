#pragma once

#include <QWidget>

class QLabel;

// The login page: the provider's own login pages in an embedded browser, under a banner with
// the instruction line.
class TfraBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit TfraBrowser(QWidget* parent = nullptr);

    QLabel* spSkinLinkImage1 = nullptr;
    QLabel* lblSetsumei = nullptr;
    QWidget* spSkinPanel1 = nullptr; // holds the browser control

    bool FDone = false;

    // A fresh browser for this connection; for a member who logs in without one it stays out of
    // view.
    void PrepareBrowser(bool outOfView = false);
    // Opens the login page of the member's provider and course.
    void StartLogin(const QString& loginPage);
    // Forgets the login in progress (Abort): about:blank, stopped.
    void StopLogin();
    // A page proved the login: the main window takes over.
    void LoginCompleted();

signals:
    void loginCompleted();

private:
    QString FLoginPage;
};
