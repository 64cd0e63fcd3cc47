#include "ui/desktop.h"

#include <QDesktopServices>

namespace {

TDesktop::THook& Hook()
{
    static TDesktop::THook hook;
    return hook;
}

} // namespace

void TDesktop::OpenWebPage(const QString& address)
{
    Open(QUrl::fromUserInput(address));
}

void TDesktop::OpenShellLink(const QString& link)
{
    Open(QUrl(link));
}

void TDesktop::OpenLocalPath(const QString& path)
{
    Open(QUrl::fromLocalFile(path));
}

void TDesktop::SetHook(THook hook)
{
    Hook() = std::move(hook);
}

void TDesktop::Open(const QUrl& url)
{
    if (Hook()) {
        Hook()(url);
        return;
    }
    if (url.isValid())
        QDesktopServices::openUrl(url);   // the result is ignored on purpose
}
