// The task file reader (settings.ini of a task) and the program settings reader, over arbitrary
// file bytes. Neither may fail, and what was read can be saved again.
#include "fuzzsupport.h"
#include "task/paths.h"
#include "task/programsettings.h"
#include "task/taskfile.h"

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const TPaths paths(fuzz::ScratchFolder() + "/");
    const QString settings = fuzz::WriteScratch(QStringLiteral("Task/t/settings.ini"), bytes);
    TTaskItem task = LoadTaskFile(settings);
    task.TaskName = QStringLiteral("t");
    SaveTaskFile(task, paths);
    LoadTaskFile(settings);

    const QString program = fuzz::WriteScratch(QStringLiteral("pmsettings.ini"), bytes);
    const TProgramSettings read = ReadProgramSettings(program);
    read.DownloadControlFlags();
    return 0;
}
