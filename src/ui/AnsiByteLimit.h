#pragma once

#include <QValidator>

// The service counts the BitCash ID in Shift_JIS bytes, so the boxes are limited in bytes, not
// characters. Whatever does not fit is dropped from just before the cursor, that is from the end of
// what was just typed or pasted, and always as whole characters.
class TAnsiByteLimit : public QValidator
{
    Q_OBJECT
public:
    explicit TAnsiByteLimit(int maxBytes, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    int MaxBytes() const { return FMaxBytes; }

private:
    int FMaxBytes;
};

// The text cut down as the validator does; cursor is moved along with the cut.
QString FitAnsiBytes(const QString& text, int maxBytes, int& cursor);
