#pragma once

#include <QString>
#include <array>

constexpr int ProviderCount = 8;
constexpr int CourseCount = 3;

// 0 BIGLOBE, 1 @nifty, 2 So-net, 3 OCN, 4 WebMoney, 5 BitCash, 6 クレジット課金, 7 Yahoo!ウォレット
enum TProvider {
    pvBiglobe,
    pvNifty,
    pvSonet,
    pvOcn,
    pvWebMoney,
    pvBitCash,
    pvCredit,
    pvWallet,
};

enum TUrlKind {
    ukLoginPage,
    ukMemberPage,
    ukIdField,
    ukPassField,
    ukDownloadUser,
    ukDownloadPass,
};
constexpr int UrlKindCount = 6;

QString ProviderNames(int provider); // "BIGLOBE" ... "Yahoo!ウォレット"
QString CourseNames(int course);     // "Aコース", "Bコース", "Cコース"

// True when provider and course name an entry of the catalogue.
bool IsProviderCourseSet(int provider, int course);

// Where each provider and course logs in, what proves the login, the login form's field names
// and the built-in (enciphered) download account; and the two settings-file addresses.
class TProviderCatalogue
{
public:
    // Fills all 144 entries, then the two settings-file addresses.
    void InitProviderTables();

    // Copies the six entries of provider and course into the current fields; a provider or
    // course that names no entry (negative, or beyond the table) changes nothing.
    void SelectProviderCourse(int provider, int course);

    static constexpr int EntryIndex(int kind, int provider, int course)
    {
        return kind * 24 + provider * 3 + course;
    }

    std::array<QString, UrlKindCount * ProviderCount * CourseCount> gProviderTable;

    QString gLoginPage;
    QString gMemberPage;
    QString gIdField;
    QString gPassField;
    QString gDownloadUser;
    QString gDownloadPass;

    QString gSettingsUrl;  // enciphered address of the old-format (RV2) settings file
    QString gSettingsUrl2; // enciphered address of the new-format (RV3) settings file
};
