#include "login/Endpoints.h"

#include <QFile>
#include <QUrl>

#include <array>
#include <cstdio>
#include <optional>

namespace {

struct EndpointEntry
{
    const char* name;
    const char* host;
};

// Reserved names until the service gives the real ones.
constexpr std::array<EndpointEntry, EndpointCount> kEndpoints = {{
    {"biglobe-gateway", "gw.biglobe.example"},
    {"nifty-login", "sso.nifty.example"},
    {"nifty-member", "member.nifty.example"},
    {"sonet-web", "www.so-net.example"},
    {"ocn-payment", "pay.ocn.example"},
    {"service-main", "www.rinvale.example"},
    {"service-top", "rinvale.example"},
    {"service-webmoney", "wm.rinvale.example"},
    {"service-biglobe", "biglobe.rinvale.example"},
    {"service-sonet", "sonet.rinvale.example"},
    {"service-bitcash", "bitcash.rinvale.example"},
    {"service-wallet", "wallet.rinvale.example"},
    {"yahoo-top", "www.yahoo-japan.example"},
    {"yahoo-help", "help.yahoo-japan.example"},
    {"yahoo-auth", "auth.yahoo-japan.example"},
    {"yahoo-login", "login.yahoo-japan.example"},
}};

using Overrides = std::array<std::optional<QString>, EndpointCount>;

void warn(const QString& text)
{
    std::fprintf(stderr, "velmira: %s\n", text.toLocal8Bit().constData());
}

Overrides readOverrides()
{
    Overrides result;
    const QString fileName = qEnvironmentVariable("VELMIRA_ENDPOINTS");
    if (fileName.isEmpty())
        return result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        warn(QStringLiteral("endpoint file %1 cannot be read (%2); using the built-in hosts")
                 .arg(fileName, file.errorString()));
        return result;
    }
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed();
        QString base = line.mid(eq + 1).trimmed();
        const QUrl url(base, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty() || !url.query().isEmpty() ||
            (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            continue;
        while (base.endsWith(QLatin1Char('/')))
            base.chop(1);
        for (size_t i = 0; i < kEndpoints.size(); ++i)
            if (name == QLatin1String(kEndpoints[i].name))
                result[i] = base;
    }
    return result;
}

Overrides& overrides()
{
    static Overrides current = readOverrides();
    return current;
}

} // namespace

QString EndpointName(TEndpoint endpoint)
{
    return QLatin1String(kEndpoints[size_t(endpoint)].name);
}

QString EndpointHost(TEndpoint endpoint)
{
    return QLatin1String(kEndpoints[size_t(endpoint)].host);
}

QString EndpointUrl(TEndpoint endpoint, const QString& scheme, const QString& path)
{
    return ResolveAddress(scheme + QLatin1String("://") + EndpointHost(endpoint) + path);
}

QString ResolveAddress(const QString& url)
{
    const qsizetype schemeEnd = url.indexOf(QLatin1String("://"));
    if (schemeEnd <= 0)
        return url;
    const qsizetype hostStart = schemeEnd + 3;
    qsizetype hostEnd = hostStart;
    while (hostEnd < url.size() && url[hostEnd] != QLatin1Char('/') && url[hostEnd] != QLatin1Char('?') &&
           url[hostEnd] != QLatin1Char('#'))
        ++hostEnd;
    const QStringView host = QStringView(url).mid(hostStart, hostEnd - hostStart);
    for (size_t i = 0; i < kEndpoints.size(); ++i) {
        if (host.compare(QLatin1String(kEndpoints[i].host), Qt::CaseInsensitive) != 0)
            continue;
        const std::optional<QString>& base = overrides()[i];
        if (!base)
            return url;
        return *base + url.mid(hostEnd);
    }
    return url;
}

void ReloadEndpointOverrides()
{
    overrides() = readOverrides();
}
