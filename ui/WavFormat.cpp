#include "ui/WavFormat.h"

#include <QFile>

namespace {

// The format chunk comes early; a file that hides it further in is not worth playing.
constexpr qint64 kSearchedBytes = 1 << 20;
constexpr quint16 kPcm = 1;
constexpr quint16 kExtensible = 0xFFFE;

// Little-endian numbers at `at`, which the caller has made sure the bytes hold.
quint32 number(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<quint8>(bytes.at(at + i));
    return value;
}

quint16 word(const QByteArray& bytes, qsizetype at) {
    return static_cast<quint16>(number(bytes, at, 2));
}

} // namespace

QString wavProblem(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read");
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return QStringLiteral("it is not a WAV file");
    while (file.pos() < kSearchedBytes) {
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            break;
        const quint32 size = number(header, 4, 4);
        if (header.left(4) != "fmt ") {
            // Chunks are padded to an even length.
            if (!file.seek(file.pos() + size + (size & 1)))
                break;
            continue;
        }
        const QByteArray format = file.read(std::min<quint32>(size, 40));
        if (format.size() < 16)
            break;
        quint16 encoding = word(format, 0);
        if (encoding == kExtensible && format.size() >= 26)
            encoding = word(format, 24); // the sub-format's first two bytes
        const quint16 channels = word(format, 2);
        const quint16 bits = word(format, 14);
        if (encoding != kPcm)
            return QStringLiteral("its sound is compressed or in floating point; it needs plain "
                                  "PCM samples");
        if (bits != 8 && bits != 16)
            return QStringLiteral("its samples have %1 bits; it needs 8 or 16").arg(bits);
        if (channels != 1 && channels != 2)
            return QStringLiteral("it has %1 channels; it needs one or two").arg(channels);
        return {};
    }
    return QStringLiteral("it is not a WAV file");
}
