#pragma once

#include <QByteArray>
#include <QString>

// The program's text as the service and the stored values know it: Shift_JIS bytes (the Windows
// code page 932 mapping). Used wherever bytes count: cipher input, the server's settings file,
// the credit-billing reply and byte limits of edit boxes.
QByteArray ToAnsi(const QString& text);
QString FromAnsi(const QByteArray& bytes);
