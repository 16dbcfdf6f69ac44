#include "util/uniDivide.h"

TDivide::TDivide(QByteArray Text, char Delimiter)
{
    TArrStr fields;
    const char* p = Text.constData();
    const char* const end = p + Text.size(); // the terminating NUL
    for (;;) {
        const char* start = p;
        while (p != end && *p != '\0' && *p != Delimiter)
            ++p;
        fields.append(QByteArray(start, p - start));
        if (p == end)
            break;
        ++p;
    }
    FItems = fields;
    FCount = static_cast<int>(FItems.size());
}
