#include "ui/mainunit.h"

#include "crawl/webengine/webenginebrowser.h"
#include "results/resultbackup.h"
#include "task/catalogue.h"
#include "task/errors.h"
#include "task/logging.h"
#include "ui/aboutunit.h"
#include "ui/desktop.h"
#include "ui/downloadlogactions.h"
#include "ui/downloadspane.h"
#include "ui/elidedlabel.h"
#include "ui/icons.h"
#include "ui/livestate.h"
#include "ui/logonbar.h"
#include "ui/messages.h"
#include "ui/outputpanel.h"
#include "ui/productinfo.h"
#include "ui/resultrowmenu.h"
#include "ui/settingunit.h"
#include "ui/summarypanel.h"
#include "ui/taskeditcommands.h"
#include "ui/taskunit.h"
#include "ui/tasktree.h"
#include "ui/windowmemory.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <algorithm>

#include <exception>

using namespace pagemint;

namespace {

constexpr int kSideAreaWidth = 239;
constexpr int kSplitterWidth = 7;
constexpr int kHeaderHeight = 35;
constexpr int kLiveRefreshMs = 250;
const QSize kDesignedSize(1084, 749);
constexpr int kProgressBarWidth = 200;
constexpr int kTaskFieldWidth = 150;
constexpr int kTaskFieldMaxWidth = 260;

/** A fixed status bar caption: at least its designed width, never narrower than its text. */
class TStatusLabel : public QLabel
{
public:
    TStatusLabel(const QString& text, int designedWidth, QWidget* parent)
        : QLabel(text, parent)
        , m_designedWidth(designedWidth)
    {
    }
    QSize sizeHint() const override { return MinimumSize(QLabel::sizeHint()); }
    QSize minimumSizeHint() const override { return MinimumSize(QLabel::minimumSizeHint()); }

private:
    QSize MinimumSize(QSize text) const { return {qMax(m_designedWidth, text.width()), text.height()}; }

    int m_designedWidth;
};

/** A status bar progress bar: its designed width when there is room, narrower on a small
 *  screen or with a large font. Too narrow for its percentage it shows the bar alone rather
 *  than a cut text. Its height follows the font. */
class TStatusProgressBar : public QProgressBar
{
public:
    using QProgressBar::QProgressBar;
    QSize sizeHint() const override { return {kProgressBarWidth, BarHeight()}; }
    // QProgressBar's own least width is its size hint; a short bar of two text lines' length
    // still reads as a bar.
    QSize minimumSizeHint() const override { return {qMin(kProgressBarWidth, 2 * fontMetrics().height()), BarHeight()}; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QProgressBar::resizeEvent(event);
        setTextVisible(width() >= fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 12);
    }
    void changeEvent(QEvent* event) override
    {
        QProgressBar::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            setTextVisible(width() >= fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 12);
    }

private:
    int BarHeight() const { return qMax(17, fontMetrics().height() + 2); }
};

/** The task field: its designed width (up to a longer name) where there is room; on a small
 *  screen with a large font it gives way down to a few characters, ending in an ellipsis, with
 *  the whole name as tooltip. */
class TTaskFieldLabel : public TElidedLabel
{
public:
    using TElidedLabel::TElidedLabel;
    QSize sizeHint() const override
    {
        const QSize whole = TElidedLabel::sizeHint();
        return {qBound(kTaskFieldWidth, whole.width(), kTaskFieldMaxWidth), whole.height()};
    }
};

/** The "Current Page:" pane asks for room for its caption and the start of an address; it
 *  gives way together with the progress bars on a narrow bar, takes whatever the other fields
 *  leave on a wide one, and shortens the address in the middle to fit. */
class TCurrentPageLabel : public TElidedLabel
{
public:
    using TElidedLabel::TElidedLabel;
    /** Room for the caption and the start of an address, where the other fields leave it. */
    QSize sizeHint() const override
    {
        const QSize least = minimumSizeHint();
        const int wanted = fontMetrics().horizontalAdvance(QStringLiteral("Current Page: http://www.example.com/…"));
        return {qMax(least.width(), qMin(TElidedLabel::sizeHint().width(), wanted)), least.height()};
    }
};

} // namespace

TMainForm::TMainForm(const QString& programFolder, std::unique_ptr<TBrowser> browser, QWidget* parent)
    : QMainWindow(parent)
    , m_paths(programFolder)
    , m_browser(std::move(browser))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pagemint"));
    setWindowIcon(ProgramIcon());
    // The design size, within the screen's free area: the window opens maximised, and its
    // normal size must fit the screen too. A remembered normal frame replaces it.
    QSize normalSize = kDesignedSize;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        normalSize = normalSize.boundedTo(screen->availableGeometry().size());
    resize(normalSize);
    m_windowState = ReadWindowState(m_paths.ProgramSettingsFile());
    RestoreNormalFrame(this, m_windowState);

    if (!m_browser) {
        auto web = std::make_unique<TWebEngineBrowser>(m_paths.BrowserProfileFolder());
        auto* view = new QWebEngineView;
        view->setObjectName(QStringLiteral("BrowserView"));
        view->setPage(web->Page());
        view->setContextMenuPolicy(Qt::NoContextMenu);
        m_browserView = view;
        m_browser = std::move(web);
    }
    m_harvester = std::make_unique<THarvester>(m_paths, *m_browser, *this);
    m_harvester->SetThumbnailBackground(palette().color(QPalette::Button).rgb());
    m_harvester->AllowThumbnailCacheWrites(true);

    BuildLayout(m_browserView);
    BuildStatusBar();
    SetupActions();
    FormCreate();
    RestoreWindowState();
    ApplyDesignedMinimum(this, kDesignedSize);
    new TResultRowMenu(m_output, m_harvester->Results(), m_paths, [this] { return m_harvester->ShownTaskName(); });

    // While a run or its downloads go on, the summary, the downloads pane and the title follow
    // it a few times a second.
    m_liveTimer = new QTimer(this);
    m_liveTimer->setInterval(kLiveRefreshMs);
    connect(m_liveTimer, &QTimer::timeout, this, &TMainForm::RefreshLiveState);
    connect(m_harvester.get(), &THarvester::DownloadsFinished, this, &TMainForm::RefreshLiveState);

    // The three dialogs exist hidden for the whole run and are shown modally on demand.
    m_taskForm = new TTaskForm(m_paths, *m_tree, m_harvester->CurrentTask(), this);
    m_settingForm = new TSettingForm(
        m_harvester->ProgramSettings(), [this] { m_harvester->ReadProgramSettings(); },
        [this] { m_harvester->WriteProgramSettings(); }, this);
    m_aboutForm = new TAboutForm(this);
    m_taskEdit = new TTaskEditCommands(this, *m_tree, *m_taskForm, *m_harvester);

    connect(qApp, &QCoreApplication::aboutToQuit, this, &TMainForm::FormClose);
}

TMainForm::~TMainForm()
{
    // The engine goes first (it joins the download workers), then the view, then the page.
    m_harvester.reset();
    delete m_browserView;
    m_browserView = nullptr;
    m_browser.reset();
}

void TMainForm::FormCreate()
{
    m_output->ShowTab(TabImages);
    TMessages::RunCommand(this, [this] { LoadTaskList(); });
    TMessages::RunCommand(this, [this] { m_harvester->ReadProgramSettings(); });
}

QWidget* TMainForm::SectionHeader(const QString& caption, QWidget* parent)
{
    auto* header = new QLabel(caption, parent);
    header->setObjectName(QStringLiteral("Header") + caption.trimmed());
    header->setFixedHeight(kHeaderHeight);
    header->setIndent(8);
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(13);
    font.setBold(true);
    header->setFont(font);
    header->setStyleSheet(QStringLiteral(
        "QLabel { color: #1f3550; border-bottom: 1px solid #8ea3bd;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #eef3f9, stop:1 #cfdbea); }"));
    return header;
}

void TMainForm::BuildLayout(QWidget* browserView)
{
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter = splitter;
    splitter->setObjectName(QStringLiteral("MainSplitter"));
    splitter->setHandleWidth(kSplitterWidth);
    splitter->setChildrenCollapsible(false);

    m_taskArea = new QWidget(splitter);
    m_taskArea->setObjectName(QStringLiteral("TaskWindow"));
    m_tree = new TTaskTree(m_taskArea);
    m_summary = new TSummaryPanel(m_taskArea);
    auto* taskLayout = new QVBoxLayout(m_taskArea);
    taskLayout->setContentsMargins(0, 0, 0, 0);
    taskLayout->setSpacing(0);
    taskLayout->addWidget(SectionHeader(QStringLiteral("Task"), m_taskArea));
    taskLayout->addWidget(m_tree, 1);
    taskLayout->addWidget(SectionHeader(QStringLiteral("Summary"), m_taskArea));
    taskLayout->addWidget(m_summary);

    m_outputArea = new QWidget(splitter);
    m_outputArea->setObjectName(QStringLiteral("OutputWindow"));
    m_output = new TOutputPanel(m_harvester->Results(), m_paths,
                                [this] { return m_harvester->CurrentTask().TaskName; }, m_outputArea);
    auto* outputLayout = new QVBoxLayout(m_outputArea);
    outputLayout->setContentsMargins(0, 0, 0, 0);
    outputLayout->setSpacing(0);
    outputLayout->addWidget(SectionHeader(QStringLiteral("Output "), m_outputArea));
    outputLayout->addWidget(m_output, 1);

    m_searchArea = new QWidget(splitter);
    m_searchArea->setObjectName(QStringLiteral("SearchWindow"));
    auto* searchLayout = new QVBoxLayout(m_searchArea);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->setSpacing(0);
    searchLayout->addWidget(SectionHeader(QStringLiteral("Search"), m_searchArea));
    m_logonBar = new TLogonBar([this] { return m_harvester->EventPump().NowMs(); }, splitter, 2, m_searchArea);
    connect(m_logonBar, &TLogonBar::ContinueRequested, this, [this] { m_harvester->EndLogonPause(); });
    searchLayout->addWidget(m_logonBar);
    if (!browserView)
        browserView = new QWidget;   // a stand-in browser has nothing to show
    browserView->setParent(m_searchArea);
    browserView->setMinimumWidth(120);
    searchLayout->addWidget(browserView, 1);

    m_taskArea->setMinimumWidth(150);
    m_outputArea->setMinimumWidth(200);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    splitter->setSizes({kSideAreaWidth, width() - 2 * (kSideAreaWidth + kSplitterWidth), kSideAreaWidth});
    setCentralWidget(splitter);
}

void TMainForm::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    auto fixedLabel = [bar](const QString& text, int width, const char* name) {
        auto* label = new TStatusLabel(text, width, bar);
        label->setObjectName(QString::fromLatin1(name));
        bar->addWidget(label);
        return label;
    };
    auto progress = [bar](const char* name) {
        auto* progressBar = new TStatusProgressBar(bar);
        progressBar->setObjectName(QString::fromLatin1(name));
        progressBar->setRange(0, 100);
        progressBar->setValue(0);
        progressBar->setMaximumWidth(kProgressBarWidth);
        // Stretched like the "Current Page:" pane, so on a narrow bar the three give way alike.
        bar->addWidget(progressBar, 1);
        return progressBar;
    };
    // A long task name is shortened at its end, with the whole name as tooltip.
    auto* taskField = new TTaskFieldLabel(QStringLiteral("Task: "), bar);
    taskField->SetElideMode(Qt::ElideRight);
    taskField->setObjectName(QStringLiteral("TaskField"));
    taskField->setMaximumWidth(kTaskFieldMaxWidth);
    bar->addWidget(taskField);
    m_taskField = taskField;
    m_taskField->setTextFormat(Qt::PlainText);   // task names and page addresses are shown as typed
    fixedLabel(QStringLiteral("Search Progress:"), 101, "SearchProgressLabel");
    m_searchProgress = progress("SearchProgress");
    fixedLabel(QStringLiteral("Download Progress:"), 112, "DownloadProgressLabel");
    m_downloadProgress = progress("DownloadProgress");
    m_downloadsPane = new TDownloadsPane(bar);
    m_downloadsPane->setObjectName(QStringLiteral("DownloadsPane"));
    bar->addWidget(m_downloadsPane);
    // The address is shortened in the middle, so its host and its end stay visible; the
    // tooltip holds it whole.
    m_currentPage = new TCurrentPageLabel(QStringLiteral("Current Page:"), bar);
    m_currentPage->setObjectName(QStringLiteral("CurrentPageField"));
    m_currentPage->setTextFormat(Qt::PlainText);
    bar->addWidget(m_currentPage, 1);
}

void TMainForm::SetupActions()
{
    auto command = [this](const char* name, const QString& caption, TIconKind icon, void (TMainForm::*handler)()) {
        auto* action = new QAction(CommandIcon(icon), caption, this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { TMessages::RunCommand(this, [this, handler] { (this->*handler)(); }); });
        return action;
    };
    // Captions carry access keys; tool buttons show them without the "&".
    QAction* add = command("ActionNew", QStringLiteral("&Add"), TIconKind::Add, &TMainForm::ActionNewExecute);
    QAction* del = command("ActionDel", QStringLiteral("&Delete"), TIconKind::Delete, &TMainForm::ActionDelExecute);
    QAction* start = command("ActionStart", QStringLiteral("&Start"), TIconKind::Start, &TMainForm::ActionStartExecute);
    QAction* stop = command("ActionPause", QStringLiteral("S&top"), TIconKind::Stop, &TMainForm::ActionPauseExecute);
    QAction* settings = command("ActionSettings", QStringLiteral("&Settings"), TIconKind::Settings,
                                &TMainForm::ActionSettingsExecute);
    QAction* exit = command("ActionExit", QStringLiteral("E&xit"), TIconKind::Exit, &TMainForm::ActionExitExecute);
    QAction* restore = command("ActionRestoreResults", QStringLiteral("&Restore Previous Results"),
                               TIconKind::Folder, &TMainForm::ActionRestoreExecute);
    m_stopAction = stop;
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    start->setShortcut(QKeySequence(Qt::Key_F5));
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Del deletes a task only while the tree has the focus, so it never takes a task away
    // while the user edits or selects elsewhere. Esc stops a run only while one is active.
    del->setShortcut(QKeySequence(Qt::Key_Delete));
    del->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_tree->addAction(del);
    if (QAction* exportList = m_output->findChild<QAction*>(QStringLiteral("ActionExportList")))
        exportList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));

    QMenu* taskMenu = menuBar()->addMenu(QStringLiteral("&Task"));
    taskMenu->addActions({add, del});
    taskMenu->addSeparator();
    taskMenu->addActions({start, stop});
    taskMenu->addSeparator();
    taskMenu->addAction(restore);
    taskMenu->addSeparator();
    new TDownloadLogActions(this, *m_harvester, [this] { return m_tree->SelectedTask(); }, taskMenu);
    taskMenu->addSeparator();
    taskMenu->addAction(exit);
    menuBar()->addMenu(QStringLiteral("&Settings"))->addAction(settings);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    auto areaItem = [this, viewMenu](const char* name, const QString& caption, QWidget* area) {
        QAction* item = viewMenu->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        item->setChecked(true);
        connect(item, &QAction::toggled, area, &QWidget::setVisible);
    };
    areaItem("ViewTaskWindow", QStringLiteral("&Task Window"), m_taskArea);
    areaItem("ViewOutputWindow", QStringLiteral("&Output Window"), m_outputArea);
    areaItem("ViewSearchWindow", QStringLiteral("S&earch Window"), m_searchArea);
    viewMenu->addSeparator();
    areaItem("ViewStatusBar", QStringLiteral("Status &Bar"), statusBar());

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* help = helpMenu->addAction(CommandIcon(TIconKind::Help), QStringLiteral("&Help Manual"));
    help->setObjectName(QStringLiteral("HelpManual"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(help, &QAction::triggered, this, [] { TDesktop::OpenWebPage(ProductInfo::HelpPageURL()); });
    helpMenu->addSeparator();
    QAction* home = helpMenu->addAction(CommandIcon(TIconKind::Home), QStringLiteral("Home&page"));
    home->setObjectName(QStringLiteral("Homepage"));
    connect(home, &QAction::triggered, this, [] { TDesktop::OpenWebPage(ProductInfo::HomepageURL()); });
    QAction* about = helpMenu->addAction(CommandIcon(TIconKind::About), QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] { m_aboutForm->exec(); });

    QToolBar* toolBar = addToolBar(QStringLiteral("Main"));
    toolBar->setObjectName(QStringLiteral("MainToolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->toggleViewAction()->setVisible(false);
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar->setIconSize(QSize(20, 20));
    // At least the designed height; taller when a larger font needs room for the captions.
    toolBar->setMinimumHeight(44 + 4);
    for (QAction* action : {add, del, start, stop, settings}) {
        toolBar->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(action)))
            button->setMinimumSize(60, 40);
    }

    auto* treeMenu = new QMenu(this);
    treeMenu->setObjectName(QStringLiteral("TaskTreeMenu"));
    treeMenu->addActions({add, del});
    treeMenu->addSeparator();
    treeMenu->addActions({start, stop});
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this, treeMenu](const QPoint& pos) {
        // The right-clicked node becomes the selected one, so the commands act on what was clicked.
        if (QTreeWidgetItem* item = m_tree->itemAt(pos))
            m_tree->setCurrentItem(item);
        treeMenu->popup(m_tree->viewport()->mapToGlobal(pos));
    });
    connect(m_tree, &TTaskTree::SelectionChanged, this,
            [this] { TMessages::RunCommand(this, [this] { TaskTreeChange(); }); });
}

// ---- Catalogue ----

void TMainForm::LoadTaskList()
{
    m_catalogueUnread = false;
    try {
        m_tree->Reset(pagemint::LoadTaskList(m_paths));
    } catch (const EPagemintError&) {
        m_catalogueUnread = true;
        m_tree->Reset({});
        throw;
    }
}

void TMainForm::SaveTaskList()
{
    // The tree of a catalogue that could not be read is not the catalogue: it never replaces it.
    if (m_catalogueUnread)
        throw EPagemintError(QStringLiteral("Unable to write to ") + m_paths.TaskListFile());
    pagemint::SaveTaskList(m_paths, m_tree->TaskNames());
}

void TMainForm::TaskTreeChange()
{
    if (const std::optional<QString> name = m_tree->SelectedTask()) {
        // A file of the task that cannot be read is reported once the task is shown.
        std::exception_ptr error;
        try {
            m_harvester->SelectTask(*name);
        } catch (const EPagemintError&) {
            error = std::current_exception();
        }
        ShowTaskSummary(true);
        m_taskField->setText(QStringLiteral("Task: ") + *name);
        if (error)
            std::rethrow_exception(error);
    } else {
        m_harvester->SelectNoTask();
        ShowTaskSummary(false);
        m_taskField->setText(QStringLiteral("Task: "));
    }
}

void TMainForm::ShowTaskSummary(bool show)
{
    if (!show) {
        m_summary->HideSummary();
        return;
    }
    const TRunState& run = m_harvester->RunState();
    const TResultLists& results = m_harvester->Results();
    TSummaryData summary;
    summary.TaskName = m_harvester->CurrentTask().TaskName;
    const std::optional<QString> shown = m_tree->SelectedTask();
    // Running from the start of the run until its crawl has returned and its downloads are done.
    summary.Running = shown && *shown == m_harvester->RunTaskName()
                   && (m_harvester->IsRunActive() || !m_harvester->DownloadsIdle());
    summary.VisitedPages = run.VisitedURLList.Count();
    summary.TotalPages = summary.VisitedPages + run.NextLevelURLList.Count();
    for (int tab = 0; tab < ResultTabCount; ++tab)
        summary.Rows[static_cast<std::size_t>(tab)] = results.RowCount(tab);
    m_summary->ShowSummary(summary);
}

// ---- Commands ----

void TMainForm::ActionNewExecute()
{
    if (m_taskForm->exec() == QDialog::Accepted)
        ActionStartExecute();
}

void TMainForm::ActionDelExecute()
{
    const std::optional<QString> name = m_tree->SelectedTask();
    if (!name) {
        TMessages::Information(this, QStringLiteral("Please select a task."));
        return;
    }
    if (TMessages::Question(this, QStringLiteral("Are you sure you want to delete task ") + *name + QStringLiteral(" ?")))
        m_tree->RemoveSelectedTask();
}

void TMainForm::ActionStartExecute()
{
    const std::optional<QString> name = m_tree->SelectedTask();
    if (!name) {
        TMessages::Information(this, QStringLiteral("Please select a task."));
        return;
    }
    // A close asked for during the run is carried out once the run has returned, error or not.
    struct TCloseAfterRun
    {
        TMainForm* form;
        ~TCloseAfterRun()
        {
            if (form->m_closeAfterRun)
                QMetaObject::invokeMethod(form, &QWidget::close, Qt::QueuedConnection);
        }
    } closeAfterRun{this};
    m_harvester->RunTask(*name);
    RefreshLiveState();
}

void TMainForm::ActionPauseExecute()
{
    m_harvester->ActionPauseExecute();
}

void TMainForm::ActionSettingsExecute()
{
    m_settingForm->exec();
}

void TMainForm::ActionExitExecute()
{
    close();
}

void TMainForm::ActionRestoreExecute()
{
    const std::optional<QString> name = m_tree->SelectedTask();
    if (!name) {
        TMessages::Information(this, QStringLiteral("Please select a task."));
        return;
    }
    if (m_harvester->IsRunActive() && m_harvester->RunTaskName() == *name) {
        TMessages::Information(this, QStringLiteral("Task ") + *name
                                         + QStringLiteral(" is running. Stop it before restoring its previous results."));
        return;
    }
    if (!HasResultBackup(m_paths, *name)) {
        TMessages::Information(this, QStringLiteral("Task ") + *name + QStringLiteral(" has no previous results."));
        return;
    }
    if (!TMessages::Question(this, QStringLiteral("Replace the results of task ") + *name
                                       + QStringLiteral(" with its previous results? The results shown now "
                                                        "become the previous ones.")))
        return;
    RestoreResultLists(m_paths, *name);
    TaskTreeChange();
}

bool TMainForm::ConfirmCloseWhileBusy()
{
    if (m_harvester->IsRunActive())
        return TMessages::Question(this, QStringLiteral("Task ") + m_harvester->RunTaskName()
                                             + QStringLiteral(" is running. Stop it and exit?"));
    if (!m_harvester->DownloadsIdle())
        return TMessages::Question(this, QStringLiteral("Downloads of task ") + m_harvester->RunTaskName()
                                             + QStringLiteral(" are still running. Stop them and exit?"));
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!m_closing && !ConfirmCloseWhileBusy()) {
        event->ignore();
        return;
    }
    if (m_harvester->IsRunActive()) {
        // The run is stopped as "Stop" would (its lists are saved); the engine can be shut down
        // only once RunTask has returned, which then closes the window again.
        m_closing = true;
        m_closeAfterRun = true;
        try {
            m_harvester->ActionPauseExecute();
        } catch (const EPagemintError& error) {
            qCDebug(lcUi, "run not stopped for closing: %s", qPrintable(error.Message()));
        } catch (...) {
            qCDebug(lcUi, "run not stopped for closing");
        }
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::WinIdChange) {
        // The browser view's first frame makes Qt replace the window's native window, and the
        // new one starts without the maximised state the window manager was given: hand the
        // states the window had to the new native window.
        const Qt::WindowStates states = windowState();
        if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
            QMetaObject::invokeMethod(
                this,
                [this, states] {
                    if (QWindow* window = windowHandle())
                        window->setWindowStates(states);
                },
                Qt::QueuedConnection);
        }
    }
    return QMainWindow::event(event);
}

void TMainForm::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    m_closing = true;
    if (m_liveTimer)
        m_liveTimer->stop();
    try {
        SaveWindowState();
    } catch (const EPagemintError& error) {
        qCDebug(lcUi, "window state not saved: %s", qPrintable(error.Message()));
    } catch (...) {
        qCDebug(lcUi, "window state not saved");
    }
    // The download workers are aborted and joined before the catalogue is written and the
    // window (with the lock they share) goes away.
    try {
        m_harvester->Shutdown();
    } catch (const EPagemintError& error) {
        qCDebug(lcUi, "engine not shut down cleanly: %s", qPrintable(error.Message()));
    } catch (...) {
        qCDebug(lcUi, "engine not shut down cleanly");
    }
    try {
        SaveTaskList();
    } catch (const EPagemintError& error) {
        qCDebug(lcUi, "task list not saved at close: %s", qPrintable(error.Message()));
    } catch (...) {
        qCDebug(lcUi, "task list not saved at close");
    }
}

// ---- Front end ----

void TMainForm::ShowMessage(const QString& text)
{
    if (!m_closing)   // a run ended by closing the window says nothing more
        TMessages::Information(this, text);
}

void TMainForm::SetSearchProgress(int percent)
{
    if (m_searchProgress)
        m_searchProgress->setValue(qBound(0, percent, 100));
}

void TMainForm::SetCurrentPage(const QString& text)
{
    if (m_currentPage)
        m_currentPage->setText(text);
}

void TMainForm::RunStarted(const QString& taskName)
{
    Q_UNUSED(taskName);
    m_stopAction->setShortcut(QKeySequence(Qt::Key_Escape));
    m_liveTimer->start();
    RefreshLiveState();
}

void TMainForm::RefreshLiveState()
{
    if (m_closed)
        return;
    const bool crawling = m_harvester->IsRunActive();
    const bool downloading = !m_harvester->DownloadsIdle();
    const THarvester::TDownloadCounts counts = m_harvester->DownloadCounts();
    m_downloadsPane->SetCounts(counts.Done, counts.Queued, counts.Failed);
    const int percent = crawling ? m_searchProgress->value() : m_downloadProgress->value();
    setWindowTitle(RunWindowTitle(m_harvester->RunTaskName(), crawling, downloading, percent));
    if (!crawling)
        m_stopAction->setShortcut(QKeySequence());
    if (!crawling && !downloading)
        m_liveTimer->stop();
    const std::optional<QString> shown = m_tree->SelectedTask();
    if (shown && *shown == m_harvester->RunTaskName())
        ShowTaskSummary(true);
}

// ---- Window state ----

void TMainForm::RestoreWindowState()
{
    const QList<int> sizes = m_windowState.SplitterSizes(0);
    if (sizes.size() == m_splitter->count() && std::all_of(sizes.begin(), sizes.end(), [](int n) { return n > 0; }))
        m_splitter->setSizes(sizes);
    if (IsResultTab(m_windowState.TabIndex))
        m_output->ShowTab(m_windowState.TabIndex);
    if (!m_windowState.TaskName.isEmpty()) {
        for (int i = 0; i < m_tree->Root()->childCount(); ++i) {
            QTreeWidgetItem* node = m_tree->Root()->child(i);
            if (node->text(0) == m_windowState.TaskName) {
                m_tree->setCurrentItem(node);
                break;
            }
        }
    }
}

void TMainForm::SaveWindowState()
{
    TWindowState state = m_windowState;
    const QRect normal = normalGeometry();
    if (normal.isValid()) {
        state.X = normal.x();
        state.Y = normal.y();
        state.Width = normal.width();
        state.Height = normal.height();
    }
    // An area hidden through the View menu has no size: its remembered size stays.
    const QList<int> sizes = m_splitter->sizes();
    if (std::all_of(sizes.begin(), sizes.end(), [](int n) { return n > 0; }))
        state.Splitters = {sizes};
    state.TabIndex = m_output->CurrentTab();
    state.TaskName = m_tree->SelectedTask().value_or(QString());
    WriteWindowState(m_paths.ProgramSettingsFile(), state);
}

void TMainForm::SetDownloadProgress(int percent)
{
    if (m_downloadProgress)
        m_downloadProgress->setValue(qBound(0, percent, 100));
}

void TMainForm::SetBusyCursor(bool busy)
{
    if (busy) {
        if (m_busyCursorDepth++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyCursorDepth > 0 && --m_busyCursorDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

void TMainForm::SetThumbnailProgress(bool visible, int percent)
{
    if (!m_summary)
        return;
    m_summary->SetThumbnailProgress(visible, percent);
    // The summary's counts are taken when a task is selected, before its gallery is built in
    // the background: the end of the rebuild completes the Images line with the items it made,
    // the number a user expects for the task's pictures.
    if (!visible && m_harvester)
        m_summary->SetRowCount(TabImages, m_harvester->Results().RowCount(TabImages));
}

void TMainForm::LogonPauseStarted(qint64 deadlineMs)
{
    // The user logs on in the browser panel: it is shown if it was hidden.
    if (auto* view = findChild<QAction*>(QStringLiteral("ViewSearchWindow")))
        view->setChecked(true);
    m_logonBar->Begin(deadlineMs);
}

void TMainForm::LogonPauseEnded()
{
    m_logonBar->End();
}
