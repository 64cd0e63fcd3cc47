#include "task/taskfile.h"

#include "task/paths.h"
#include "task/errors.h"
#include "task/profilefile.h"

#include <QDir>

using namespace pagemint;

/*
 * settings.ini, sections "General", "URL" and "Output", keys in the order below.
 *
 * Several start URLs: StartURL holds the first URL as its value, and each further URL stands
 * on a line of its own right below the StartURL line, before ManualBool:
 *
 *   [URL]
 *   StartURL=http://one.example/
 *   http://two.example/?page=2
 *   ManualBool=0
 *
 * A plain profile reader sees the first URL as the value and the other lines as no keys of
 * the task. Reading takes the lines after StartURL up to the next section line, comment line or
 * key line: a line "name=value" whose name is a plain word (ASCII letters, digits and "_"),
 * whether one of this file's own keys ("ManualBool=...") or one this program does not know,
 * which then stays a key, is never visited and survives a save. A URL line may hold "=" freely
 * since its text before "=" always holds ":", "/", "." or "?". Blank lines at the end of that
 * run are not start URLs. Saving replaces the StartURL line together with its old continuation
 * lines, so a task saved again never keeps stale start URLs.
 */

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kUrl = QStringLiteral("URL");
const QString kOutput = QStringLiteral("Output");

QString OutTextKey(int rule, int column)
{
    return QStringLiteral("OutText%1%2").arg(rule).arg(column);
}

/** A name that makes its "name=value" line a key of the file rather than a start URL. */
bool IsKeyName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
        if (!plain)
            return false;
    }
    return true;
}

/** The start URLs as they go in the file: CR LF, LF or CR all separate lines; blank lines at
 *  the end are dropped. */
QStringList StartUrlLines(const QString& startUrl)
{
    QStringList lines = SplitLines(startUrl);
    while (!lines.isEmpty() && TrimControl(lines.constLast()).isEmpty())
        lines.removeLast();
    return lines;
}

/** TaskName as written. The name is the task's folder name and its catalogue line, kept byte for
 *  byte; a read drops blanks around a value and one enclosing pair of quotes, so a name that a
 *  read would change is written inside quotes, which that same read takes off again. */
QString TaskNameValue(const QString& name)
{
    if (TProfileFile::CleanValue(name) == name)
        return name;
    return u'"' + name + u'"';
}

} // namespace

TTaskItem pagemint::LoadTaskFile(const QString& settingsPath)
{
    const TProfileFile ini(settingsPath);
    TTaskItem task;
    task.TaskName = ini.ReadString(kGeneral, QStringLiteral("TaskName"));
    task.TaskDir = ini.ReadString(kGeneral, QStringLiteral("TaskDir"));
    task.TaskThread = ini.ReadInteger(kGeneral, QStringLiteral("TaskThread"), 3);
    task.check1 = ini.ReadBool(kGeneral, QStringLiteral("check1"), false);
    task.check2 = ini.ReadBool(kGeneral, QStringLiteral("check2"), true);
    task.check3 = ini.ReadBool(kGeneral, QStringLiteral("check3"), false);
    task.check4 = ini.ReadBool(kGeneral, QStringLiteral("check4"), false);
    task.check5 = ini.ReadBool(kGeneral, QStringLiteral("check5"), true);

    QStringList urls = ini.ReadContinuedString(kUrl, QStringLiteral("StartURL"), IsKeyName);
    task.StartURL = urls.join(QStringLiteral("\r\n"));
    task.ManualBool = ini.ReadBool(kUrl, QStringLiteral("ManualBool"), false);
    task.FollowedLink = ini.ReadInteger(kUrl, QStringLiteral("FollowedLink"), 9);
    task.PageLocation = ini.ReadInteger(kUrl, QStringLiteral("PageLocation"), PageLocationSameSite);
    task.TextinSearch = ini.ReadString(kUrl, QStringLiteral("TextinSearch"));
    task.TextInDownload = ini.ReadString(kUrl, QStringLiteral("TextInDownload"));
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c)
            task.OutText[r][c] = ini.ReadString(kUrl, OutTextKey(r, c));

    task.ImageLinkBool = ini.ReadBool(kOutput, QStringLiteral("ImageLinkBool"), false);
    task.ImageFrom = ini.ReadString(kOutput, QStringLiteral("ImageFrom"));
    task.ImageTo = ini.ReadString(kOutput, QStringLiteral("ImageTo"));
    task.ImageWidthBool = ini.ReadBool(kOutput, QStringLiteral("ImageWidthBool"), false);
    task.ImageHeightBool = ini.ReadBool(kOutput, QStringLiteral("ImageHeightBool"), false);
    task.ImageWidthMin = ini.ReadInteger(kOutput, QStringLiteral("ImageWidthMin"), 799);
    task.ImageHeightMin = ini.ReadInteger(kOutput, QStringLiteral("ImageHeightMin"), 599);
    task.DownloadExt = ini.ReadString(kOutput, QStringLiteral("DownloadExt"));
    task.LinksText = ini.ReadString(kOutput, QStringLiteral("LinksText"));
    task.SkipDownloaded = ini.ReadBool(kOutput, QStringLiteral("SkipDownloaded"), false);
    return task;
}

void pagemint::SaveTaskFile(const TTaskItem& task, const TPaths& paths)
{
    const QString path = paths.TaskSettingsFile(task.TaskName);
    // A name that is no single folder name under Task/ would put the file elsewhere.
    if (!TPaths::IsUsableTaskName(task.TaskName))
        throw EPagemintError(QStringLiteral("Unable to write to ") + path);

    // A folder that cannot be created shows up as a failed write below.
    QDir dir;
    dir.mkpath(paths.TaskFolder(task.TaskName));
    dir.mkpath(paths.ImagesFolder(task.TaskName));
    dir.mkpath(paths.FlashesFolder(task.TaskName));
    dir.mkpath(paths.DownloadsFolder(task.TaskName));

    TProfileFile ini(path);
    ini.WriteString(kGeneral, QStringLiteral("TaskName"), TaskNameValue(task.TaskName));
    ini.WriteString(kGeneral, QStringLiteral("TaskDir"), task.TaskDir);
    ini.WriteInteger(kGeneral, QStringLiteral("TaskThread"), task.TaskThread);
    ini.WriteBool(kGeneral, QStringLiteral("check1"), task.check1);
    ini.WriteBool(kGeneral, QStringLiteral("check2"), task.check2);
    ini.WriteBool(kGeneral, QStringLiteral("check3"), task.check3);
    ini.WriteBool(kGeneral, QStringLiteral("check4"), task.check4);
    ini.WriteBool(kGeneral, QStringLiteral("check5"), task.check5);

    ini.WriteContinuedString(kUrl, QStringLiteral("StartURL"), StartUrlLines(task.StartURL), IsKeyName);
    ini.WriteBool(kUrl, QStringLiteral("ManualBool"), task.ManualBool);
    ini.WriteInteger(kUrl, QStringLiteral("FollowedLink"), task.FollowedLink);
    ini.WriteInteger(kUrl, QStringLiteral("PageLocation"), task.PageLocation);
    ini.WriteString(kUrl, QStringLiteral("TextinSearch"), task.TextinSearch);
    ini.WriteString(kUrl, QStringLiteral("TextInDownload"), task.TextInDownload);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c)
            ini.WriteString(kUrl, OutTextKey(r, c), task.OutText[r][c]);

    ini.WriteBool(kOutput, QStringLiteral("ImageLinkBool"), task.ImageLinkBool);
    ini.WriteString(kOutput, QStringLiteral("ImageFrom"), task.ImageFrom);
    ini.WriteString(kOutput, QStringLiteral("ImageTo"), task.ImageTo);
    ini.WriteBool(kOutput, QStringLiteral("ImageWidthBool"), task.ImageWidthBool);
    ini.WriteBool(kOutput, QStringLiteral("ImageHeightBool"), task.ImageHeightBool);
    ini.WriteInteger(kOutput, QStringLiteral("ImageWidthMin"), task.ImageWidthMin);
    ini.WriteInteger(kOutput, QStringLiteral("ImageHeightMin"), task.ImageHeightMin);
    ini.WriteString(kOutput, QStringLiteral("DownloadExt"), task.DownloadExt);
    ini.WriteString(kOutput, QStringLiteral("LinksText"), task.LinksText);
    ini.WriteBool(kOutput, QStringLiteral("SkipDownloaded"), task.SkipDownloaded);
    ini.Save();
}
