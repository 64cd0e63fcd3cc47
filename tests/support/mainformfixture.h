#pragma once
// What the main-window tests share: a fresh program folder for every test, the window created
// over a stand-in browser, and the small lookups those tests make on it. A test class derives
// from QObject and from TMainFormFixture<its browser>, and calls MakeProgramFolder() from
// init() and CloseWindow() from cleanup().

#include "support/uitestsupport.h"
#include "task/paths.h"
#include "ui/mainunit.h"
#include "ui/summarypanel.h"
#include "ui/tasktree.h"

#include <QByteArray>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QtTest>
#include <functional>
#include <memory>

template <typename TStandInBrowser = TSelfLinkingFakeBrowser>
class TMainFormFixture
{
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TPaths> m_paths;
    TStandInBrowser* m_browser = nullptr; // owned by the window
    std::unique_ptr<TMainForm> m_form;

    /** An empty program folder of the test's own. */
    void MakeProgramFolder()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_paths = std::make_unique<TPaths>(m_dir->path() + QLatin1Char('/'));
    }
    /** Closes the window before its folder goes. */
    void CloseWindow()
    {
        m_form.reset();
        m_dir.reset();
    }
    /** The window over a new stand-in browser, not yet shown. */
    void CreateWindow()
    {
        auto browser = std::make_unique<TStandInBrowser>();
        m_browser = browser.get();
        m_form = std::make_unique<TMainForm>(m_paths->ProgramFolder(), std::move(browser));
    }
    /** Shows the window and waits until it is on the screen. */
    void ShowWindow()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void Open()
    {
        CreateWindow();
        ShowWindow();
    }

    QAction* Action(const char* name) const { return FindAction(m_form.get(), name); }
    void SelectTask(const QString& name)
    {
        const QList<QTreeWidgetItem*> items =
            m_form->TaskTree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY(!items.isEmpty());
        m_form->TaskTree()->setCurrentItem(items.first());
    }
    /** Line i of the summary panel. */
    QString Line(int i) const { return m_form->Summary()->Line(i)->text(); }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    /** Runs steps on the modal dialog once it is up; the command that opens it runs meanwhile. */
    static void WhenShown(QWidget* dialog, std::function<void()> steps)
    {
        auto* poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [poll, dialog, steps] {
            if (!dialog->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            steps();
        });
        poll->start();
    }
};
