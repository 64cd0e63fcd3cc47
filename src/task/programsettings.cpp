#include "task/programsettings.h"

#include "task/profilefile.h"

#include <algorithm>

namespace {

const QString kBrowser = QStringLiteral("Browser");
const QString kDownloader = QStringLiteral("Downloader");
const QString kGallery = QStringLiteral("Gallery");

} // namespace

int TProgramSettings::DownloadControlFlags() const
{
    int flags = 0;
    if (DownloadImages)
        flags |= 0x10;
    if (DownloadVideos)
        flags |= 0x20;
    if (DownloadBGSounds)
        flags |= 0x40;
    if (DontExecuteScripts)
        flags |= 0x80;
    if (DontExecuteJava)
        flags |= 0x100;
    if (DontExecuteActiveX)
        flags |= 0x200;
    if (DontDownloadActiveX)
        flags |= 0x400;
    return flags;
}

TProgramSettings pagemint::ReadProgramSettings(const QString& path)
{
    const TProfileFile ini(path);
    const TProgramSettings defaults;
    TProgramSettings s;
    s.WriteThumbnailCache = ini.ReadBool(kGallery, QStringLiteral("Gallery01"), defaults.WriteThumbnailCache);
    s.DownloadImages = ini.ReadBool(kBrowser, QStringLiteral("Browser01"), defaults.DownloadImages);
    s.DownloadVideos = ini.ReadBool(kBrowser, QStringLiteral("Browser02"), defaults.DownloadVideos);
    s.DownloadBGSounds = ini.ReadBool(kBrowser, QStringLiteral("Browser03"), defaults.DownloadBGSounds);
    s.DontExecuteScripts = ini.ReadBool(kBrowser, QStringLiteral("Browser04"), defaults.DontExecuteScripts);
    s.DontExecuteJava = ini.ReadBool(kBrowser, QStringLiteral("Browser05"), defaults.DontExecuteJava);
    s.DontExecuteActiveX = ini.ReadBool(kBrowser, QStringLiteral("Browser06"), defaults.DontExecuteActiveX);
    s.DontDownloadActiveX = ini.ReadBool(kBrowser, QStringLiteral("Browser07"), defaults.DontDownloadActiveX);
    s.ProxyServer = ini.ReadString(kDownloader, QStringLiteral("Downloader01"));
    s.ProxyPort = ini.ReadString(kDownloader, QStringLiteral("Downloader02"));
    s.AuthUserName = ini.ReadString(kDownloader, QStringLiteral("Downloader03"));
    s.AuthPassword = ini.ReadString(kDownloader, QStringLiteral("Downloader04"));
    s.ShareBrowserSession = ini.ReadBool(kDownloader, QStringLiteral("Downloader05"), defaults.ShareBrowserSession);
    s.DownloadRetries = std::clamp(ini.ReadInteger(kDownloader, QStringLiteral("Downloader06"), defaults.DownloadRetries),
                                   0, 10);
    return s;
}

void pagemint::WriteProgramSettings(const QString& path, const TProgramSettings& s)
{
    TProfileFile ini(path);
    ini.WriteBool(kBrowser, QStringLiteral("Browser01"), s.DownloadImages);
    ini.WriteBool(kBrowser, QStringLiteral("Browser02"), s.DownloadVideos);
    ini.WriteBool(kBrowser, QStringLiteral("Browser03"), s.DownloadBGSounds);
    ini.WriteBool(kBrowser, QStringLiteral("Browser04"), s.DontExecuteScripts);
    ini.WriteBool(kBrowser, QStringLiteral("Browser05"), s.DontExecuteJava);
    ini.WriteBool(kBrowser, QStringLiteral("Browser06"), s.DontExecuteActiveX);
    ini.WriteBool(kBrowser, QStringLiteral("Browser07"), s.DontDownloadActiveX);
    ini.WriteString(kDownloader, QStringLiteral("Downloader01"), s.ProxyServer);
    ini.WriteString(kDownloader, QStringLiteral("Downloader02"), s.ProxyPort);
    ini.WriteString(kDownloader, QStringLiteral("Downloader03"), s.AuthUserName);
    ini.WriteString(kDownloader, QStringLiteral("Downloader04"), s.AuthPassword);
    ini.WriteBool(kDownloader, QStringLiteral("Downloader05"), s.ShareBrowserSession);
    ini.WriteInteger(kDownloader, QStringLiteral("Downloader06"), s.DownloadRetries);
    ini.WriteBool(kGallery, QStringLiteral("Gallery01"), s.WriteThumbnailCache);
    ini.Save();
}
