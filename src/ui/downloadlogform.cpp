#include "ui/downloadlogform.h"

#include "ui/desktop.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

/** The entries of one record, one row each, in the order of the file. */
class TDownloadLogModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetEntries(QList<TDownloadEntry> entries)
    {
        beginResetModel();
        m_entries = std::move(entries);
        endResetModel();
    }
    const TDownloadEntry& Entry(int row) const { return m_entries.at(row); }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_entries.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : TDownloadLogForm::ColCount;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case TDownloadLogForm::ColTime: return tr("Time");
        case TDownloadLogForm::ColOutcome: return tr("Outcome");
        case TDownloadLogForm::ColBytes: return tr("Bytes");
        case TDownloadLogForm::ColTries: return tr("Tries");
        case TDownloadLogForm::ColURL: return tr("URL");
        case TDownloadLogForm::ColReferrer: return tr("Referring Page");
        case TDownloadLogForm::ColFile: return tr("File");
        default: return {};
        }
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_entries.size())
            return {};
        const TDownloadEntry& e = m_entries.at(index.row());
        const int column = index.column();
        if (role == Qt::TextAlignmentRole && (column == TDownloadLogForm::ColBytes
                                              || column == TDownloadLogForm::ColTries))
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::UserRole) { // the sort key
            switch (column) {
            case TDownloadLogForm::ColTime: return e.Time;
            case TDownloadLogForm::ColBytes: return e.Bytes;
            case TDownloadLogForm::ColTries: return e.Tries;
            default: break;
            }
            role = Qt::DisplayRole;
        }
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        switch (column) {
        case TDownloadLogForm::ColTime:
            return e.Time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        case TDownloadLogForm::ColOutcome: return e.Outcome();
        case TDownloadLogForm::ColBytes: return QString::number(e.Bytes);
        case TDownloadLogForm::ColTries: return QString::number(e.Tries);
        case TDownloadLogForm::ColURL: return e.URL;
        case TDownloadLogForm::ColReferrer: return e.Referrer;
        case TDownloadLogForm::ColFile: return e.FileName;
        default: return {};
        }
    }

private:
    QList<TDownloadEntry> m_entries;
};

/** Sorting by the raw values, and the "Failures only" filter. */
class TDownloadLogFilter : public QSortFilterProxyModel
{
public:
    explicit TDownloadLogFilter(TDownloadLogModel* model, QObject* parent)
        : QSortFilterProxyModel(parent), m_model(model)
    {
        setSourceModel(model);
        setSortRole(Qt::UserRole);
    }
    void SetFailuresOnly(bool on)
    {
        m_failuresOnly = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex&) const override
    {
        return !m_failuresOnly || !m_model->Entry(sourceRow).Succeeded();
    }

private:
    TDownloadLogModel* m_model;
    bool m_failuresOnly = false;
};

TDownloadLogForm::TDownloadLogForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DownloadLogForm"));
    setWindowTitle(tr("Download Log"));
    resize(900, 480);

    m_model = new TDownloadLogModel(this);
    m_filter = new TDownloadLogFilter(m_model, this);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("DownloadLogTable"));
    m_table->setModel(m_filter);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ColTime, Qt::AscendingOrder);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto makeAction = [this](const QString& name, const QString& text) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_table->addAction(action);
        return action;
    };
    m_openUrl = makeAction(QStringLiteral("ActionOpenURL"), tr("Open &URL"));
    m_openReferrer = makeAction(QStringLiteral("ActionOpenReferrer"), tr("Open &Referring Page"));
    m_openFile = makeAction(QStringLiteral("ActionOpenFile"), tr("Open &File"));
    m_copyUrl = makeAction(QStringLiteral("ActionCopyURL"), tr("&Copy URL"));
    m_copyUrl->setShortcut(QKeySequence::Copy);
    connect(m_openUrl, &QAction::triggered, this, [this] { OpenCurrent(ColURL); });
    connect(m_openReferrer, &QAction::triggered, this, [this] { OpenCurrent(ColReferrer); });
    connect(m_openFile, &QAction::triggered, this, [this] { OpenCurrent(ColFile); });
    connect(m_copyUrl, &QAction::triggered, this, &TDownloadLogForm::CopyCurrentUrl);

    m_failuresOnly = new QCheckBox(tr("F&ailures only"), this);
    m_failuresOnly->setObjectName(QStringLiteral("FailuresOnly"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("DownloadLogSummary"));

    auto makeButton = [this](const QString& name, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        // Enter in the table opens the row; it must not also press a button.
        button->setAutoDefault(false);
        return button;
    };
    m_openUrlButton = makeButton(QStringLiteral("OpenURLButton"), tr("Open &URL"));
    m_openFileButton = makeButton(QStringLiteral("OpenFileButton"), tr("Open &File"));
    QPushButton* refresh = makeButton(QStringLiteral("RefreshButton"), tr("R&efresh"));
    m_retryButton = makeButton(QStringLiteral("RetryFailedButton"), tr("Retry Fai&led"));
    QPushButton* close = makeButton(QStringLiteral("CloseButton"), tr("Close"));
    connect(m_openUrlButton, &QPushButton::clicked, m_openUrl, &QAction::trigger);
    connect(m_openFileButton, &QPushButton::clicked, m_openFile, &QAction::trigger);
    connect(refresh, &QPushButton::clicked, this, &TDownloadLogForm::Reload);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_retryButton, &QPushButton::clicked, this, [this] {
        if (!m_runActive && !m_failed.isEmpty())
            emit RetryFailedRequested(m_taskName, m_failed);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(m_failuresOnly);
    top->addStretch(1);
    top->addWidget(m_summary);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_openUrlButton);
    buttons->addWidget(m_openFileButton);
    buttons->addWidget(refresh);
    buttons->addStretch(1);
    buttons->addWidget(m_retryButton);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    connect(m_failuresOnly, &QCheckBox::toggled, this, [this](bool on) {
        m_filter->SetFailuresOnly(on);
        UpdateCommands();
    });
    connect(m_table, &QTableView::activated, this, &TDownloadLogForm::Activate);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TDownloadLogForm::UpdateCommands);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &TDownloadLogForm::UpdateCommands);

    m_table->setFocus();
    UpdateCommands();
}

TDownloadLogForm::~TDownloadLogForm() = default;

void TDownloadLogForm::ShowTask(const QString& taskName, const QString& taskFolder)
{
    m_taskName = taskName;
    m_taskFolder = taskFolder;
    setWindowTitle(tr("Download Log - %1").arg(taskName));
    Reload();
}

void TDownloadLogForm::Reload()
{
    const TDownloadRecord record(m_taskFolder);
    QList<TDownloadEntry> entries =
        m_taskFolder.isEmpty() ? QList<TDownloadEntry>{} : record.Entries();
    m_failed = m_taskFolder.isEmpty() ? QList<TDownloadEntry>{} : record.FailedEntries();
    const qsizetype total = entries.size();
    m_model->SetEntries(std::move(entries));
    m_summary->setText(tr("%1 downloads recorded, %2 URLs failed").arg(total).arg(m_failed.size()));
    if (m_filter->rowCount() > 0) {
        const bool newestLast = m_table->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
        m_table->setCurrentIndex(m_filter->index(newestLast ? m_filter->rowCount() - 1 : 0, 0));
        m_table->scrollTo(m_table->currentIndex());
    }
    UpdateCommands();
}

void TDownloadLogForm::SetRunActive(bool active)
{
    m_runActive = active;
    UpdateCommands();
}

TDownloadEntry TDownloadLogForm::EntryAt(int row) const
{
    const QModelIndex source = m_filter->mapToSource(m_filter->index(row, 0));
    return source.isValid() ? m_model->Entry(source.row()) : TDownloadEntry{};
}

int TDownloadLogForm::RowCount() const
{
    return m_filter->rowCount();
}

bool TDownloadLogForm::HasCurrent() const
{
    return m_table->currentIndex().isValid();
}

TDownloadEntry TDownloadLogForm::CurrentEntry() const
{
    return HasCurrent() ? EntryAt(m_table->currentIndex().row()) : TDownloadEntry{};
}

void TDownloadLogForm::Activate(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const int column = index.column();
    OpenCurrent(column == ColFile || column == ColReferrer ? column : ColURL);
}

void TDownloadLogForm::OpenCurrent(int column)
{
    if (!HasCurrent())
        return;
    const TDownloadEntry entry = CurrentEntry();
    if (column == ColFile) {
        if (QFileInfo(entry.FileName).isFile())
            TDesktop::OpenLocalPath(entry.FileName);
    } else if (column == ColReferrer) {
        if (!entry.Referrer.isEmpty())
            TDesktop::OpenWebPage(entry.Referrer);
    } else {
        TDesktop::OpenWebPage(entry.URL);
    }
}

void TDownloadLogForm::CopyCurrentUrl()
{
    if (HasCurrent())
        QGuiApplication::clipboard()->setText(CurrentEntry().URL);
}

void TDownloadLogForm::UpdateCommands()
{
    const bool current = HasCurrent();
    const TDownloadEntry entry = CurrentEntry();
    const bool fileThere = current && QFileInfo(entry.FileName).isFile();
    m_openUrl->setEnabled(current);
    m_copyUrl->setEnabled(current);
    m_openReferrer->setEnabled(current && !entry.Referrer.isEmpty());
    m_openFile->setEnabled(fileThere);
    m_openUrlButton->setEnabled(current);
    m_openFileButton->setEnabled(fileThere);
    m_retryButton->setEnabled(!m_runActive && !m_failed.isEmpty());
}
