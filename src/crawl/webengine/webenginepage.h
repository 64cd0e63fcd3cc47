#pragma once
/**
 * The page the crawl loads: it opens no windows, shows no dialogs of its own (alerts, confirms,
 * prompts, file choosers, authentication, permission requests are answered silently with "no";
 * only the engine's own "leave this page?" is answered "yes", so a page never holds the crawl),
 * and reports each navigation start. Lives on the user-interface thread.
 */

#include <QWebEnginePage>
#include <functional>

class TWebEnginePage : public QWebEnginePage
{
    Q_OBJECT
public:
    TWebEnginePage(QWebEngineProfile* profile, QObject* parent = nullptr);

    /** Called when a navigation of the page or one of its frames begins. */
    std::function<void()> OnNavigationStarting;

    /** The question the engine puts through javaScriptConfirm before it leaves a page that
     *  holds a beforeunload handler; it is always answered "leave". */
    static QString LeavePageQuestion();

protected:
    QWebEnginePage* createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
