#include "crawl/webengine/webenginepage.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

TWebEnginePage::TWebEnginePage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent)
{
    // A null authenticator cancels the request, so no log-on box ever appears.
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl&, QAuthenticator* authenticator) { *authenticator = QAuthenticator(); });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl&, QAuthenticator* authenticator, const QString&) {
                *authenticator = QAuthenticator();
            });
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
}

QWebEnginePage* TWebEnginePage::createWindow(WebWindowType)
{
    return nullptr;
}

QStringList TWebEnginePage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&)
{
    return {};
}

void TWebEnginePage::javaScriptAlert(const QUrl&, const QString&)
{
}

bool TWebEnginePage::javaScriptConfirm(const QUrl&, const QString& msg)
{
    // The engine asks "leave this page?" through this call when a page holds a beforeunload
    // handler. Answering "no" would keep the page on show and block every later Navigate of the
    // crawl, so the page is always left; a confirm() of the page itself is answered "no".
    return msg == LeavePageQuestion();
}

QString TWebEnginePage::LeavePageQuestion()
{
    return QCoreApplication::translate(
        "QWebEnginePage",
        "Are you sure you want to leave this page? Changes that you made may not be saved.");
}

bool TWebEnginePage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false;
}

void TWebEnginePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                              const QString&)
{
}

bool TWebEnginePage::acceptNavigationRequest(const QUrl&, NavigationType, bool)
{
    if (OnNavigationStarting)
        OnNavigationStarting();
    return true;
}
