#include "task/paths.h"

TPaths::TPaths(const QString& programFolder)
    : m_programFolder(programFolder.endsWith(u'/') ? programFolder : programFolder + u'/')
{
}

QString TPaths::TaskListFile() const { return m_programFolder + QStringLiteral("tasklist.dat"); }
QString TPaths::ProgramSettingsFile() const { return m_programFolder + QStringLiteral("pmsettings.ini"); }
QString TPaths::BrowserProfileFolder() const { return m_programFolder + QStringLiteral("BrowserProfile"); }
QString TPaths::TaskRoot() const { return m_programFolder + QStringLiteral("Task/"); }
QString TPaths::TaskFolder(const QString& taskName) const { return TaskRoot() + taskName; }
QString TPaths::TaskSettingsFile(const QString& taskName) const { return TaskFolder(taskName) + QStringLiteral("/settings.ini"); }
QString TPaths::ImagesFolder(const QString& taskName) const { return TaskFolder(taskName) + QStringLiteral("/Images"); }
QString TPaths::FlashesFolder(const QString& taskName) const { return TaskFolder(taskName) + QStringLiteral("/Flashes"); }
QString TPaths::DownloadsFolder(const QString& taskName) const { return TaskFolder(taskName) + QStringLiteral("/Downloads"); }

QString TPaths::ListFile(const QString& taskName, int tab) const
{
    // Tab 0 is listview1.dat; tabs 2..4 are listview3.dat..listview5.dat; Images has no file.
    const int number = tab == 0 ? 1 : tab + 1;
    return TaskFolder(taskName) + QStringLiteral("/listview%1.dat").arg(number);
}

bool TPaths::IsUsableTaskName(const QString& taskName)
{
    return !taskName.isEmpty() && taskName != u"." && taskName != u".." && !taskName.contains(u'/')
        && !taskName.contains(QChar(0));
}
