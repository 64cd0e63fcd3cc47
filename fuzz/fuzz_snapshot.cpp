// The conversion of the browser's script answer into a page snapshot, over arbitrary text.
#include "fuzzsupport.h"
#include "crawl/webengine/snapshotscript.h"

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    double origin = 0;
    const auto snapshot = ParseSnapshot(QString::fromUtf8(fuzz::Bytes(data, size)), &origin);
    if (snapshot) {
        // The extractors walk the lists; every entry must be whole.
        for (const TSnapshotImage& image : snapshot->images)
            (void)image.href.size();
        for (const TSnapshotObject& object : snapshot->objects)
            (void)object.movie.size();
    }
    return 0;
}
