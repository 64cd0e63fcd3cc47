#pragma once
/**
 * The Output window below its header: the output tool bar ("View", "Export List",
 * "Destination Directory", "Open Image") and the five result tabs with their views.
 * It shows the engine's result lists and works on whichever tab is current. GUI thread.
 */

#include "results/resulttabs.h"

#include <QWidget>
#include <functional>

class TImagesModel;
class TPaths;
class TResultLists;
class TResultTableModel;
class QAbstractItemView;
class QListView;
class QTabWidget;
class QToolBar;
class QToolButton;

class TOutputPanel : public QWidget
{
    Q_OBJECT
public:
    /** currentTaskName: the TaskName of CurrentTask, read when "Destination Directory" runs. */
    TOutputPanel(TResultLists& lists, const TPaths& paths, std::function<QString()> currentTaskName,
                 QWidget* parent = nullptr);

    /** Makes the tab current (0 Text .. 4 Links); other indexes do nothing. */
    void ShowTab(int tab);
    int CurrentTab() const;

    /** "Export List": the current tab's rows to a text file the user names. */
    void ExportListExecute();
    /** "Destination Directory": the folder of the current tab's files in the file manager. */
    void DestinationDirectoryExecute();
    /** "Open Image" and double click: the selected picture in the default viewer. */
    void OpenSelectedImage();
    /** Shows every row appended so far at once (normally they follow in batches). */
    void FlushModels();

    QTabWidget* Tabs() const { return m_tabs; }
    QListView* ImagesView() const { return m_imagesView; }
    QAbstractItemView* View(int tab) const;
    QToolButton* ViewButton() const { return m_viewButton; }

protected:
    /** A double click anywhere on the Images list opens the selected picture, also on an
     *  empty list or beside the thumbnails (which then say why nothing opens). */
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QToolBar* BuildToolBar();
    /** The view of the gallery's thumbnails (m_imagesView) on m_imagesModel. */
    QListView* BuildImagesView();
    /** Captions beside the icons where they fit, the icons alone (captions as tooltips) where
     *  not, so that no command hides behind the tool bar's overflow button. */
    void FitToolBar();
    void OnImageSelectionChanged();

    TResultLists& m_lists;
    const TPaths& m_paths;
    std::function<QString()> m_currentTaskName;
    QTabWidget* m_tabs = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolButton* m_viewButton = nullptr;
    int m_captionedWidth = 0;   // the tool bar's width with captions; 0: measure again
    QListView* m_imagesView = nullptr;
    TImagesModel* m_imagesModel = nullptr;
    TResultTableModel* m_tableModels[pagemint::ResultTabCount] = {};
    QAbstractItemView* m_views[pagemint::ResultTabCount] = {};
};
