#include "login/LoginDriver.h"

#include "app/NaviSettings.h"
#include "login/Endpoints.h"
#include "login/ProviderCatalogue.h"
#include "util/AnsiText.h"
#include "util/uniDivide.h"

#include <QRegularExpression>
#include <QUrl>

namespace {
const QString kBlank = QStringLiteral("about:blank");

// A text split at ";" when it gives exactly four pieces; otherwise four empty texts.
QStringList fourParts(const QString& text)
{
    const TDivide divide(ToAnsi(text), ';');
    QStringList parts;
    if (divide.Count() == 4) {
        for (const QByteArray& piece : divide.Items())
            parts << FromAnsi(piece);
    } else {
        parts = QStringList(4, QString());
    }
    return parts;
}

QString withoutScheme(const QString& address)
{
    const qsizetype at = address.indexOf(QLatin1String("://"));
    return at < 0 ? address : address.mid(at + 3);
}
} // namespace

bool SameAddress(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const QUrl ua(a), ub(b);
    return ua.isValid() && ub.isValid() && ua.toString(QUrl::FullyEncoded) == ub.toString(QUrl::FullyEncoded);
}

bool CutAfter(QString& S, const QString& Marker)
{
    const qsizetype at = S.indexOf(Marker, 0, Qt::CaseSensitive);
    if (at < 0)
        return false;
    S = S.mid(at + Marker.size());
    return true;
}

void ExtractBetween(QString& S, const QString& StartMarker, const QString& EndMarker, QString& Found)
{
    Found.clear();
    const qsizetype start = S.indexOf(StartMarker, 0, Qt::CaseSensitive);
    if (start < 0)
        return;
    S = S.mid(start);
    const qsizetype end = S.indexOf(EndMarker, 0, Qt::CaseSensitive);
    if (end < 0)
        return;
    Found = S.left(end);
    S = S.mid(end + EndMarker.size());
}

QString WalletIndexReplacement(const QString& form, const QString& link)
{
    const QChar ideographicSpace(0x3000);
    QString page;
    page += QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                           "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">");
    page += QStringLiteral("<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"ja\" lang=\"ja\">");
    page +=
        QStringLiteral("<head><title>リンヴェールOnLine") + ideographicSpace +
        QStringLiteral("Yahoo!ウォレット決済会員ページ</title>"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\" />"
                       "<link href=\"./images_credit/regist_bc.css\" rel=\"stylesheet\" type=\"text/css\" />"
                       "</head>");
    page += QStringLiteral("<body><div id=\"wrapper\"><div align=\"center\">"
                           "<table width=\"580\" border=\"0\" cellspacing=\"0\" cellpadding=\"5\" "
                           "style=\"font-size:14px; \">");
    page += QStringLiteral("<tr><td align=\"left\" bgcolor=\"#CCFFFF\"><div align=\"center\">"
                           "リンヴェールOnLineログイン方法</div></td></tr>");
    page +=
        QStringLiteral(
            "<tr><td align=\"left\">メンバーページへアクセスする場合には、下記ログインボタンをクリックして"
            "ログイン画面へ進んでください。<br /><br /><font color=\"#ff0000\">"
            "※Yahoo!ウォレット決済で、既にメンバー登録を完了している必要があります。"
            "まだメンバー登録をしていない場合は、<b><a href=\"") +
        link.toHtmlEscaped() +
        QStringLiteral("\" target=\"_blank\">こちら</a></b>から[購入する]ボタンを押し"
                       "「メンバー登録（決済）ページ」へ進んでください。</font><br /><br /></td></tr>");
    page += QStringLiteral("<tr><td align=\"center\">") + form + QStringLiteral("</td></tr>");
    page +=
        QStringLiteral("</table><p>") + ideographicSpace + QStringLiteral("</p></div></div></body></html>");
    return page;
}

QString AdjustedYahooLoginMarkup(const QString& html)
{
    QString text = html;
    const QString box = QStringLiteral("<input id=\"persistent\" ");
    const qsizetype at = text.indexOf(box, 0, Qt::CaseInsensitive);
    if (at >= 0) {
        const qsizetype attributes = at + box.size();
        text.insert(attributes, QStringLiteral("disabled=\"disabled\" UNCHECKED "));
        // This engine writes a ticked box as checked="checked"; unticked means without it.
        const qsizetype tagEnd = text.indexOf(QLatin1Char('>'), attributes);
        if (tagEnd > attributes) {
            QString tag = text.mid(attributes, tagEnd - attributes);
            static const QRegularExpression checked(QStringLiteral("(^|\\s)checked(=\"[^\"]*\")?(?=\\s|/|$)"),
                                                    QRegularExpression::CaseInsensitiveOption);
            tag.replace(checked, QString());
            text.replace(attributes, tagEnd - attributes, tag);
        }
    }
    text.replace(QStringLiteral("<a href"), QStringLiteral("<a target=\"_blank\" href"), Qt::CaseSensitive);
    return text;
}

QString AdjustedYahooConsentMarkup(const QString& html, const QString& topPage, const QString& helpIndex)
{
    const QString footer =
        QStringLiteral("<a href=\"%1\">Yahoo! JAPAN</a>&nbsp;-&nbsp;<a href=\"%2\">ヘルプ</a>")
            .arg(topPage, helpIndex);
    const qsizetype at = html.indexOf(footer, 0, Qt::CaseInsensitive);
    if (at < 0)
        return html;
    const QString blank = QStringLiteral("<a target=\"_blank\" href=\"%1\">Yahoo! JAPAN</a>&nbsp;-&nbsp;"
                                         "<a target=\"_blank\" href=\"%2\">ヘルプ</a>")
                              .arg(topPage, helpIndex);
    QString text = html;
    text.replace(at, footer.size(), blank);
    return text;
}

TLoginDriver::TLoginDriver(const TNaviSettings& settings, const TProviderCatalogue& catalogue,
                           TLoginHost& host)
    : FSettings(settings), FCatalogue(catalogue), FHost(host)
{
}

QString TLoginDriver::BitCashResultPage()
{
    return EndpointUrl(TEndpoint::ServiceMain, QStringLiteral("https"),
                       QStringLiteral("/bitcash/auth/login.cgi"));
}

QString TLoginDriver::BitCashRegistrationPage()
{
    return EndpointUrl(TEndpoint::ServiceMain, QStringLiteral("http"),
                       QStringLiteral("/dazorezazi/touroku/step2_bitcash.html"));
}

QString TLoginDriver::BiglobeNoEntryPage()
{
    return EndpointUrl(TEndpoint::ServiceBiglobe, QStringLiteral("http"), QStringLiteral("/no_entry.html"));
}

QString TLoginDriver::YahooTopPage()
{
    return EndpointUrl(TEndpoint::YahooTop, QStringLiteral("http"), QStringLiteral("/"));
}

QString TLoginDriver::YahooHelpIndex()
{
    return EndpointUrl(TEndpoint::YahooHelp, QStringLiteral("http"), QStringLiteral("/help/jp/"));
}

QString TLoginDriver::YahooAuthRoot()
{
    return EndpointUrl(TEndpoint::YahooAuth, QStringLiteral("https"), QStringLiteral("/"));
}

QString TLoginDriver::YahooLoginPrefix()
{
    return EndpointUrl(TEndpoint::YahooLogin, QStringLiteral("https"), QStringLiteral("/config/login?.src"));
}

QString TLoginDriver::WalletIndexPage(int course) const
{
    if (course < 0 || course >= CourseCount)
        return {};
    return FCatalogue.gProviderTable[TProviderCatalogue::EntryIndex(ukLoginPage, pvWallet, course)];
}

QString TLoginDriver::Instruction(int provider)
{
    switch (provider) {
    case pvBiglobe:
    case pvSonet:
        return QStringLiteral("ユーザーIDとパスワードを入力し、[ログイン]ボタンを押してください。");
    case pvNifty:
        return QStringLiteral("@nifty IDとパスワードを入力し、[ログイン]ボタンを押してください。");
    case pvOcn:
        return QStringLiteral("IDとパスワードを入力し、[確認]ボタンを押してください。");
    case pvWebMoney:
        return QStringLiteral("WebMoneyプリペイド番号入力し、決済を完了してください。");
    case pvBitCash:
        return QStringLiteral("BitCashのひらがなIDを入力し、[ログイン]ボタンを押してください。");
    case pvWallet:
        return QStringLiteral("Yahoo! JAPAN IDとパスワードを入力し、[ログイン]ボタンを押してください。");
    default:
        return {};
    }
}

void TLoginDriver::StartLogin()
{
    FDone = false;
    if (!FPage)
        return;
    FPage->Navigate(kBlank);
    FPage->Navigate(FCatalogue.gLoginPage);
}

void TLoginDriver::StopLogin()
{
    FDone = false;
    if (!FPage)
        return;
    FPage->Navigate(kBlank);
    FPage->Stop();
}

void TLoginDriver::LoginCompleted()
{
    FDone = true;
    if (FPage) {
        FPage->Stop();
        FPage->Navigate(kBlank);
    }
    FHost.HandOver();
}

QList<QPair<int, QString>> TLoginDriver::FormValues(const QList<TInputElement>& inputs) const
{
    QList<QPair<int, QString>> values;
    const bool bitCash = FSettings.gProvider == pvBitCash;
    const QStringList parts = bitCash ? fourParts(FSettings.gBitCash) : QStringList();
    const QStringList names = bitCash ? fourParts(FCatalogue.gIdField) : QStringList();
    for (int i = 0; i < inputs.size(); ++i) {
        const TInputElement& input = inputs[i];
        if (input.type == QLatin1String("text")) {
            if (bitCash) {
                for (int k = 0; k < 4; ++k)
                    if (input.name == names[k])
                        values.append({i, parts[k]});
            } else if (input.name == FCatalogue.gIdField) {
                values.append({i, FSettings.gUserName});
            }
        } else if (input.type == QLatin1String("password") && input.name == FCatalogue.gPassField) {
            values.append({i, FSettings.gPass});
        }
    }
    return values;
}

void TLoginDriver::WebBrowser1DocumentComplete(bool mainFrame, const QString& url)
{
    if (FDone || !FPage || !mainFrame)
        return;
    const int provider = FSettings.gProvider;
    // Which page this is follows from its address alone; the document is read only for a page
    // the driver acts on.
    enum { None, BitCashResult, WalletIndex, YahooTop, YahooConsent, LoginForm } page = None;
    if (provider == pvBitCash && SameAddress(url, BitCashResultPage())) {
        page = BitCashResult;
    } else if (provider == pvWallet) {
        for (int course = 0; course < CourseCount && page == None; ++course)
            if (SameAddress(url, WalletIndexPage(course)))
                page = WalletIndex;
        if (page == None && SameAddress(url, YahooTopPage()))
            page = YahooTop;
        else if (page == None && url.contains(YahooAuthRoot()))
            page = YahooConsent;
    }
    if (page == None && (SameAddress(url, FCatalogue.gLoginPage) ||
                         (provider == pvWallet && url.contains(YahooLoginPrefix()))))
        page = LoginForm;
    if (page == None || !FPage->HasDocument())
        return;

    switch (page) {
    case BitCashResult: {
        const QString body = FPage->BodyHtml();
        if (body.contains(QStringLiteral("まで有効です"))) {
            LoginCompleted();
        } else if (body.contains(QStringLiteral("会員登録が完了しておりません"))) {
            if (FHost.AskYesNo(
                    QStringLiteral("このIDでまだ会員登録していない場合は、先に会員登録が必要になります。"
                                   "\r\n\r\n今すぐ登録ページを開きますか？")))
                FHost.OpenInDefaultBrowser(BitCashRegistrationPage());
        }
        break;
    }
    case WalletIndex:
        RewriteWalletIndexPage();
        break;
    case YahooTop:
        FHost.Abort();
        break;
    case YahooConsent:
        AdjustYahooConsentPage();
        break;
    case LoginForm:
        FHost.SetInstruction(Instruction(provider));
        if (provider == pvWallet)
            AdjustYahooLoginPage();
        if (!FDone)
            FPage->SetInputValues(FormValues(FPage->Inputs()));
        break;
    case None:
        break;
    }
}

void TLoginDriver::WebBrowser1NavigateComplete2(const QString& url)
{
    if (FDone || FSettings.gProvider == pvNifty)
        return;
    if (!FCatalogue.gMemberPage.isEmpty() && SameAddress(url, FCatalogue.gMemberPage))
        LoginCompleted();
}

void TLoginDriver::WebBrowser1TitleChange(const QString& text)
{
    if (FDone)
        return;
    switch (FSettings.gProvider) {
    case pvNifty:
        if (text == QStringLiteral("リンヴェールOnLine - nifty"))
            LoginCompleted();
        break;
    case pvBiglobe: {
        // A page without a title shows its address, which this engine gives without the scheme.
        const QString noEntry = BiglobeNoEntryPage();
        if (text == noEntry || text == withoutScheme(noEntry))
            LoginCompleted();
        break;
    }
    case pvWallet:
        if (text == QStringLiteral("Yahoo!ウォレット"))
            OfferWalletRegistration();
        break;
    default:
        break;
    }
}

void TLoginDriver::RewriteWalletIndexPage()
{
    FHost.SetInstruction(QStringLiteral("ボタンを押して、ログインページへ進んでください。"));
    QString text = FPage->BodyHtml();
    if (!CutAfter(text, QStringLiteral("</form>"))) {
        FHost.Abort();
        return;
    }
    QString form;
    ExtractBetween(text, QStringLiteral("<form "),
                   QStringLiteral("<p>") + QChar(0x3000) + QStringLiteral("</p>"), form);
    FPage->SetBodyHtml(WalletIndexReplacement(form, WalletIndexPage(FSettings.gCourse)));
}

void TLoginDriver::AdjustYahooLoginPage()
{
    FPage->SetBodyHtml(AdjustedYahooLoginMarkup(FPage->BodyHtml()));
}

void TLoginDriver::AdjustYahooConsentPage()
{
    FPage->SetBodyHtml(AdjustedYahooConsentMarkup(FPage->BodyHtml(), YahooTopPage(), YahooHelpIndex()));
    FHost.SetInstruction(QStringLiteral("「注意事項」を確認した後、[同意する]ボタンを押してください。"));
}

void TLoginDriver::OfferWalletRegistration()
{
    FDone = true;
    if (FPage) {
        FPage->Stop();
        FPage->Navigate(kBlank);
    }
    if (FHost.AskYesNo(
            QStringLiteral("Yahoo!ウォレット決済で、指定コースのメンバー登録情報がありません。"
                           "先にメンバー登録を行う必要があります。\r\n今すぐ登録ページを開きますか？"))) {
        const QString link = WalletIndexPage(FSettings.gCourse);
        if (!link.isEmpty())
            FHost.OpenInDefaultBrowser(link);
    }
    FHost.Abort();
}
