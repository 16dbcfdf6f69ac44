#include "util/Haval.h"

#include <cstring>

namespace {

// Initial chaining value and round constants: the fraction digits of pi.
constexpr quint32 kInitial[8] = {
    0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344, 0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89,
};

constexpr quint32 kConstants[4][32] = {
    {
        0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
        0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
        0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
        0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5,
    },
    {
        0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
        0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
        0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
        0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C,
    },
    {
        0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC, 0xFB21A991,
        0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88, 0x23893E81, 0xD396ACC5,
        0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A, 0x9E1F9B5E, 0x21C66842, 0xF6E96C9A,
        0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68, 0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4,
    },
    {
        0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619, 0x456F9FB4,
        0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6, 0x4ED3AA62, 0x363F7706,
        0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3, 0x49F1C09B, 0x075372C9, 0x80991B7B,
        0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B, 0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4,
    }};

constexpr int kOrder[5][32] = {
    {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1, 10, 4,  8,
     30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2, 25, 31, 27},
    {19, 9,  4, 20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
     31, 15, 7, 3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2},
    {24, 4,  0,  14, 2, 7,  28, 23, 26, 6,  30, 20, 18, 25, 19, 3,
     22, 11, 31, 21, 8, 27, 12, 9,  1,  29, 5,  15, 17, 10, 16, 13},
    {27, 3, 21, 26, 17, 11, 20, 29, 19, 0,  12, 7,  13, 8, 31, 10,
     5,  9, 14, 30, 18, 6,  28, 24, 2,  23, 16, 22, 4,  1, 25, 15},
};

constexpr quint32 rotr(quint32 x, int n)
{
    return (x >> n) | (x << (32 - n));
}

// The five boolean functions.
constexpr quint32 f1(quint32 x6, quint32 x5, quint32 x4, quint32 x3, quint32 x2, quint32 x1, quint32 x0)
{
    return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
}
constexpr quint32 f2(quint32 x6, quint32 x5, quint32 x4, quint32 x3, quint32 x2, quint32 x1, quint32 x0)
{
    return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
}
constexpr quint32 f3(quint32 x6, quint32 x5, quint32 x4, quint32 x3, quint32 x2, quint32 x1, quint32 x0)
{
    return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
}
constexpr quint32 f4(quint32 x6, quint32 x5, quint32 x4, quint32 x3, quint32 x2, quint32 x1, quint32 x0)
{
    return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^ (x2 & x6) ^ x0;
}
constexpr quint32 f5(quint32 x6, quint32 x5, quint32 x4, quint32 x3, quint32 x2, quint32 x1, quint32 x0)
{
    return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

// The five-pass permutations of the function inputs.
quint32 phi(int pass, const quint32 x[7])
{
    // x[i] is x_i of the published description
    switch (pass) {
    case 0:
        return f1(x[3], x[4], x[1], x[0], x[5], x[2], x[6]);
    case 1:
        return f2(x[6], x[2], x[1], x[0], x[3], x[4], x[5]);
    case 2:
        return f3(x[2], x[6], x[0], x[4], x[3], x[1], x[5]);
    case 3:
        return f4(x[1], x[5], x[3], x[2], x[0], x[4], x[6]);
    default:
        return f5(x[2], x[5], x[0], x[6], x[4], x[3], x[1]);
    }
}

void compress(quint32 state[8], const quint8 block[128])
{
    quint32 w[32];
    for (int i = 0; i < 32; ++i)
        w[i] = quint32(block[4 * i]) | quint32(block[4 * i + 1]) << 8 | quint32(block[4 * i + 2]) << 16 |
               quint32(block[4 * i + 3]) << 24;
    quint32 t[8];
    std::memcpy(t, state, sizeof t);
    for (int pass = 0; pass < 5; ++pass) {
        for (int step = 0; step < 32; ++step) {
            // the register written in this step is t[7 - step mod 8]; the others rotate along
            quint32 x[7];
            for (int i = 0; i < 7; ++i)
                x[i] = t[(i - step + 64) % 8];
            quint32& target = t[(7 - step + 64) % 8];
            const quint32 f = phi(pass, x);
            target = rotr(f, 7) + rotr(target, 11) + w[kOrder[pass][step]] +
                     (pass == 0 ? 0u : kConstants[pass - 1][step]);
        }
    }
    for (int i = 0; i < 8; ++i)
        state[i] += t[i];
    std::memset(w, 0, sizeof w);
    std::memset(t, 0, sizeof t);
}

} // namespace

std::array<quint8, 32> Haval256Pass5(const QByteArray& message)
{
    quint32 state[8];
    std::memcpy(state, kInitial, sizeof state);

    const auto* data = reinterpret_cast<const quint8*>(message.constData());
    const qsizetype length = message.size();
    qsizetype done = 0;
    for (; length - done >= 128; done += 128)
        compress(state, data + done);

    quint8 block[128] = {};
    qsizetype rest = length - done;
    std::memcpy(block, data + done, size_t(rest));
    // This digest's own padding: 0x80 (not 0x01) after the message.
    block[rest] = 0x80;
    if (rest >= 118) {
        compress(state, block);
        std::memset(block, 0, sizeof block);
    }
    block[118] = 0x29; // version 1, 5 passes, low bits of the digest length
    block[119] = 0x40; // digest length 256 / 4
    const quint64 bits = quint64(length) * 8;
    for (int i = 0; i < 8; ++i)
        block[120 + i] = quint8(bits >> (8 * i));
    compress(state, block);

    std::array<quint8, 32> digest{};
    for (int i = 0; i < 8; ++i)
        for (int b = 0; b < 4; ++b)
            digest[size_t(4 * i + b)] = quint8(state[i] >> (8 * b));
    std::memset(block, 0, sizeof block);
    std::memset(state, 0, sizeof state);
    return digest;
}
