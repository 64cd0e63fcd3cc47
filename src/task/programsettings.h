#pragma once

#include <QString>

/** The program-wide settings of pmsettings.ini: seven browser options, four downloader values
 *  and the gallery's cache switch. */
struct TProgramSettings
{
    bool DownloadImages = false;      // Browser01
    bool DownloadVideos = false;      // Browser02
    bool DownloadBGSounds = false;    // Browser03
    bool DontExecuteScripts = true;   // Browser04
    bool DontExecuteJava = true;      // Browser05
    bool DontExecuteActiveX = true;   // Browser06
    bool DontDownloadActiveX = true;  // Browser07
    QString ProxyServer;              // Downloader01
    QString ProxyPort;                // Downloader02
    QString AuthUserName;             // Downloader03
    QString AuthPassword;             // Downloader04
    bool ShareBrowserSession = true;  // Downloader05
    int DownloadRetries = 2;          // Downloader06

    bool WriteThumbnailCache = true;  // Gallery01: the gallery writes to the desktop's thumbnail cache

    /** The browser's download-control value: 0x10, 0x20 .. 0x400 for each option that is on. */
    int DownloadControlFlags() const;
    bool operator==(const TProgramSettings&) const = default;
};

namespace pagemint {

/** Reads every key; a missing file, section, key or unreadable value gives the default.
 *  A file that exists but cannot be read throws EPagemintError("Unable to read " + path). */
TProgramSettings ReadProgramSettings(const QString& path);
/** Writes every key in order, "Browser" first; other lines of the file stay.
 *  Throws EPagemintError("Unable to write to " + path) when the file cannot be written, and
 *  EPagemintError("Unable to read " + path), writing nothing, when it cannot be read. */
void WriteProgramSettings(const QString& path, const TProgramSettings& settings);

} // namespace pagemint
