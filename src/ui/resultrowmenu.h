#pragma once
/**
 * The context menu of the result rows and of the Images tiles: open the row's web address in
 * the desktop's browser, copy the address or the value under the mouse, open the downloaded
 * file, show it in its folder. Only http and https addresses are handed to the browser.
 * The downloaded file of a Flash or Downloads row is the one the task's download record names
 * for its address, else the file under the row's name in the tab's folder; the address of an
 * Images tile is the one the record names for its file. GUI thread.
 */

#include <QObject>
#include <QString>
#include <functional>

class QMenu;
class QPoint;
class QWidget;
class TOutputPanel;
class TPaths;
class TResultLists;

/** What one result row offers; an empty member is not offered. */
struct TRowTargets
{
    QString URL;     // a web address (http or https)
    QString Value;   // the text under the mouse
    QString File;    // an existing downloaded file
};

class TResultRowMenu : public QObject
{
    Q_OBJECT
public:
    /** shownTask: the task whose results the panel shows. Installs the menu on every view. */
    TResultRowMenu(TOutputPanel* panel, const TResultLists& lists, const TPaths& paths,
                   std::function<QString()> shownTask);

    /** The targets of a row of a tab; column is the one under the mouse. */
    TRowTargets Targets(int tab, int row, int column) const;
    /** A menu for the targets (its actions named RowOpenURL, RowCopyURL, RowCopyValue,
     *  RowOpenFile, RowShowInFolder), or nullptr when there is nothing to offer. The caller owns it. */
    static QMenu* BuildMenu(const TRowTargets& targets, QWidget* parent);

    /** Whether text is an http or https address with a host. */
    static bool IsWebAddress(const QString& text);

private:
    void ShowMenu(int tab, const QPoint& pos);
    QString DownloadedFile(int tab, int row) const;
    QString AddressOfFile(const QString& path) const;

    TOutputPanel* m_panel;
    const TResultLists& m_lists;
    const TPaths& m_paths;
    std::function<QString()> m_shownTask;
};
