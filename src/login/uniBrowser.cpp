#include "login/uniBrowser.h"

#include "app/MessageDialogs.h"
#include "ui/PageBanner.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

// A page the provider opens in a new window: it goes to the member's default browser instead.
class TExternalWindowPage : public QWebEnginePage
{
public:
    explicit TExternalWindowPage(QObject* parent) : QWebEnginePage(parent) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            QDesktopServices::openUrl(url);
        deleteLater();
        return false;
    }
};

class TLoginWebPage : public QWebEnginePage
{
public:
    explicit TLoginWebPage(QObject* parent) : QWebEnginePage(parent) {}

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return new TExternalWindowPage(parent()); }
};

// The document of the embedded browser, read and written through scripts. Each call waits for
// its answer; keyboard and mouse input wait meanwhile.
class TWebLoginPage : public TLoginPage
{
public:
    explicit TWebLoginPage(QWebEngineView* view) : FView(view) {}

    void Navigate(const QString& url) override
    {
        if (FView)
            FView->setUrl(QUrl(url));
    }
    void Stop() override
    {
        if (FView)
            FView->stop();
    }
    bool HasDocument() override { return Run(QStringLiteral("!!document.body")).toBool(); }
    QList<TInputElement> Inputs() override
    {
        const QVariant answer = Run(
            QStringLiteral("JSON.stringify(Array.prototype.map.call(document.getElementsByTagName('input'),"
                           " function (e) { return [e.type, e.getAttribute('name') || '']; }))"));
        QList<TInputElement> inputs;
        for (const QJsonValue& value : QJsonDocument::fromJson(answer.toString().toUtf8()).array()) {
            const QJsonArray pair = value.toArray();
            inputs.append({pair.at(0).toString(), pair.at(1).toString()});
        }
        return inputs;
    }
    void SetInputValues(const QList<QPair<int, QString>>& values) override
    {
        if (values.isEmpty())
            return;
        QJsonObject map;
        for (const auto& [index, value] : values)
            map.insert(QString::number(index), value);
        Run(QStringLiteral("(function (v) { var l = document.getElementsByTagName('input');"
                           " for (var k in v) { if (l[k]) l[k].value = v[k]; } })(%1)")
                .arg(QString::fromUtf8(QJsonDocument(map).toJson(QJsonDocument::Compact))));
    }
    QString BodyHtml() override
    {
        return Run(QStringLiteral("document.body ? document.body.innerHTML : ''")).toString();
    }
    void SetBodyHtml(const QString& html) override
    {
        const QString literal =
            QString::fromUtf8(QJsonDocument(QJsonArray{html}).toJson(QJsonDocument::Compact));
        Run(QStringLiteral("if (document.body) document.body.innerHTML = %1[0];").arg(literal));
    }

private:
    // The engine now and then drops the answer of a script sent to a page it has just loaded;
    // the scripts only read or set values, so asking again is safe.
    QVariant Run(const QString& script)
    {
        for (int attempt = 0; attempt < 5 && FView; ++attempt) {
            bool answered = false;
            bool replaced = false;
            QVariant result;
            QEventLoop loop;
            QTimer::singleShot(1000, &loop, &QEventLoop::quit);
            QPointer<QEventLoop> guard(&loop);
            // A new navigation replaces the document, whose answer then never comes.
            QObject::connect(FView->page(), &QWebEnginePage::loadStarted, &loop, [&] {
                replaced = true;
                loop.quit();
            });
            FView->page()->runJavaScript(script, [&result, &answered, guard](const QVariant& value) {
                if (!guard)
                    return;
                result = value;
                answered = true;
                guard->quit();
            });
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            if (answered || replaced)
                return result;
        }
        return {};
    }

    QPointer<QWebEngineView> FView;
};

} // namespace

TfraBrowser::TfraBrowser(TNaviSettings& settings, TProviderCatalogue& catalogue, QWidget* parent)
    : QWidget(parent), FDriver(std::make_unique<TLoginDriver>(settings, catalogue, *this))
{
    setProperty("class", QStringLiteral("page"));
    spSkinLinkImage1 = CreatePageBanner(this, QStringLiteral(":/images/banner_login.svg"), QSize(834, 100));
    lblSetsumei =
        CreateInstructionLabel(this, QStringLiteral("ログインページに移動中です。しばらくお待ちください。"));
    spSkinPanel1 = new QWidget(this);
    spSkinPanel1->setObjectName(QStringLiteral("spSkinPanel1"));
    spSkinPanel1->setProperty("class", QStringLiteral("browserPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 104, 12, 10);
    layout->addWidget(spSkinPanel1);
    auto* panelLayout = new QVBoxLayout(spSkinPanel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
}

TfraBrowser::~TfraBrowser()
{
    FDriver->SetPage(nullptr);
    FPage.reset();
}

void TfraBrowser::PrepareBrowser(bool needed)
{
    FDriver->SetPage(nullptr);
    FPage.reset();
    if (WebBrowser1) {
        WebBrowser1->disconnect(this);
        WebBrowser1->deleteLater();
        WebBrowser1 = nullptr;
    }
    if (!needed)
        return;
    WebBrowser1 = new QWebEngineView(spSkinPanel1);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("ログインページ"));
    WebBrowser1->setPage(new TLoginWebPage(WebBrowser1));
    spSkinPanel1->layout()->addWidget(WebBrowser1);
    connect(WebBrowser1, &QWebEngineView::loadFinished, this, [this](bool) {
        if (WebBrowser1)
            FDriver->WebBrowser1DocumentComplete(true, WebBrowser1->url().toString());
    });
    connect(WebBrowser1, &QWebEngineView::urlChanged, this,
            [this](const QUrl& url) { FDriver->WebBrowser1NavigateComplete2(url.toString()); });
    connect(WebBrowser1, &QWebEngineView::titleChanged, this,
            [this](const QString& title) { FDriver->WebBrowser1TitleChange(title); });
    FPage = std::make_unique<TWebLoginPage>(WebBrowser1);
    FDriver->SetPage(FPage.get());
    WebBrowser1->setVisible(true);
}

void TfraBrowser::StartLogin()
{
    FDriver->StartLogin();
}

void TfraBrowser::StopLogin()
{
    FDriver->StopLogin();
}

void TfraBrowser::LoginCompleted()
{
    FDriver->LoginCompleted();
}

void TfraBrowser::SetInstruction(const QString& text)
{
    lblSetsumei->setText(text);
}

void TfraBrowser::Abort()
{
    emit abortRequested();
}

void TfraBrowser::HandOver()
{
    emit loginCompleted();
}

bool TfraBrowser::AskYesNo(const QString& message)
{
    return ::AskYesNo(TMessageKind::Information, message);
}

void TfraBrowser::OpenInDefaultBrowser(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}
