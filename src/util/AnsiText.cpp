#include "util/AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// The converter's code page 932 table swaps three control codes (0x1A, 0x1C, 0x7F) the way IBM's
// variant does; Windows keeps them as they are. These bytes never occur inside a double-byte
// character, so they can be put right character by character.
QChar fromConverter(QChar c)
{
    switch (c.unicode()) {
    case 0x1C:
        return QChar(0x1A);
    case 0x7F:
        return QChar(0x1C);
    case 0x1A:
        return QChar(0x7F);
    default:
        return c;
    }
}

QChar toConverter(QChar c)
{
    switch (c.unicode()) {
    case 0x1A:
        return QChar(0x1C);
    case 0x1C:
        return QChar(0x7F);
    case 0x7F:
        return QChar(0x1A);
    default:
        return c;
    }
}
} // namespace

QByteArray ToAnsi(const QString& text)
{
    QStringEncoder encoder("Shift_JIS");
    if (!encoder.isValid())
        return text.toLatin1();
    QString mapped = text;
    for (QChar& c : mapped)
        c = toConverter(c);
    return encoder.encode(mapped);
}

QString FromAnsi(const QByteArray& bytes)
{
    QStringDecoder decoder("Shift_JIS");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    QString text = decoder.decode(bytes);
    for (QChar& c : text)
        c = fromConverter(c);
    return text;
}
