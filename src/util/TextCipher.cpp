#include "util/TextCipher.h"

#include "util/AnsiText.h"
#include "util/Haval.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <memory>

namespace {

// Key set 1 is the first sixteen numbers, key set 2 the last sixteen. Changing any of them makes
// every stored password and every built-in cipher text unreadable.
constexpr qint32 KeyNumbers[32] = {
    1874019263,  -402661853, 770312489,   -1193046471, 58204113,  -2015327744, 938271605,   -65537,
    1431655765,  -99991,     2099244597,  -730194851,  312547890, -1640531527, 4005,        -888888881,
    -1357924680, 246813579,  -1029384756, 1122334455,  -55667788, 918273645,   -2147483647, 7,
    1610612741,  -805306457, 402653189,   -201326611,  100663319, -50331653,   25165843,    -12582917,
};

// Built afresh for every call and wiped after use.
QByteArray passphrase(int keySet)
{
    const int first = keySet == 1 ? 0 : 16;
    QByteArray text;
    for (int i = first; i < first + 16; ++i)
        text += QByteArray::number(KeyNumbers[i]);
    return text;
}

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
}

struct CtxFree
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

// AES-256 in 8-bit cipher feedback, its initial vector the key's encryption of a zero block.
QByteArray cfb8(const QByteArray& input, int keySet, bool encrypt)
{
    if (input.isEmpty())
        return {};
    QByteArray phrase = passphrase(keySet);
    std::array<quint8, 32> key = Haval256Pass5(phrase);
    wipe(phrase);
    std::array<quint8, 16> iv{};
    QByteArray output(input.size(), '\0');
    bool ok = false;
    {
        CipherCtx ecb(EVP_CIPHER_CTX_new());
        CipherCtx cfb(EVP_CIPHER_CTX_new());
        int len = 0;
        const std::array<quint8, 16> zero{};
        ok = ecb && cfb &&
             EVP_EncryptInit_ex(ecb.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr) == 1 &&
             EVP_CIPHER_CTX_set_padding(ecb.get(), 0) == 1 &&
             EVP_EncryptUpdate(ecb.get(), iv.data(), &len, zero.data(), int(zero.size())) == 1 &&
             EVP_CipherInit_ex(cfb.get(), EVP_aes_256_cfb8(), nullptr, key.data(), iv.data(),
                               encrypt ? 1 : 0) == 1;
        OPENSSL_cleanse(key.data(), key.size());
        ok = ok &&
             EVP_CipherUpdate(cfb.get(), reinterpret_cast<unsigned char*>(output.data()), &len,
                              reinterpret_cast<const unsigned char*>(input.constData()),
                              int(input.size())) == 1 &&
             len == input.size();
        // freeing the contexts wipes their key schedules and shift registers
    }
    OPENSSL_cleanse(iv.data(), iv.size());
    if (!ok) {
        wipe(output);
        return {};
    }
    return output;
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

quint32 sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return quint32(c - 'A');
    if (c >= 'a' && c <= 'z')
        return quint32(c - 'a' + 26);
    if (c >= '0' && c <= '9')
        return quint32(c - '0' + 52);
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0; // "=" and anything outside the alphabet
}

} // namespace

QByteArray EncodeBase64(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const quint8*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; i += 3) {
        const qsizetype left = n - i;
        const quint32 v = quint32(p[i]) << 16 | (left > 1 ? quint32(p[i + 1]) << 8 : 0u) |
                          (left > 2 ? quint32(p[i + 2]) : 0u);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += left > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[v & 63] : '=';
    }
    return out;
}

QByteArray DecodeBase64(const QByteArray& text)
{
    QByteArray out;
    const qsizetype groups = text.size() / 4;
    out.reserve(groups * 3);
    for (qsizetype g = 0; g < groups; ++g) {
        const char* c = text.constData() + 4 * g;
        const quint32 v = sextet(c[0]) << 18 | sextet(c[1]) << 12 | sextet(c[2]) << 6 | sextet(c[3]);
        out += char(v >> 16);
        if (c[2] == '=')
            continue;
        out += char((v >> 8) & 0xFF);
        if (c[3] == '=')
            continue;
        out += char(v & 0xFF);
    }
    return out;
}

QByteArray EncryptBytes(const QByteArray& plain, int keySet)
{
    return EncodeBase64(cfb8(plain, keySet, true));
}

QByteArray DecryptBytes(const QByteArray& cipher, int keySet)
{
    QByteArray raw = DecodeBase64(cipher);
    QByteArray plain = cfb8(raw, keySet, false);
    wipe(raw);
    return plain;
}

QString EncryptText(const QString& Plain, int KeySet)
{
    QByteArray bytes = ToAnsi(Plain);
    const QByteArray cipher = EncryptBytes(bytes, KeySet);
    wipe(bytes);
    return QString::fromLatin1(cipher);
}

QString DecryptText(const QString& Cipher, int KeySet)
{
    QByteArray bytes = DecryptBytes(Cipher.toLatin1(), KeySet);
    const QString plain = FromAnsi(bytes);
    wipe(bytes);
    return plain;
}
