#include "ui/AnsiByteLimit.h"

#include "util/AnsiText.h"

namespace {
bool fits(const QString& text, int maxBytes)
{
    return ToAnsi(text).size() <= maxBytes;
}

// Start of the character that ends at position end, so a surrogate pair goes as one.
int characterStart(const QString& text, int end)
{
    if (end >= 2 && text.at(end - 1).isLowSurrogate() && text.at(end - 2).isHighSurrogate())
        return end - 2;
    return end - 1;
}
} // namespace

QString FitAnsiBytes(const QString& text, int maxBytes, int& cursor)
{
    QString fitted = text;
    cursor = qBound(0, cursor, int(fitted.size()));
    while (cursor > 0 && !fits(fitted, maxBytes)) {
        const int start = characterStart(fitted, cursor);
        fitted.remove(start, cursor - start);
        cursor = start;
    }
    // Only a text that was too long before this edit gets here.
    while (!fitted.isEmpty() && !fits(fitted, maxBytes))
        fitted.truncate(characterStart(fitted, int(fitted.size())));
    cursor = qMin(cursor, int(fitted.size()));
    return fitted;
}

TAnsiByteLimit::TAnsiByteLimit(int maxBytes, QObject* parent) : QValidator(parent), FMaxBytes(maxBytes) {}

QValidator::State TAnsiByteLimit::validate(QString& input, int& pos) const
{
    if (!fits(input, FMaxBytes))
        input = FitAnsiBytes(input, FMaxBytes, pos);
    return Acceptable;
}
