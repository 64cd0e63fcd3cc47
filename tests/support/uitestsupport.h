#pragma once
// Helpers of the GUI tests: a recorder that answers every message box and file dialog and
// catches every desktop launch, the stand-in browser of the window tests, and a test entry
// that prepares WebEngine. For programs that link the window library.

#include "crawl/webengine/webengineenvironment.h"
#include "support/fakebrowsers.h"
#include "ui/desktop.h"
#include "ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTest>
#include <QUrl>
#include <deque>
#include <memory>
#include <vector>

/** Installs the message, save-file and desktop hooks for its lifetime. */
class TUiRecorder
{
public:
    TUiRecorder()
    {
        TMessages::SetHook([this](TMessages::TKind kind, const QString& text) {
            Messages.append(text);
            Kinds.append(kind);
            if (kind != TMessages::TKind::Question || Answers.empty())
                return false;
            const bool answer = Answers.front();
            Answers.pop_front();
            return answer;
        });
        TMessages::SetSaveFileHook([this](const QString& filter) {
            Filters.append(filter);
            return SaveFileName;
        });
        TDesktop::SetHook([this](const QUrl& url) { Opened.append(url); });
    }
    ~TUiRecorder()
    {
        TMessages::SetHook(nullptr);
        TMessages::SetSaveFileHook(nullptr);
        TDesktop::SetHook(nullptr);
    }
    TUiRecorder(const TUiRecorder&) = delete;
    TUiRecorder& operator=(const TUiRecorder&) = delete;

    QStringList Messages;
    QList<TMessages::TKind> Kinds;
    std::deque<bool> Answers;      // answers to the next questions; No when empty
    QString SaveFileName;          // what the save dialog returns; empty is Cancel
    QStringList Filters;
    QList<QUrl> Opened;
};

/** QTEST_MAIN with WebEngine's process setup before the application object exists. */
#define PAGEMINT_UI_TEST_MAIN(TestObject)                                                     \
    int main(int argc, char** argv)                                                           \
    {                                                                                         \
        pagemint::PrepareWebEngineEnvironment();                                            \
        QApplication app(argc, argv);                                                         \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                              \
        TestObject tc;                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                            \
        return QTest::qExec(&tc, argc, argv);                                                 \
    }

/** The window's command of that object name; a missing one ends the test program. */
inline QAction* FindAction(const QObject* window, const char* name)
{
    auto* action = window->findChild<QAction*>(QString::fromLatin1(name));
    if (!action)
        qFatal("no action %s", name);
    return action;
}
