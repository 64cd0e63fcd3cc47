#include "ui/taskunit.h"

#include "task/common.h"
#include "task/paths.h"
#include "task/taskfile.h"
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
#include <QShowEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kGridRows = 6;
constexpr int kGridColumns = 4;

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

TTaskForm::TTaskForm(const TPaths& paths, TTaskTree& tree, TTaskItem& currentTask, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_paths(paths)
    , m_tree(tree)
    , m_currentTask(currentTask)
{
    setObjectName(QStringLiteral("TaskForm"));
    setWindowTitle(QStringLiteral("Task Settings"));
    setFixedSize(551, 583);

    m_tabs = Named(new QTabWidget(this), "TaskTabs");
    m_tabs->addTab(BuildGeneralTab(), QStringLiteral("General"));
    m_tabs->addTab(BuildUrlsTab(), QStringLiteral("URLs"));
    m_tabs->addTab(BuildOutputTab(), QStringLiteral("Output"));

    auto* save = Named(new QPushButton(QStringLiteral("Save"), this), "SaveButton");
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
}

QWidget* TTaskForm::BuildGeneralTab()
{
    auto* page = new QWidget;
    m_taskName = Named(new QLineEdit(page), "TaskName");
    m_taskDir = Named(new QLineEdit(page), "TaskDir");
    m_taskDir->setReadOnly(true);
    m_taskThread = Named(new TNumberSpinBox(0, 10, page), "TaskThread");
    connect(m_taskName, &QLineEdit::textChanged, this,
            [this](const QString& name) { m_taskDir->setText(m_paths.TaskRoot() + name); });

    auto* form = new QFormLayout;
    form->setVerticalSpacing(12);
    form->addRow(QStringLiteral("Task name:"), m_taskName);
    form->addRow(QStringLiteral("Task directory:"), m_taskDir);
    auto* threadRow = new QHBoxLayout;
    threadRow->addWidget(m_taskThread);
    threadRow->addStretch(1);
    form->addRow(QStringLiteral("Download thread number:"), threadRow);

    auto* group = Named(new QGroupBox(QStringLiteral("Output Selection"), page), "OutputSelection");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(10);
    const char* captions[5] = {"Text", "Images          ", "Flash", "Downloads       ", "Links"};
    const char* names[5] = {"check1", "check2", "check3", "check4", "check5"};
    for (int i = 0; i < 5; ++i) {
        m_outputChecks[i] = Named(new QCheckBox(QString::fromLatin1(captions[i]), group), names[i]);
        grid->addWidget(m_outputChecks[i], i / 3, i % 3);
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
    m_manual = Named(new QCheckBox(QStringLiteral("Manual login required"), page), "ManualBool");
    m_followedLink = Named(new TNumberSpinBox(0, 10, page), "FollowedLink");

    auto* levels = new QHBoxLayout;
    levels->addWidget(new QLabel(QStringLiteral("Followed links:"), page));
    levels->addSpacing(8);
    levels->addWidget(new QLabel(QStringLiteral("The starting page and"), page));
    levels->addWidget(m_followedLink);
    levels->addWidget(new QLabel(QStringLiteral("level(s)."), page));
    levels->addStretch(1);

    auto* group = Named(new QGroupBox(QStringLiteral("Page Location:"), page), "PageLocation");
    auto* radios = new QGridLayout(group);
    auto* buttonGroup = new QButtonGroup(group);
    const char* captions[PageLocationCount] = {"AnyWhere ", "Within current site               ",
                               "Directory and sub-directories ", "Within current directory "};
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
    layout->addWidget(new QLabel(QStringLiteral("Start URL (one URL a line): "), page));
    layout->addWidget(m_startUrl, 1);
    layout->addWidget(m_manual);
    layout->addSpacing(6);
    layout->addLayout(levels);
    layout->addSpacing(6);
    layout->addWidget(group);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("Text included in searching URL:"), page));
    layout->addWidget(m_textInSearch);
    layout->addWidget(new QLabel(QStringLiteral("Text included in downloading URL:"), page));
    layout->addWidget(m_textInDownload);
    return page;
}

QWidget* TTaskForm::BuildOutputTab()
{
    auto* page = new QWidget;

    auto* textGroup = new QGroupBox(QStringLiteral("Text"), page);
    m_grid = Named(new TOutTextGrid(kGridRows, kGridColumns, textGroup), "OutTextGrid");
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    const int widths[kGridColumns] = {60, 137, 136, 138};
    for (int c = 0; c < kGridColumns; ++c)
        m_grid->setColumnWidth(c, widths[c]);
    m_grid->verticalHeader()->setMinimumSectionSize(18);
    m_grid->verticalHeader()->setDefaultSectionSize(qMax(18, fontMetrics().height() + 4));
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    int gridWidth = 2 * m_grid->frameWidth();
    for (int w : widths)
        gridWidth += w;
    m_grid->setFixedSize(gridWidth, 2 * m_grid->frameWidth() + kGridRows * m_grid->verticalHeader()->defaultSectionSize());
    auto* textLayout = new QVBoxLayout(textGroup);
    textLayout->addWidget(m_grid, 0, Qt::AlignLeft);

    auto* imagesGroup = new QGroupBox(QStringLiteral("Images"), page);
    m_imageLink = Named(new QCheckBox(QStringLiteral("Get image URL from links from text"), imagesGroup),
                        "ImageLinkBool");
    m_imageFrom = Named(new QLineEdit(imagesGroup), "ImageFrom");
    m_imageTo = Named(new QLineEdit(imagesGroup), "ImageTo");
    m_imageFrom->hide();   // reserved fields: stored, never shown, always saved empty
    m_imageTo->hide();
    auto* sizeGroup = new QGroupBox(QStringLiteral("Download image"), imagesGroup);
    m_widthBool = Named(new QCheckBox(QStringLiteral("Width larger than "), sizeGroup), "ImageWidthBool");
    m_widthMin = Named(new TNumberSpinBox(0, 10000, sizeGroup), "ImageWidthMin");
    m_heightBool = Named(new QCheckBox(QStringLiteral("Height larger than "), sizeGroup), "ImageHeightBool");
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
    downloadsLayout->addRow(QStringLiteral("Extension name: "), m_downloadExt);

    auto* linksGroup = new QGroupBox(QStringLiteral("Links:"), page);
    m_linksText = Named(new QLineEdit(linksGroup), "LinksText");
    auto* linksLayout = new QFormLayout(linksGroup);
    linksLayout->addRow(QStringLiteral("Text include:"), m_linksText);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(textGroup);
    layout->addWidget(imagesGroup);
    layout->addWidget(downloadsGroup);
    layout->addWidget(linksGroup);
    layout->addStretch(1);
    return page;
}

void TTaskForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ResetTaskDialog();
}

void TTaskForm::ResetTaskDialog()
{
    m_tabs->setCurrentIndex(0);
    m_taskName->clear();
    m_taskDir->setText(m_paths.TaskRoot());
    m_taskThread->setValue(3);
    const bool outputs[5] = {true, true, false, false, true};
    for (int i = 0; i < 5; ++i)
        m_outputChecks[i]->setChecked(outputs[i]);

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
    m_taskName->setFocus();
}

QString TTaskForm::Refusal() const
{
    const QString name = m_taskName->text();
    if (name.isEmpty())
        return QStringLiteral("Task name can't be blank!");
    const QString startUrl = m_startUrl->toPlainText();
    if (startUrl.isEmpty())
        return QStringLiteral("Start URL can't be blank!");
    const QString domain = ProductInfo::MakerDomain();
    if (startUrl.contains(domain, Qt::CaseSensitive))
        return QStringLiteral("Do not add ") + domain + QStringLiteral(" on start URL.");
    if (m_tree.AllCaptions().contains(name, Qt::CaseSensitive))
        return QStringLiteral("There already has a task named \"") + name
               + QStringLiteral("\", please select another name.");
    // The name becomes one folder under Task/; these would land somewhere else.
    if (!TPaths::IsUsableTaskName(name))
        return QStringLiteral("The task name \"") + name
               + QStringLiteral("\" can't be used as a folder name: it may not be \".\" or \"..\" or contain \"/\".");
    // tasklist.dat keeps one name a line: a line break would split the name on the next start.
    if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r')))
        return QStringLiteral("The task name can't hold a line break.");
    return QString();
}

void TTaskForm::CopyControlsTo(TTaskItem& task) const
{
    task.TaskName = m_taskName->text();
    task.TaskDir = m_taskDir->text();
    task.TaskThread = m_taskThread->value();
    task.check1 = m_outputChecks[0]->isChecked();
    task.check2 = m_outputChecks[1]->isChecked();
    task.check3 = m_outputChecks[2]->isChecked();
    task.check4 = m_outputChecks[3]->isChecked();
    task.check5 = m_outputChecks[4]->isChecked();
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
}

void TTaskForm::Save()
{
    // A cell still being edited counts with what the user typed.
    m_grid->setCurrentItem(nullptr);
    const QString refusal = Refusal();
    if (!refusal.isEmpty()) {
        TMessages::Information(this, refusal);
        return;
    }
    // The dialog's values replace CurrentTask only once they are on disk: a failed write leaves
    // CurrentTask with the settings of the task the tree still selects.
    TTaskItem task;
    CopyControlsTo(task);
    const bool written = TMessages::RunCommand(this, [this, &task] { SaveTaskFile(task, m_paths); });
    if (!written)
        return;
    m_currentTask = std::move(task);
    m_tree.AddTask(m_currentTask.TaskName);
    accept();
}
