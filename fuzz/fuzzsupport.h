#pragma once
/**
 * Helpers shared by the fuzz targets: the readers under test take file paths, so each input is
 * written to a scratch folder that lives as long as the fuzzing process.
 */
#include "download/imagedecoder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

/** The process's scratch folder, without a trailing "/"; the process ends when it cannot be made. */
inline const QString& ScratchFolder()
{
    // In memory where the machine offers it: the writers under test replace files atomically,
    // and a disk makes that the slowest part of an input.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir dir(base + "/pagemint-fuzz-XXXXXX");
    if (!dir.isValid())
        std::abort();
    static const QString path = dir.path();
    return path;
}

/** Writes bytes to ScratchFolder()/relativePath (its folders created) and returns the full path. */
inline QString WriteScratch(const QString& relativePath, const QByteArray& bytes)
{
    const QString path = ScratchFolder() + "/" + relativePath;
    const qsizetype slash = path.lastIndexOf('/');
    QDir().mkpath(path.left(slash));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(bytes);
    return path;
}

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

/**
 * Cuts an input into pieces at NUL bytes, so that one input can feed several text arguments;
 * missing pieces are empty.
 */
inline QList<QByteArray> Pieces(const QByteArray& bytes, qsizetype count)
{
    QList<QByteArray> pieces = bytes.split('\0');
    while (pieces.size() < count)
        pieces.append(QByteArray());
    if (pieces.size() > count) {
        // the rest stays together in the last piece, NULs included
        QByteArray rest = pieces.mid(count - 1).join('\0');
        pieces.resize(count - 1);
        pieces.append(rest);
    }
    return pieces;
}

/**
 * Runs the gallery's decoder over the input saved under fileName (the extension picks the
 * format). A picture it accepts must have a size and a work bitmap within the decoder's bound.
 */
inline int CheckDecoder(const QString& fileName, const uint8_t* data, size_t size)
{
    static TImageDecoder decoder;
    const QString path = WriteScratch(fileName, Bytes(data, size));
    TDecodedPicture picture;
    const bool decoded = decoder.Decode(path, picture);
    if (decoded) {
        if (picture.Image.isNull() || picture.FullSize.isEmpty()
            || qint64(picture.Image.width()) * picture.Image.height() > TImageDecoder::MaxDecodedPixels)
            std::abort();
        TImageDecoder::PictureArea(picture.FullSize);
    }
    // The header read that sizes other programs' cache entries, over the same bytes.
    QSize headerSize;
    if (TImageDecoder::HeaderSize(path, headerSize) && headerSize.isEmpty())
        std::abort();
    return 0;
}

}  // namespace fuzz
