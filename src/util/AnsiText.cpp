#include "util/AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray ToAnsi(const QString& text)
{
    QStringEncoder encoder("Shift_JIS");
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

QString FromAnsi(const QByteArray& bytes)
{
    QStringDecoder decoder("Shift_JIS");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}
