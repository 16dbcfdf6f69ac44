#pragma once

#include <QString>

// The hosts the program talks to. Each is one host of the service, of a billing provider or of
// Yahoo! JAPAN; its name is configuration, kept in one table.
enum class TEndpoint {
    BiglobeGateway,
    NiftyLogin,
    NiftyMember,
    SonetWeb,
    OcnPayment,
    ServiceMain,
    ServiceTop,
    ServiceWebMoney,
    ServiceBiglobe,
    ServiceSonet,
    ServiceBitCash,
    ServiceWallet,
    YahooTop,
    YahooHelp,
    YahooAuth,
    YahooLogin,
};
constexpr int EndpointCount = 16;

QString EndpointName(TEndpoint endpoint); // the name used in the override file
QString EndpointHost(TEndpoint endpoint); // the built-in host name

// The address of Path (path and query) at the endpoint, after the override.
QString EndpointUrl(TEndpoint endpoint, const QString& scheme, const QString& path);

// Every address the program opens or compares passes through here: when its host is an
// endpoint's built-in host and that endpoint is overridden, scheme and host are replaced by the
// override's base address and the base's path goes before the address's own path. Other
// addresses come back unchanged, byte for byte.
QString ResolveAddress(const QString& url);

// The override file named by the environment variable VELMIRA_ENDPOINTS: lines of
// "endpoint=base-URL". Read on first use; a missing or unreadable file is reported on standard
// error and ignored, a line that is not name=URL is skipped.
void ReloadEndpointOverrides();
