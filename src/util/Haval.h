#pragma once

#include <QByteArray>
#include <array>

// HAVAL, 5 passes, 256-bit output, with the padding our stored cipher texts were made with:
// a 0x80 byte after the message (the published algorithm uses 0x01). No library computes this.
std::array<quint8, 32> Haval256Pass5(const QByteArray& message);
