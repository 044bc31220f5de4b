// Builds small packed DIBs and bitmap files byte by byte for the desktop tests, independently of
// the program's own reader and writer.
#pragma once

#include "image/dib.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <cstring>

struct DibLayout {
    int width = 1;
    int height = 1; // negative: rows stored top-down
    int bits = 24;
    bool core = false;           // 12-byte header with 3-byte colour entries
    QList<std::uint32_t> colors; // 0xRRGGBB colour table
    std::uint32_t compression = 0;
    QByteArray pixels; // raw pixel bytes as stored (rows bottom-up unless height < 0)
};

inline void PutLe(QByteArray& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

inline QByteArray DibBytes(const DibLayout& s) {
    QByteArray out;
    if (s.core) {
        PutLe(out, 12, 4);
        PutLe(out, std::uint32_t(s.width), 2);
        PutLe(out, std::uint32_t(s.height), 2);
        PutLe(out, 1, 2);
        PutLe(out, std::uint32_t(s.bits), 2);
    } else {
        PutLe(out, 40, 4);
        PutLe(out, std::uint32_t(s.width), 4);
        PutLe(out, std::uint32_t(s.height), 4);
        PutLe(out, 1, 2);
        PutLe(out, std::uint32_t(s.bits), 2);
        PutLe(out, s.compression, 4);
        PutLe(out, std::uint32_t(s.pixels.size()), 4);
        PutLe(out, 2835, 4);
        PutLe(out, 2835, 4);
        PutLe(out, std::uint32_t(s.colors.size()), 4);
        PutLe(out, 0, 4);
    }
    for (std::uint32_t c : s.colors) {
        out.append(char(c & 0xFF));
        out.append(char((c >> 8) & 0xFF));
        out.append(char((c >> 16) & 0xFF));
        if (!s.core)
            out.append('\0');
    }
    out.append(s.pixels);
    return out;
}

inline DibHandle MakeDib(const DibLayout& s) {
    const QByteArray bytes = DibBytes(s);
    DibHandle dib = DibHandle::Allocate(std::size_t(bytes.size()));
    std::memcpy(dib.data(), bytes.constData(), std::size_t(bytes.size()));
    return dib;
}

inline QByteArray BmpFileBytes(const DibLayout& s) {
    const QByteArray dib = DibBytes(s);
    const int headerSize = s.core ? 12 : 40;
    const int tableSize = int(s.colors.size()) * (s.core ? 3 : 4);
    QByteArray out("BM");
    PutLe(out, std::uint32_t(14 + dib.size()), 4);
    PutLe(out, 0, 4);
    PutLe(out, std::uint32_t(14 + headerSize + tableSize), 4);
    return out + dib;
}

// Rows of 24-bit pixels (top row first, 0xRRGGBB) as stored bottom-up with padding.
inline QByteArray Rows24(const QList<QList<std::uint32_t>>& topDown) {
    QByteArray out;
    for (qsizetype y = topDown.size() - 1; y >= 0; --y) {
        const auto& row = topDown[y];
        for (std::uint32_t c : row) {
            out.append(char(c & 0xFF));
            out.append(char((c >> 8) & 0xFF));
            out.append(char((c >> 16) & 0xFF));
        }
        while (out.size() % 4)
            out.append('\0');
    }
    return out;
}
