// The gallery's JPEG decoder over arbitrary file bytes. A picture it accepts has a size and a
// work bitmap within the decoder's memory bound.
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzz::CheckDecoder(QStringLiteral("picture.jpg"), data, size);
}
