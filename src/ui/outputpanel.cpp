#include "ui/outputpanel.h"

#include "results/exportlist.h"
#include "results/resultlists.h"
#include "task/paths.h"
#include "ui/desktop.h"
#include "ui/icons.h"
#include "ui/imagesmodel.h"
#include "ui/messages.h"
#include "ui/resulttablemodel.h"

#include <QFile>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

using namespace pagemint;

namespace {

QTreeView* MakeReportView(QAbstractItemModel* model, const TResultTabInfo& info, QWidget* parent)
{
    auto* view = new QTreeView(parent);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAllColumnsShowFocus(true);
    view->header()->setStretchLastSection(true);
    for (int column = 0; column < info.Columns; ++column)
        if (info.Widths[std::size_t(column)] > 0)
            view->setColumnWidth(column, info.Widths[std::size_t(column)]);
    return view;
}

QTableView* MakeGridView(QAbstractItemModel* model, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->horizontalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->setWordWrap(false);
    return view;
}

} // namespace

TOutputPanel::TOutputPanel(TResultLists& lists, const TPaths& paths, std::function<QString()> currentTaskName,
                           QWidget* parent)
    : QWidget(parent)
    , m_lists(lists)
    , m_paths(paths)
    , m_currentTaskName(std::move(currentTaskName))
{
    setObjectName(QStringLiteral("OutputPanel"));
    for (const TResultTabInfo& info : ResultTabs)
        if (info.View != TTabView::Thumbnails)
            m_tableModels[info.Tab] = new TResultTableModel(lists, info.Tab, this);
    m_imagesModel = new TImagesModel(lists, this);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("ResultTabs"));
    m_tabs->setDocumentMode(true);

    for (const TResultTabInfo& info : ResultTabs) {
        QAbstractItemView*& view = m_views[info.Tab];
        switch (info.View) {
        case TTabView::Report: view = MakeReportView(m_tableModels[info.Tab], info, m_tabs); break;
        case TTabView::Thumbnails: view = BuildImagesView(); break;
        case TTabView::Grid: view = MakeGridView(m_tableModels[info.Tab], m_tabs); break;
        }
    }

    for (const TResultTabInfo& info : ResultTabs) {
        m_views[info.Tab]->setObjectName(QString::fromLatin1(info.ViewName));
        m_tabs->addTab(m_views[info.Tab], QString::fromLatin1(info.Caption));
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildToolBar());
    layout->addWidget(m_tabs, 1);
}

QListView* TOutputPanel::BuildImagesView()
{
    m_imagesView = new QListView(m_tabs);
    m_imagesView->setModel(m_imagesModel);
    m_imagesView->setViewMode(QListView::IconMode);
    m_imagesView->setIconSize(QSize(80, 80));
    m_imagesView->setGridSize(QSize(108, 114));
    m_imagesView->setUniformItemSizes(true);
    m_imagesView->setMovement(QListView::Static);
    m_imagesView->setResizeMode(QListView::Adjust);
    m_imagesView->setLayoutMode(QListView::Batched);
    m_imagesView->setBatchSize(200);
    m_imagesView->setWordWrap(false);
    m_imagesView->setTextElideMode(Qt::ElideMiddle);
    m_imagesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_imagesView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_imagesView->setMouseTracking(true);
    m_imagesView->setAttribute(Qt::WA_Hover);
    // No border, and the button face behind the tiles, which are filled with it too.
    m_imagesView->setFrameShape(QFrame::NoFrame);
    QPalette imagesPalette = m_imagesView->palette();
    imagesPalette.setColor(QPalette::Base, imagesPalette.color(QPalette::Button));
    m_imagesView->setPalette(imagesPalette);
    connect(m_imagesView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TOutputPanel::OnImageSelectionChanged);
    connect(m_imagesView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TOutputPanel::OnImageSelectionChanged);
    m_imagesView->viewport()->installEventFilter(this);

    return m_imagesView;
}

QToolBar* TOutputPanel::BuildToolBar()
{
    auto* bar = new QToolBar(this);
    m_toolBar = bar;
    bar->setObjectName(QStringLiteral("OutputToolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(20, 20));

    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ViewMenu"));
    for (const TResultTabInfo& info : ResultTabs) {
        QAction* item = menu->addAction(u'&' + QString::fromLatin1(info.Caption));
        item->setData(int(info.Tab));
    }
    connect(menu, &QMenu::triggered, this, [this](QAction* item) { ShowTab(item->data().toInt()); });

    m_viewButton = new QToolButton(bar);
    m_viewButton->setObjectName(QStringLiteral("ViewButton"));
    m_viewButton->setText(QStringLiteral("View"));
    m_viewButton->setToolTip(QStringLiteral("View"));
    m_viewButton->setIcon(CommandIcon(TIconKind::View));
    m_viewButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_viewButton->setMenu(menu);
    m_viewButton->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(m_viewButton);
    bar->addSeparator();

    QAction* exportList = bar->addAction(CommandIcon(TIconKind::Export), QStringLiteral("Export List"));
    exportList->setObjectName(QStringLiteral("ActionExportList"));
    connect(exportList, &QAction::triggered, this,
            [this] { TMessages::RunCommand(this, [this] { ExportListExecute(); }); });
    QAction* folder = bar->addAction(CommandIcon(TIconKind::Folder), QStringLiteral("Destination Directory"));
    folder->setObjectName(QStringLiteral("ActionDestinationDirectory"));
    connect(folder, &QAction::triggered, this,
            [this] { TMessages::RunCommand(this, [this] { DestinationDirectoryExecute(); }); });
    bar->addSeparator();
    QAction* openImage = bar->addAction(CommandIcon(TIconKind::OpenImage), QStringLiteral("Open Image"));
    openImage->setObjectName(QStringLiteral("ActionOpenImage"));
    connect(openImage, &QAction::triggered, this,
            [this] { TMessages::RunCommand(this, [this] { OpenSelectedImage(); }); });
    return bar;
}

void TOutputPanel::FitToolBar()
{
    if (!m_toolBar)
        return;
    if (m_captionedWidth == 0) {
        m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        m_viewButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        m_captionedWidth = m_toolBar->sizeHint().width();
    }
    const Qt::ToolButtonStyle style =
        m_captionedWidth <= width() ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly;
    if (m_toolBar->toolButtonStyle() != style) {
        m_toolBar->setToolButtonStyle(style);
        m_viewButton->setToolButtonStyle(style);
    }
}

void TOutputPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitToolBar();
}

void TOutputPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_captionedWidth = 0;
        FitToolBar();
    }
}

QAbstractItemView* TOutputPanel::View(int tab) const
{
    return IsResultTab(tab) ? m_views[tab] : nullptr;
}

void TOutputPanel::ShowTab(int tab)
{
    if (tab >= 0 && tab < m_tabs->count())
        m_tabs->setCurrentIndex(tab);
}

int TOutputPanel::CurrentTab() const
{
    return m_tabs->currentIndex();
}

void TOutputPanel::ExportListExecute()
{
    const int tab = CurrentTab();
    if (!IsResultTab(tab))
        return;
    if (m_lists.RowCount(tab) == 0) {
        TMessages::Information(this, EmptyListMessage(tab));
        return;
    }
    const QString path = TMessages::SaveFileName(this, QStringLiteral("Text Documents (*.txt)"));
    if (path.isEmpty())
        return;
    ExportList(m_lists, tab, path);
}

void TOutputPanel::DestinationDirectoryExecute()
{
    const QString folder = ResultTabFolder(m_paths, m_currentTaskName(), CurrentTab());
    TDesktop::OpenLocalPath(folder);
}

void TOutputPanel::OpenSelectedImage()
{
    if (m_lists.Images().Count() == 0) {
        TMessages::Information(this, QStringLiteral("Images list is empty."));
        return;
    }
    if (!m_imagesView->selectionModel()->hasSelection()) {
        TMessages::Information(this, QStringLiteral("Please select a picture"));
        return;
    }
    const QString path = m_lists.Images().Files().CurrentPath();
    if (!path.isEmpty() && QFile::exists(path))
        TDesktop::OpenLocalPath(path);
}

void TOutputPanel::FlushModels()
{
    for (TResultTableModel* model : m_tableModels) {
        if (model)
            model->Flush();
    }
    m_imagesModel->Flush();
}

bool TOutputPanel::eventFilter(QObject* watched, QEvent* event)
{
    // The view reports double clicks on thumbnails only; the list's own double click also
    // answers on an empty list and beside the thumbnails. The first click of the pair has
    // already set the selection, so the view need not see the second one.
    if (watched == m_imagesView->viewport() && event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        TMessages::RunCommand(this, [this] { OpenSelectedImage(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TOutputPanel::OnImageSelectionChanged()
{
    QItemSelectionModel* selection = m_imagesView->selectionModel();
    if (!selection->hasSelection() || m_lists.Images().Files().Count() == 0)
        return;
    const QModelIndex current = selection->currentIndex();
    const QModelIndexList selected = selection->selectedIndexes();
    const int row = current.isValid() && selection->isSelected(current) ? current.row() : selected.first().row();
    m_lists.Images().Files().SetCurrent(row);
}
