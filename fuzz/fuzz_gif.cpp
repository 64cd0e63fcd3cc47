// The gallery's GIF decoder over arbitrary file bytes. A picture it accepts has a size and a
// work bitmap within the decoder's memory bound.
#include "fuzzsupport.h"
#include "download/imagedecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TImageDecoder decoder;
    const QString path = fuzz::WriteScratch(QStringLiteral("picture.gif"), fuzz::Bytes(data, size));
    TDecodedPicture picture;
    if (decoder.Decode(path, picture)) {
        if (picture.Image.isNull() || picture.FullSize.isEmpty()
            || qint64(picture.Image.width()) * picture.Image.height() > TImageDecoder::MaxDecodedPixels)
            std::abort();
        TImageDecoder::PictureArea(picture.FullSize);
    }
    return 0;
}
