// The catalogue (tasklist.dat) over arbitrary bytes. Every name it gives must be a usable
// task folder name whose settings.ini exists; two of the possible names are given one.
#include "fuzzsupport.h"
#include "task/catalogue.h"
#include "task/paths.h"

#include <QFileInfo>

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TPaths paths(fuzz::ScratchFolder() + "/");
    static const bool made = [&] {
        fuzz::WriteScratch(QStringLiteral("Task/a/settings.ini"), "[Task]\r\n");
        fuzz::WriteScratch(QStringLiteral("Task/B b/settings.ini"), "");
        return true;
    }();
    (void)made;
    fuzz::WriteScratch(QStringLiteral("tasklist.dat"), fuzz::Bytes(data, size));
    for (const QString& name : LoadTaskList(paths)) {
        if (!TPaths::IsUsableTaskName(name) || !QFileInfo::exists(paths.TaskSettingsFile(name)))
            std::abort();
    }
    return 0;
}
