#pragma once

#include <QByteArray>
#include <QString>

// Short texts to printable cipher text and back. Key set 1 guards the member's stored secrets;
// every other value selects key set 2, which opens the values built into the program.
// The plain text is taken as its Shift_JIS bytes. Neither direction reports an error.
QString EncryptText(const QString& Plain, int KeySet);
QString DecryptText(const QString& Cipher, int KeySet);

// The same on bytes, for callers that already hold Shift_JIS text.
QByteArray EncryptBytes(const QByteArray& plain, int keySet);
QByteArray DecryptBytes(const QByteArray& cipher, int keySet);

// Base64 as the stored cipher texts use it: standard alphabet, "=" padding. Decoding reads
// groups of four, drops a shorter final group and lets a stray character count as zero bits.
QByteArray EncodeBase64(const QByteArray& bytes);
QByteArray DecodeBase64(const QByteArray& text);
