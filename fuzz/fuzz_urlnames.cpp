// The URL and file-name functions over arbitrary text: the first piece is a URL, the second a
// file name given to UniqueFileName in a folder that already holds a few names.
#include "fuzzsupport.h"
#include "task/common.h"

#include <QFileInfo>

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> pieces = fuzz::Pieces(fuzz::Bytes(data, size), 2);
    const QString url = QString::fromUtf8(pieces.at(0));
    ExtractHost(url);
    ExtractDirectory(url);
    const QString fileName = ExtractURLFileName(url);
    for (QChar c : fileName) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            std::abort();
    }
    SplitLines(url);
    TrimControl(url);
    TextIndexOf(url, QString::fromUtf8(pieces.at(1)));

    static const QString folder = [] {
        fuzz::WriteScratch(QStringLiteral("names/(1)a.jpg"), "");
        fuzz::WriteScratch(QStringLiteral("names/(2)a.jpg"), "");
        return fuzz::ScratchFolder() + "/names";
    }();
    const QString unique = UniqueFileName(folder, QString::fromUtf8(pieces.at(1)));
    if (unique == QLatin1String("(1)a.jpg") || unique == QLatin1String("(2)a.jpg"))
        std::abort();
    UniqueFileName(folder, fileName);

    TDownloadQueue queue;
    queue.QueueDownloadURL(url);
    if (queue.QueueDownloadURL(url))
        std::abort();
    return 0;
}
