#pragma once

#include <QString>

/**
 * The one place where the program folder layout is spelled out. ProgramFolder always ends
 * with "/". Paths are built by plain concatenation from the task name.
 *
 *   ProgramFolder/tasklist.dat, pmsettings.ini, BrowserProfile/
 *   ProgramFolder/Task/<name>/settings.ini, listview1.dat, listview3.dat .. listview5.dat,
 *                             Images/, Flashes/, Downloads/
 */
class TPaths
{
public:
    explicit TPaths(const QString& programFolder);

    const QString& ProgramFolder() const { return m_programFolder; }
    QString TaskListFile() const;          // ProgramFolder + "tasklist.dat"
    QString ProgramSettingsFile() const;   // ProgramFolder + "pmsettings.ini"
    QString BrowserProfileFolder() const;  // ProgramFolder + "BrowserProfile"
    QString TaskRoot() const;              // ProgramFolder + "Task/"
    QString TaskFolder(const QString& taskName) const;        // TaskRoot + name (no trailing "/")
    QString TaskSettingsFile(const QString& taskName) const;  // TaskFolder + "/settings.ini"
    QString ImagesFolder(const QString& taskName) const;      // TaskFolder + "/Images"
    QString FlashesFolder(const QString& taskName) const;     // TaskFolder + "/Flashes"
    QString DownloadsFolder(const QString& taskName) const;   // TaskFolder + "/Downloads"
    /** The list file of result tab 0, 2, 3 or 4: "listview1.dat", "listview3.dat" .. "listview5.dat". */
    QString ListFile(const QString& taskName, int tab) const;

    /** A name that is a single folder name under Task/: not empty, not "." or "..", no "/". */
    static bool IsUsableTaskName(const QString& taskName);

private:
    QString m_programFolder;
};
