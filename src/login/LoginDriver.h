#pragma once

#include <QList>
#include <QPair>
#include <QString>

class TProviderCatalogue;
struct TNaviSettings;

// One INPUT element of the document, in document order.
struct TInputElement
{
    QString type; // as the browser reports it: "text", "password", ...
    QString name; // empty when the element has none
};

// What the login driver needs of the browser: navigation, and reads and writes of the document.
// The real one wraps the embedded web engine; tests use a fake.
class TLoginPage
{
public:
    virtual ~TLoginPage() = default;
    virtual void Navigate(const QString& url) = 0;
    virtual void Stop() = 0;
    virtual bool HasDocument() = 0;
    virtual QList<TInputElement> Inputs() = 0;
    // Values by position in Inputs().
    virtual void SetInputValues(const QList<QPair<int, QString>>& values) = 0;
    virtual QString BodyHtml() = 0;
    virtual void SetBodyHtml(const QString& html) = 0;
};

// What the login driver needs of the main window.
class TLoginHost
{
public:
    virtual ~TLoginHost() = default;
    virtual void SetInstruction(const QString& text) = 0; // the login page's lblSetsumei
    virtual void Abort() = 0;                             // as the toolbar's Abort
    virtual void HandOver() = 0;                          // status bar, download page, list
    virtual bool AskYesNo(const QString& message) = 0;    // information dialog with Yes and No
    virtual void OpenInDefaultBrowser(const QString& url) = 0;
};

// Logs the member in on the provider's own pages: recognises the pages the browser reports,
// fills the login form with the stored credentials (never submits it), sets the instruction line,
// and hands over when a page proves the login. Every event does nothing once FDone is set.
class TLoginDriver
{
public:
    TLoginDriver(const TNaviSettings& settings, const TProviderCatalogue& catalogue, TLoginHost& host);

    void SetPage(TLoginPage* page) { FPage = page; }
    TLoginPage* Page() const { return FPage; }

    bool FDone = false;

    void StartLogin();
    void StopLogin(); // Abort: FDone cleared, about:blank, stopped
    void LoginCompleted();

    // The browser's three events. mainFrame is false for a frame inside the page.
    void WebBrowser1DocumentComplete(bool mainFrame, const QString& url);
    void WebBrowser1NavigateComplete2(const QString& url);
    void WebBrowser1TitleChange(const QString& text);

    void RewriteWalletIndexPage();
    void AdjustYahooLoginPage();
    void AdjustYahooConsentPage();
    void OfferWalletRegistration();

    // The fixed addresses the driver opens or compares, after the endpoint override.
    static QString BitCashResultPage();
    static QString BitCashRegistrationPage();
    static QString BiglobeNoEntryPage();
    static QString YahooTopPage();
    static QString YahooHelpIndex();
    static QString YahooAuthRoot();
    static QString YahooLoginPrefix();
    QString WalletIndexPage(int course) const; // empty for a course that is none

    // The values the form receives: positions in inputs and their texts.
    QList<QPair<int, QString>> FormValues(const QList<TInputElement>& inputs) const;
    static QString Instruction(int provider);

private:
    const TNaviSettings& FSettings;
    const TProviderCatalogue& FCatalogue;
    TLoginHost& FHost;
    TLoginPage* FPage = nullptr;
};

// The two text routines used on page markup.
bool CutAfter(QString& S, const QString& Marker);
void ExtractBetween(QString& S, const QString& StartMarker, const QString& EndMarker, QString& Found);

// The plain page that replaces the Yahoo!ウォレット index page.
QString WalletIndexReplacement(const QString& form, const QString& link);
// The login page with its persistent-login box disabled and unticked and every link opening
// in a new window; the consent page with its two footer links opening in a new window.
QString AdjustedYahooLoginMarkup(const QString& html);
QString AdjustedYahooConsentMarkup(const QString& html, const QString& topPage, const QString& helpIndex);

// Address comparison that ignores how the browser encodes an address.
bool SameAddress(const QString& a, const QString& b);
