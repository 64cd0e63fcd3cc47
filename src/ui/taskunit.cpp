#include "ui/taskunit.h"

#include "task/common.h"
#include "task/paths.h"
#include "task/taskedit.h"
#include "task/taskfile.h"
#include "ui/designedsize.h"
#include "ui/messages.h"
#include "ui/numberspinbox.h"
#include "ui/outtextgrid.h"
#include "ui/productinfo.h"
#include "ui/tasktree.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QShowEvent>
#include <QTabWidget>
#include <QTextCursor>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace pagemint;

namespace {

constexpr int kGridRows = 6;
constexpr int kGridColumns = 4;
constexpr int kGridWidths[kGridColumns] = {60, 137, 136, 138};
const QSize kDesignedSize(551, 583);

QString TaskNameFolderRefusal(const QString& name)
{
    return QStringLiteral("The task name \"") + name
        + QStringLiteral("\" can't be used as a folder name: it may not be \".\" or \"..\" or contain \"/\".");
}

/** A label whose access key moves the focus to buddy. */
QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TTaskForm::TTaskForm(const TPaths& paths, TTaskTree& tree, TTaskItem& currentTask, QWidget* parent)
    : QDialog(parent, Qt::Dialog)
    , m_paths(paths)
    , m_tree(tree)
    , m_currentTask(currentTask)
{
    setObjectName(QStringLiteral("TaskForm"));
    setWindowTitle(QStringLiteral("Task Settings"));

    m_tabs = Named(new QTabWidget(this), "TaskTabs");
    m_tabs->addTab(BuildGeneralTab(), QStringLiteral("&General"));
    m_tabs->addTab(BuildUrlsTab(), QStringLiteral("&URLs"));
    m_tabs->addTab(BuildOutputTab(), QStringLiteral("&Output"));

    auto* save = Named(new QPushButton(QStringLiteral("&Save"), this), "SaveButton");
    save->setDefault(true);
    auto* close = Named(new QPushButton(QStringLiteral("&Close"), this), "CloseButton");
    connect(save, &QPushButton::clicked, this, &TTaskForm::Save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    ResetTaskDialog();
    FitGrid();
    // The designed size is the smallest; a larger font makes the dialog grow instead of clipping.
    FitToDesignedSize(this, kDesignedSize);
}

QWidget* TTaskForm::BuildGeneralTab()
{
    auto* page = new QWidget;
    m_taskName = Named(new QLineEdit(page), "TaskName");
    m_taskDir = Named(new QLineEdit(page), "TaskDir");
    m_taskDir->setReadOnly(true);
    m_taskDir->setFocusPolicy(Qt::NoFocus);   // shown, never edited: Tab passes it by
    m_taskThread = Named(new TNumberSpinBox(0, 10, page), "TaskThread");
    connect(m_taskName, &QLineEdit::textChanged, this,
            [this](const QString& name) { m_taskDir->setText(m_paths.TaskRoot() + name); });

    auto* form = new QFormLayout;
    form->setVerticalSpacing(12);
    form->addRow(BuddyLabel(QStringLiteral("Task &name:"), m_taskName, page), m_taskName);
    form->addRow(QStringLiteral("Task directory:"), m_taskDir);
    auto* threadRow = new QHBoxLayout;
    threadRow->addWidget(m_taskThread);
    threadRow->addStretch(1);
    form->addRow(BuddyLabel(QStringLiteral("Download &thread number:"), m_taskThread, page), threadRow);

    auto* group = Named(new QGroupBox(QStringLiteral("Output Selection"), page), "OutputSelection");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(10);
    for (const TResultTabInfo& info : ResultTabs) {
        QCheckBox*& check = m_outputChecks[std::size_t(info.Tab)];
        check = Named(new QCheckBox(QString::fromLatin1(info.OutputCaption), group), info.OutputName);
        grid->addWidget(check, info.Tab / 3, info.Tab % 3);
    }

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addLayout(form);
    layout->addSpacing(12);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* TTaskForm::BuildUrlsTab()
{
    auto* page = new QWidget;
    m_startUrl = Named(new QPlainTextEdit(page), "StartURL");
    m_startUrl->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_manual = Named(new QCheckBox(QStringLiteral("&Manual login required"), page), "ManualBool");
    m_followedLink = Named(new TNumberSpinBox(0, 10, page), "FollowedLink");

    auto* levels = new QHBoxLayout;
    levels->addWidget(BuddyLabel(QStringLiteral("Followed lin&ks:"), m_followedLink, page));
    levels->addSpacing(8);
    levels->addWidget(new QLabel(QStringLiteral("The starting page and"), page));
    levels->addWidget(m_followedLink);
    levels->addWidget(new QLabel(QStringLiteral("level(s)."), page));
    levels->addStretch(1);

    auto* group = Named(new QGroupBox(QStringLiteral("Page Location:"), page), "PageLocation");
    auto* radios = new QGridLayout(group);
    auto* buttonGroup = new QButtonGroup(group);
    const char* captions[PageLocationCount] = {"&AnyWhere ", "Within current s&ite               ",
                               "Directory and su&b-directories ", "Within current director&y "};
    for (int i = 0; i < PageLocationCount; ++i) {
        m_pageLocation[i] = new QRadioButton(QString::fromLatin1(captions[i]), group);
        m_pageLocation[i]->setObjectName(QStringLiteral("PageLocation%1").arg(i));
        buttonGroup->addButton(m_pageLocation[i], i);
        radios->addWidget(m_pageLocation[i], i / 2, i % 2);
    }

    m_textInSearch = Named(new QLineEdit(page), "TextinSearch");
    m_textInDownload = Named(new QLineEdit(page), "TextInDownload");

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 12, 16, 16);
    layout->addWidget(BuddyLabel(QStringLiteral("Start U&RL (one URL a line): "), m_startUrl, page));
    layout->addWidget(m_startUrl, 1);
    layout->addWidget(m_manual);
    layout->addSpacing(6);
    layout->addLayout(levels);
    layout->addSpacing(6);
    layout->addWidget(group);
    layout->addSpacing(6);
    layout->addWidget(BuddyLabel(QStringLiteral("Text included in searc&hing URL:"), m_textInSearch, page));
    layout->addWidget(m_textInSearch);
    layout->addWidget(BuddyLabel(QStringLiteral("Text included in do&wnloading URL:"), m_textInDownload, page));
    layout->addWidget(m_textInDownload);
    return page;
}

QWidget* TTaskForm::BuildOutputTab()
{
    auto* page = new QWidget;

    // Its access key moves the focus into the grid.
    auto* textGroup = new QGroupBox(QStringLiteral("&Text"), page);
    m_grid = Named(new TOutTextGrid(kGridRows, kGridColumns, textGroup), "OutTextGrid");
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    auto* textLayout = new QVBoxLayout(textGroup);
    textLayout->addWidget(m_grid, 0, Qt::AlignLeft);

    auto* imagesGroup = new QGroupBox(QStringLiteral("Images"), page);
    m_imageLink = Named(new QCheckBox(QStringLiteral("Get image URL from links from te&xt"), imagesGroup),
                        "ImageLinkBool");
    m_imageFrom = Named(new QLineEdit(imagesGroup), "ImageFrom");
    m_imageTo = Named(new QLineEdit(imagesGroup), "ImageTo");
    m_imageFrom->hide();   // reserved fields: stored, never shown, always saved empty
    m_imageTo->hide();
    auto* sizeGroup = new QGroupBox(QStringLiteral("Download image"), imagesGroup);
    m_widthBool = Named(new QCheckBox(QStringLiteral("&Width larger than "), sizeGroup), "ImageWidthBool");
    m_widthMin = Named(new TNumberSpinBox(0, 10000, sizeGroup), "ImageWidthMin");
    m_heightBool = Named(new QCheckBox(QStringLiteral("&Height larger than "), sizeGroup), "ImageHeightBool");
    m_heightMin = Named(new TNumberSpinBox(0, 10000, sizeGroup), "ImageHeightMin");
    auto* sizeLayout = new QGridLayout(sizeGroup);
    sizeLayout->addWidget(m_widthBool, 0, 0);
    sizeLayout->addWidget(m_widthMin, 0, 1);
    sizeLayout->addWidget(new QLabel(QStringLiteral("Pixers (estimate)"), sizeGroup), 0, 2);
    sizeLayout->addWidget(m_heightBool, 1, 0);
    sizeLayout->addWidget(m_heightMin, 1, 1);
    sizeLayout->addWidget(new QLabel(QStringLiteral("Pixers (estimate)"), sizeGroup), 1, 2);
    sizeLayout->setColumnStretch(3, 1);
    m_widthMin->setMinimumWidth(80);
    m_heightMin->setMinimumWidth(80);
    auto* imagesLayout = new QVBoxLayout(imagesGroup);
    imagesLayout->addWidget(m_imageLink);
    imagesLayout->addWidget(sizeGroup);

    auto* downloadsGroup = new QGroupBox(QStringLiteral("Downloads"), page);
    m_downloadExt = Named(new QLineEdit(downloadsGroup), "DownloadExt");
    auto* downloadsLayout = new QFormLayout(downloadsGroup);
    downloadsLayout->addRow(BuddyLabel(QStringLiteral("&Extension name: "), m_downloadExt, downloadsGroup),
                            m_downloadExt);

    auto* linksGroup = new QGroupBox(QStringLiteral("Links:"), page);
    m_linksText = Named(new QLineEdit(linksGroup), "LinksText");
    auto* linksLayout = new QFormLayout(linksGroup);
    linksLayout->addRow(BuddyLabel(QStringLiteral("Text i&nclude:"), m_linksText, linksGroup), m_linksText);

    m_skipDownloaded = Named(new QCheckBox(QStringLiteral("S&kip files already downloaded"), page),
                             "SkipDownloaded");

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(textGroup);
    layout->addWidget(imagesGroup);
    // Side by side, so the tab stays within a small screen at large fonts.
    auto* lastRow = new QHBoxLayout;
    lastRow->addWidget(downloadsGroup, 1);
    lastRow->addWidget(linksGroup, 1);
    layout->addLayout(lastRow);
    layout->addWidget(m_skipDownloaded);
    layout->addStretch(1);
    return page;
}

void TTaskForm::FitGrid()
{
    // Columns as designed, wider where a header needs it; rows as high as the font needs.
    const QFontMetrics metrics(m_grid->font());
    const QStringList header{QString(), QStringLiteral("Text before"), QStringLiteral("Text include"),
                             QStringLiteral("Text after")};
    const int padding = 2 * m_grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_grid) + 8;
    int gridWidth = 2 * m_grid->frameWidth();
    for (int c = 0; c < kGridColumns; ++c) {
        const int width = qMax(kGridWidths[c], metrics.horizontalAdvance(header[c]) + padding);
        m_grid->setColumnWidth(c, width);
        gridWidth += width;
    }
    const int rowHeight = qMax(18, metrics.height() + 6);
    m_grid->verticalHeader()->setMinimumSectionSize(qMin(18, rowHeight));
    m_grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    for (int r = 0; r < kGridRows; ++r)
        m_grid->setRowHeight(r, rowHeight);
    m_grid->setFixedSize(gridWidth, 2 * m_grid->frameWidth() + kGridRows * rowHeight);
}

void TTaskForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (m_grid && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
        FitGrid();
}

void TTaskForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (m_editing)
        LoadTaskToDialog(m_editedTask);
    else
        ResetTaskDialog();
}

void TTaskForm::BeginEdit(const QString& taskName, const TTaskItem& task)
{
    m_editing = true;
    m_editedName = taskName;
    m_editedTask = task;
    m_editedTask.TaskName = taskName;
}

void TTaskForm::done(int result)
{
    QDialog::done(result);
    m_editing = false;
    m_editedName.clear();
    m_editedTask = TTaskItem();
}

void TTaskForm::LoadTaskToDialog(const TTaskItem& task)
{
    ResetTaskDialog();
    m_taskName->setText(task.TaskName);
    m_taskThread->setValue(task.TaskThread);
    for (const TResultTabInfo& info : ResultTabs)
        m_outputChecks[std::size_t(info.Tab)]->setChecked(task.*info.Output);
    QString urls = task.StartURL;
    urls.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_startUrl->setPlainText(urls);
    m_manual->setChecked(task.ManualBool);
    m_followedLink->setValue(task.FollowedLink);
    // A position outside the group keeps the default one.
    if (task.PageLocation >= 0 && task.PageLocation < PageLocationCount)
        m_pageLocation[task.PageLocation]->setChecked(true);
    m_textInSearch->setText(task.TextinSearch);
    m_textInDownload->setText(task.TextInDownload);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c)
            m_grid->item(r + 1, c + 1)->setText(task.OutText[r][c]);
    m_imageLink->setChecked(task.ImageLinkBool);
    // The hidden fields keep what the file holds, so an edit does not drop it.
    m_imageFrom->setText(task.ImageFrom);
    m_imageTo->setText(task.ImageTo);
    m_widthBool->setChecked(task.ImageWidthBool);
    m_widthMin->setValue(task.ImageWidthMin);
    m_heightBool->setChecked(task.ImageHeightBool);
    m_heightMin->setValue(task.ImageHeightMin);
    m_downloadExt->setText(task.DownloadExt);
    m_linksText->setText(task.LinksText);
    m_skipDownloaded->setChecked(task.SkipDownloaded);
    m_taskName->setFocus();
}

void TTaskForm::ResetTaskDialog()
{
    m_tabs->setCurrentIndex(0);
    m_taskName->clear();
    m_taskDir->setText(m_paths.TaskRoot());
    m_taskThread->setValue(3);
    for (const TResultTabInfo& info : ResultTabs)
        m_outputChecks[std::size_t(info.Tab)]->setChecked(info.NewTaskOutput);

    m_startUrl->clear();
    m_manual->setChecked(false);
    m_followedLink->setValue(9);
    m_pageLocation[PageLocationSameSite]->setChecked(true);
    m_textInSearch->clear();
    m_textInDownload->clear();

    const QStringList header{QString(), QStringLiteral("Text before"), QStringLiteral("Text include"),
                             QStringLiteral("Text after")};
    const QColor headerColor = palette().color(QPalette::Button);
    for (int r = 0; r < kGridRows; ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            auto* item = new QTableWidgetItem;
            if (r == 0 || c == 0) {
                item->setText(r == 0 ? header[c] : QString::number(r));
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(headerColor);
                item->setTextAlignment(Qt::AlignCenter);
            }
            m_grid->setItem(r, c, item);
        }
    }
    m_grid->setCurrentCell(1, 1, QItemSelectionModel::NoUpdate);
    m_grid->clearSelection();

    m_imageLink->setChecked(true);
    m_imageFrom->clear();
    m_imageTo->clear();
    m_widthBool->setChecked(false);
    m_widthMin->setValue(800);
    m_heightBool->setChecked(false);
    m_heightMin->setValue(600);
    m_downloadExt->clear();
    m_linksText->clear();
    m_skipDownloaded->setChecked(true);   // proposed for a new task
    m_taskName->setFocus();
}

TTaskForm::TRefusal TTaskForm::Refusal() const
{
    const QString name = m_taskName->text();
    if (name.isEmpty())
        return {QStringLiteral("Task name can't be blank!"), m_taskName};
    const QString startUrl = m_startUrl->toPlainText();
    if (startUrl.isEmpty())
        return {QStringLiteral("Start URL can't be blank!"), m_startUrl};
    const QString domain = ProductInfo::MakerDomain();
    if (startUrl.contains(domain, Qt::CaseSensitive))
        return {QStringLiteral("Do not add ") + domain + QStringLiteral(" on start URL."), m_startUrl};
    // An edited task keeps its own name without a clash with its own node.
    const bool renamed = !m_editing || name != m_editedName;
    if (renamed && m_tree.AllCaptions().contains(name, Qt::CaseSensitive))
        return {QStringLiteral("There already has a task named \"") + name
                    + QStringLiteral("\", please select another name."),
                m_taskName};
    // The name becomes one folder under Task/; these would land somewhere else.
    if (!TPaths::IsUsableTaskName(name))
        return {TaskNameFolderRefusal(name), m_taskName};
    // tasklist.dat keeps one name a line: a line break would split the name on the next start.
    if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r')))
        return {QStringLiteral("The task name can't hold a line break."), m_taskName};
    if (m_editing && renamed) {
        // Its run or its downloads write into the folder under the old name.
        if (m_busy && m_busy(m_editedName))
            return {QStringLiteral("Task ") + m_editedName
                        + QStringLiteral(" is running or still downloading. It can be renamed once its run and "
                                         "downloads have ended."),
                    m_taskName};
        const QString folderRefusal = TaskRenameRefusal(m_paths, m_editedName, name);
        if (!folderRefusal.isEmpty())
            return {folderRefusal, m_taskName};
    }
    return {};
}

void TTaskForm::ShowField(QWidget* field)
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->widget(i)->isAncestorOf(field))
            m_tabs->setCurrentIndex(i);
    }
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
}

void TTaskForm::CopyControlsTo(TTaskItem& task) const
{
    task.TaskName = m_taskName->text();
    task.TaskDir = m_taskDir->text();
    task.TaskThread = m_taskThread->value();
    for (const TResultTabInfo& info : ResultTabs)
        task.*info.Output = m_outputChecks[std::size_t(info.Tab)]->isChecked();
    // The task file keeps its lines separated by CR LF.
    task.StartURL = m_startUrl->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    task.ManualBool = m_manual->isChecked();
    task.FollowedLink = m_followedLink->value();
    task.PageLocation = PageLocationSameSite;
    for (int i = 0; i < PageLocationCount; ++i) {
        if (m_pageLocation[i]->isChecked())
            task.PageLocation = i;
    }
    task.TextinSearch = m_textInSearch->text();
    task.TextInDownload = m_textInDownload->text();
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 3; ++c) {
            const QTableWidgetItem* item = m_grid->item(r + 1, c + 1);
            task.OutText[r][c] = item ? item->text() : QString();
        }
    }
    task.ImageLinkBool = m_imageLink->isChecked();
    task.ImageFrom = m_imageFrom->text();
    task.ImageTo = m_imageTo->text();
    task.ImageWidthBool = m_widthBool->isChecked();
    task.ImageHeightBool = m_heightBool->isChecked();
    task.ImageWidthMin = m_widthMin->value();
    task.ImageHeightMin = m_heightMin->value();
    task.DownloadExt = m_downloadExt->text();
    task.LinksText = m_linksText->text();
    task.SkipDownloaded = m_skipDownloaded->isChecked();
}

void TTaskForm::Save()
{
    // A cell still being edited counts with what the user typed.
    m_grid->setCurrentItem(nullptr);
    const TRefusal refusal = Refusal();
    if (!refusal.Text.isEmpty()) {
        ShowField(refusal.Field);
        TMessages::Information(this, refusal.Text);
        ShowField(refusal.Field);
        if (refusal.Field == m_startUrl) {
            // The maker's domain is selected where it stands.
            const qsizetype at = m_startUrl->toPlainText().indexOf(ProductInfo::MakerDomain());
            if (at >= 0) {
                QTextCursor cursor = m_startUrl->textCursor();
                cursor.setPosition(int(at));
                cursor.setPosition(int(at + ProductInfo::MakerDomain().size()), QTextCursor::KeepAnchor);
                m_startUrl->setTextCursor(cursor);
            }
        }
        return;
    }
    // The dialog's values replace CurrentTask only once they are on disk: a failed write leaves
    // CurrentTask with the settings of the task the tree still selects.
    TTaskItem task;
    CopyControlsTo(task);
    const bool editing = m_editing;
    const QString editedName = m_editedName;
    const bool written = TMessages::RunCommand(this, [&] {
        if (editing)
            SaveEditedTask(task, editedName, m_paths);
        else
            SaveTaskFile(task, m_paths);
    });
    if (!written) {
        ShowField(m_taskName);
        return;
    }
    m_currentTask = std::move(task);
    if (editing)
        m_tree.UpdateSelectedTask(m_currentTask.TaskName);
    else
        m_tree.AddTask(m_currentTask.TaskName);
    accept();
}
