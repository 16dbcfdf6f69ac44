#pragma once

#include <QByteArray>
#include <QList>

// A text's fields as they stand between one delimiter byte: k delimiters give k + 1 fields.
using TArrStr = QList<QByteArray>;

class TDivide
{
public:
    // Splits at once. The scan is by byte: a NUL byte ends a field as the delimiter does.
    TDivide(QByteArray Text, char Delimiter);

    int Count() const { return FCount; }
    // Shared by reference count, so the fields outlive this object.
    TArrStr Items() const { return FItems; }

private:
    int FCount = 0;
    TArrStr FItems;
};
