#pragma once
/**
 * Hands web pages, mail links, folders and files to the desktop's default programs
 * (QDesktopServices). Every failure is ignored: the user simply sees nothing open.
 * GUI thread only. Tests install a hook that records the URL instead of launching anything.
 */

#include <QString>
#include <QUrl>
#include <functional>

class TDesktop
{
public:
    using THook = std::function<void(const QUrl& url)>;

    /** A web address in the desktop's default browser. */
    static void OpenWebPage(const QString& address);
    /** A link handed over as it is, e.g. "mailto:" + address to the default mail program. */
    static void OpenShellLink(const QString& link);
    /** A local folder in the file manager, or a local file in its default viewer. */
    static void OpenLocalPath(const QString& path);

    static void SetHook(THook hook);

private:
    static void Open(const QUrl& url);
};
