#include "app/SettingsStore.h"

#include "login/ProviderCatalogue.h"
#include "util/TextCipher.h"

#include <QSettings>

namespace {

const QString kWindowGroup = QStringLiteral("frmVelmira");
const QString kOptionGroup = QStringLiteral("frmOption");
const QString kStartGroup = QStringLiteral("fraStart1.");

constexpr int kKeySetMember = 1;

// A value counts only when it is text; anything else (a list, a typed value) is treated as absent.
bool readText(QSettings& store, const QString& name, QString& text)
{
    const QVariant value = store.value(name);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return false;
    text = value.toString();
    return true;
}

QString readString(QSettings& store, const QString& name, const QString& fallback)
{
    QString text;
    return readText(store, name, text) ? text : fallback;
}

int readInteger(QSettings& store, const QString& name, int fallback)
{
    QString text;
    if (!readText(store, name, text))
        return fallback;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

bool readBoolean(QSettings& store, const QString& name, bool fallback)
{
    return readInteger(store, name, fallback ? 1 : 0) != 0;
}

void writeInteger(QSettings& store, const QString& name, int value)
{
    store.setValue(name, QString::number(value));
}

void writeBoolean(QSettings& store, const QString& name, bool value)
{
    store.setValue(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString dirName(int kind)
{
    return QStringLiteral("gDir_") + DataKinds[size_t(kind)].code();
}

} // namespace

QString StartButtonName(int index)
{
    if (index == 0)
        return QStringLiteral("radAll");
    if (index == 1)
        return QStringLiteral("radSelect");
    return QStringLiteral("chk_") + DataKinds[size_t(index - 2)].code();
}

TStartButtons DefaultStartButtons()
{
    TStartButtons buttons{};
    buttons[0] = true;
    return buttons;
}

std::unique_ptr<QSettings> OpenSettingsStore()
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Velmira"),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmira"),
                                       QStringLiteral("Velmira"));
#endif
}

void LoadSettings(QSettings& store, TNaviSettings& s, TWindowPlacement& window, TStartButtons& buttons,
                  QSize screenSize, QSize windowSize)
{
    store.beginGroup(kWindowGroup);
    window.Top = readInteger(store, QStringLiteral("Top"), screenSize.height() / 2 - windowSize.height() / 2);
    window.Left = readInteger(store, QStringLiteral("Left"), screenSize.width() / 2 - windowSize.width() / 2);
    window.Height = windowSize.height();
    store.endGroup();

    store.beginGroup(kOptionGroup);
    s.gProvider = readInteger(store, QStringLiteral("gProvider"), -1);
    s.gCourse = readInteger(store, QStringLiteral("gCourse"), -1);
    // Values the catalogue has no entry for mean "not set".
    if (s.gProvider < 0 || s.gProvider >= ProviderCount)
        s.gProvider = -1;
    if (s.gCourse < 0 || s.gCourse >= CourseCount)
        s.gCourse = -1;
    s.gUserName = readString(store, QStringLiteral("gUserName"), QString());
    s.gPass = DecryptText(readString(store, QStringLiteral("gPass"), QString()), kKeySetMember);
    s.gBitCash = DecryptText(readString(store, QStringLiteral("gBitCash"), QString()), kKeySetMember);
    for (int k = 0; k < DataKindCount; ++k)
        s.Dir(k) = readString(store, dirName(k), s.gDataDir);
    s.gNewData = readBoolean(store, QStringLiteral("gNewData"), true);
    s.gOverwrite = readBoolean(store, QStringLiteral("gOverwrite"), true);
    s.gDateSeigen = readInteger(store, QStringLiteral("gDateSeigen"), 0);
    if (s.gDateSeigen < 0 || s.gDateSeigen > 2)
        s.gDateSeigen = 0;
    store.endGroup();

    store.beginGroup(kStartGroup);
    const TStartButtons defaults = DefaultStartButtons();
    for (int i = 0; i < StartButtonCount; ++i)
        buttons[size_t(i)] = readBoolean(store, StartButtonName(i), defaults[size_t(i)]);
    store.endGroup();
}

bool SaveSettings(QSettings& store, const TNaviSettings& s, const TWindowPlacement& window,
                  const TStartButtons& buttons)
{
    store.beginGroup(kWindowGroup);
    writeInteger(store, QStringLiteral("Top"), window.Top);
    writeInteger(store, QStringLiteral("Left"), window.Left);
    writeInteger(store, QStringLiteral("Height"), window.Height);
    store.endGroup();

    store.beginGroup(kOptionGroup);
    writeInteger(store, QStringLiteral("gProvider"), s.gProvider);
    writeInteger(store, QStringLiteral("gCourse"), s.gCourse);
    store.setValue(QStringLiteral("gUserName"), s.gUserName);
    store.setValue(QStringLiteral("gPass"), EncryptText(s.gPass, kKeySetMember));
    store.setValue(QStringLiteral("gBitCash"), EncryptText(s.gBitCash, kKeySetMember));
    for (int k = 0; k < DataKindCount; ++k)
        store.setValue(dirName(k), s.Dir(k));
    writeBoolean(store, QStringLiteral("gNewData"), s.gNewData);
    writeBoolean(store, QStringLiteral("gOverwrite"), s.gOverwrite);
    writeInteger(store, QStringLiteral("gDateSeigen"), s.gDateSeigen);
    store.endGroup();

    store.beginGroup(kStartGroup);
    for (int i = 0; i < StartButtonCount; ++i)
        writeBoolean(store, StartButtonName(i), buttons[size_t(i)]);
    store.endGroup();

    store.sync();
    return store.status() == QSettings::NoError;
}
