#include "login/ProviderCatalogue.h"

#include "login/Endpoints.h"

namespace {

const QString kHttp = QStringLiteral("http");
const QString kHttps = QStringLiteral("https");

struct AddressRow
{
    TEndpoint endpoint;
    const QString& scheme;
    const char* path[CourseCount];
};

QString address(const AddressRow& row, int course)
{
    return EndpointUrl(row.endpoint, row.scheme, QLatin1String(row.path[course]));
}

// The service's download accounts, enciphered with the service key set: user name, password.
// BIGLOBE, @nifty, So-net and OCN each have their own; the other four providers share one set.
constexpr const char* kDownloadAccounts[5][CourseCount][2] = {
    {{"JMspKotc", "X6rvXU0sIrMB"}, {"fuPAJID8", "Zz0WF28uOMFK"}, {"YRSXG9OO", "R3WOaWzV5bP/"}},
    {{"e4aL4C0O", "aettJ95KE6o7"}, {"J2+Oifos", "Zp8LVOwbN+kd"}, {"I/kQ815G", "UzzJHMH+wnKL"}},
    {{"do6dp1z9", "SjSBNlBSF5cd"}, {"dCoH9NuE", "RCCSSWt1aiaa"}, {"f2nh7TBp", "U33Vyxja1iJi"}},
    {{"ZBbk483H", "ItGDoOLc9uSE"}, {"KM805WDk", "cy9dW8Yd8K9m"}, {"ZUfkomIB", "IIO4sTFkUkI/"}},
    {{"Zz6lIRD6", "Vgcp1DowPIWd"}, {"YxJDEG4r", "SRODsNFKf0r2"}, {"JS09/lCw", "d6uj8Vtx2FYD"}},
};

constexpr const char* kSettingsUrl = "eCcNAP4ax+fQyMsG4eQXzZGBNpFL+gVSgS56P40mJwu+lAlaBycOkUm/RuTt";
constexpr const char* kSettingsUrl2 = "eCcNAP4ax+fQyMsG4eQXzZGBNpFL+gVSgS56P40mJwu+lcWtxIGRavS+Fyrx";

} // namespace

QString ProviderNames(int provider)
{
    static const char* const names[ProviderCount] = {
        "BIGLOBE", "@nifty", "So-net", "OCN", "WebMoney", "BitCash", "クレジット課金", "Yahoo!ウォレット",
    };
    return provider >= 0 && provider < ProviderCount ? QString::fromUtf8(names[provider]) : QString();
}

QString CourseNames(int course)
{
    static const char* const names[CourseCount] = {"Aコース", "Bコース", "Cコース"};
    return course >= 0 && course < CourseCount ? QString::fromUtf8(names[course]) : QString();
}

bool IsProviderCourseSet(int provider, int course)
{
    return provider >= 0 && provider < ProviderCount && course >= 0 && course < CourseCount;
}

void TProviderCatalogue::InitProviderTables()
{
    const AddressRow loginPages[ProviderCount] = {
        {TEndpoint::BiglobeGateway,
         kHttps,
         {"/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode=0006",
          "/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode=0009",
          "/gw/cp_gwcharge.php?GwShopCode=1291&GwGoodsCode=0012"}},
        {TEndpoint::NiftyLogin, kHttps, {"", "", ""}}, // built from the member page below
        {TEndpoint::SonetWeb,
         kHttps,
         {"/rinvale/subscribe-m/cgi-bin/loginindex.cgi?GRP_NO=816s04",
          "/rinvale/subscribe-m/cgi-bin/loginindex.cgi?GRP_NO=816s05",
          "/rinvale/subscribe-m/cgi-bin/loginindex.cgi?GRP_NO=816s06"}},
        {TEndpoint::OcnPayment,
         kHttps,
         {"/rinvale/m2-member/index_login.html", "/rinvale/m3-member/index_login.html",
          "/rinvale/m4-member/index_login.html"}},
        {TEndpoint::ServiceWebMoney,
         kHttp,
         {"/cgi-bin/wm_member/m_gotowm2.cgi", "/cgi-bin/wm_member/m_gotowm3.cgi",
          "/cgi-bin/wm_member/m_gotowm4.cgi"}},
        {TEndpoint::ServiceMain,
         kHttps,
         {"/bitcash/auth/login_m2.html", "/bitcash/auth/login_m3.html", "/bitcash/auth/login_m4.html"}},
        {TEndpoint::ServiceTop, kHttp, {"/", "/", "/"}},
        {TEndpoint::ServiceWallet, kHttp, {"/index_m2.html", "/index_m3.html", "/index_m4.html"}},
    };
    const AddressRow memberPages[ProviderCount] = {
        {TEndpoint::ServiceBiglobe,
         kHttp,
         {"/m2-member/index.html", "/m3-member/index.html", "/m4-member/index.html"}},
        {TEndpoint::NiftyMember,
         kHttps,
         {"/member/service/g-way/rinvale_a/m2-member/", "/member/service/g-way/rinvale_b/m3-member/",
          "/member/service/g-way/rinvale_c/m4-member/"}},
        {TEndpoint::ServiceSonet, kHttp, {"/m2-member/", "/m3-member/", "/m4-member/"}},
        {TEndpoint::OcnPayment,
         kHttps,
         {"/rinvale/m2-member/index.html", "/rinvale/m3-member/index.html", "/rinvale/m4-member/index.html"}},
        {TEndpoint::ServiceWebMoney,
         kHttp,
         {"/m2-member/index.html", "/m3-member/index.html", "/m4-member/index.html"}},
        {TEndpoint::ServiceBitCash, kHttp, {"/m2-member/", "/m3-member/", "/m4-member/"}},
        {TEndpoint::ServiceMain, kHttps, {"/credit/m2-member/", "/credit/m3-member/", "/credit/m4-member/"}},
        {TEndpoint::ServiceWallet,
         kHttp,
         {"/m2-member/index.html", "/m3-member/index.html", "/m4-member/index.html"}},
    };
    static const char* const idFields[ProviderCount] = {
        "BiglobeId", "username", "usr_id", "ID", "", "CARD_NUMBER1;CARD_NUMBER2;CARD_NUMBER3;CARD_NUMBER4",
        "",          "login",
    };
    static const char* const passFields[ProviderCount] = {"BiglobePwd", "password", "passwd", "IDPWD",
                                                          "",           "",         "",       "passwd"};

    for (int p = 0; p < ProviderCount; ++p) {
        const int accountSet = p < pvWebMoney ? p : 4;
        for (int c = 0; c < CourseCount; ++c) {
            const QString member = address(memberPages[p], c);
            QString login = address(loginPages[p], c);
            if (p == pvNifty)
                login = EndpointUrl(TEndpoint::NiftyLogin, kHttps,
                                    QStringLiteral("/pub/login.cgi?service=member&back=") + member);
            gProviderTable[EntryIndex(ukLoginPage, p, c)] = login;
            gProviderTable[EntryIndex(ukMemberPage, p, c)] = member;
            gProviderTable[EntryIndex(ukIdField, p, c)] = QLatin1String(idFields[p]);
            gProviderTable[EntryIndex(ukPassField, p, c)] = QLatin1String(passFields[p]);
            gProviderTable[EntryIndex(ukDownloadUser, p, c)] =
                QLatin1String(kDownloadAccounts[accountSet][c][0]);
            gProviderTable[EntryIndex(ukDownloadPass, p, c)] =
                QLatin1String(kDownloadAccounts[accountSet][c][1]);
        }
    }
    gSettingsUrl = QLatin1String(kSettingsUrl);
    gSettingsUrl2 = QLatin1String(kSettingsUrl2);
}

void TProviderCatalogue::SelectProviderCourse(int provider, int course)
{
    if (!IsProviderCourseSet(provider, course))
        return;
    QString* const current[UrlKindCount] = {&gLoginPage, &gMemberPage,   &gIdField,
                                            &gPassField, &gDownloadUser, &gDownloadPass};
    for (int k = 0; k < UrlKindCount; ++k)
        *current[k] = gProviderTable[EntryIndex(k, provider, course)];
}
