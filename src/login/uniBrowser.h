#pragma once

#include "login/LoginDriver.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QLabel;
class QWebEngineView;
class TProviderCatalogue;
struct TNaviSettings;

// The login page: the provider's own login pages in an embedded browser, under a banner with
// the instruction line. The rules of the login live in TLoginDriver; this page gives it the
// browser and the window.
class TfraBrowser : public QWidget, public TLoginHost
{
    Q_OBJECT
public:
    TfraBrowser(TNaviSettings& settings, TProviderCatalogue& catalogue, QWidget* parent = nullptr);
    ~TfraBrowser() override;

    QLabel* spSkinLinkImage1 = nullptr;
    QLabel* lblSetsumei = nullptr;
    QWidget* spSkinPanel1 = nullptr;       // holds the browser control
    QWebEngineView* WebBrowser1 = nullptr; // absent until the first browser login

    TLoginDriver& Driver() { return *FDriver; }
    bool Done() const { return FDriver->FDone; }
    void SetDone(bool done) { FDriver->FDone = done; }

    // A fresh browser for this connection. A member who logs in without one (credit billing)
    // gets none: nothing of the web engine is started for them.
    void PrepareBrowser(bool needed = true);
    void StartLogin();
    void StopLogin();
    void LoginCompleted();

    // TLoginHost
    void SetInstruction(const QString& text) override;
    void Abort() override;
    void HandOver() override;
    bool AskYesNo(const QString& message) override;
    void OpenInDefaultBrowser(const QString& url) override;

signals:
    void loginCompleted();
    void abortRequested();

private:
    std::unique_ptr<TLoginDriver> FDriver;
    std::unique_ptr<TLoginPage> FPage;
};
