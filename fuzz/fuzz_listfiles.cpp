// The result list files of a task (listview1.dat, listview3.dat .. listview5.dat) over arbitrary
// bytes: the same input is given to each of the four files, then the lists are saved and read
// again, which must give the same rows.
#include "fuzzsupport.h"
#include "results/resultfiles.h"
#include "results/resultlists.h"
#include "task/paths.h"
#include "task/textfile.h"

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const TPaths paths(fuzz::ScratchFolder() + "/");
    const QString task = QStringLiteral("lists");
    for (int tab : {0, 2, 3, 4}) {
        const QString file = paths.ListFile(task, tab);
        fuzz::WriteScratch(file.mid(paths.ProgramFolder().size()), bytes);
    }
    SplitTextLines(bytes);

    TResultLists lists;
    LoadResultLists(lists, paths, task, [](const QString&) {});
    SaveResultLists(lists, paths, task);
    TResultLists again;
    LoadResultLists(again, paths, task, [](const QString&) {});
    if (again.Text() != lists.Text() || again.Flash() != lists.Flash()
        || again.Downloads() != lists.Downloads() || again.Links() != lists.Links())
        std::abort();
    return 0;
}
