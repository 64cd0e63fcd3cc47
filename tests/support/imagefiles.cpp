#include "imagefiles.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <cstdio>

#include <jpeglib.h>
#include <gif_lib.h>

namespace {

QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(200, 40, 40));
    gradient.setColorAt(1, QColor(40, 40, 200));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    painter.drawLine(0, 0, width - 1, height - 1);
    return image;
}

QByteArray Encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

int WriteGifBytes(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

bool WriteJpeg(const QString& path, const QImage& image, int quality, bool progressive)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

bool WriteGif(const QString& path, int width, int height, const std::vector<QRgb>& palette,
              const std::vector<TGifFrame>& frames, int transparentIndex, bool interlaced)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif)
        return false;
    int size = 2;
    while (size < int(palette.size()))
        size *= 2;
    std::vector<GifColorType> colours(size_t(size), GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.size(); ++i)
        colours[i] = GifColorType{GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])), GifByteType(qBlue(palette[i]))};
    ColorMapObject* map = GifMakeMapObject(size, colours.data());
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    for (const TGifFrame& frame : frames) {
        if (transparentIndex >= 0) {
            GifByteType control[4] = {0x01, 0, 0, GifByteType(transparentIndex)};
            ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
        }
        ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, interlaced, nullptr) == GIF_OK;
        auto row = [&](int y) {
            ok = ok && EGifPutLine(gif, const_cast<GifPixelType*>(frame.data() + size_t(y) * size_t(width)), width) == GIF_OK;
        };
        if (interlaced) {
            const int offsets[] = {0, 4, 2, 1};
            const int steps[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = offsets[pass]; y < height; y += steps[pass])
                    row(y);
        } else {
            for (int y = 0; y < height; ++y)
                row(y);
        }
    }
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok;
}

QImage SolidImage(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray MakeJpeg(int width, int height)
{
    return Encode(Gradient(width, height), "JPG", 90);
}

QByteArray MakeBmp(int width, int height)
{
    return Encode(Gradient(width, height).convertToFormat(QImage::Format_RGB888), "BMP");
}

QByteArray MakeGif(int width, int height)
{
    const QImage image = Gradient(width, height);
    GifColorType colours[4] = {{200, 40, 40}, {150, 40, 90}, {90, 40, 150}, {40, 40, 200}};
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteGifBytes, &error);
    if (!gif)
        return bytes;
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
    std::vector<GifPixelType> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = GifPixelType(qBlue(image.pixel(x, y)) * 3 / 255);
        EGifPutLine(gif, row.data(), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

QByteArray MakeBytes(int size, unsigned seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    unsigned state = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = char(state >> 16);
    }
    return bytes;
}
