#include "ui/resulttablemodel.h"

#include "results/resultlists.h"

namespace {

constexpr int kBatchIntervalMs = 150;

} // namespace

TResultTableModel::TResultTableModel(const TResultLists& lists, int tab, QObject* parent)
    : QAbstractTableModel(parent)
    , m_lists(lists)
    , m_tab(tab)
    , m_shownRows(static_cast<int>(lists.RowCount(tab)))
{
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(kBatchIntervalMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &TResultTableModel::Flush);
    connect(&lists, &TResultLists::RowsAppended, this,
            [this](int appendedTab, int, int) { OnRowsAppended(appendedTab); });
    connect(&lists, &TResultLists::TabReset, this, &TResultTableModel::OnTabReset);
}

int TResultTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int TResultTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    switch (m_tab) {
    case TabText:
        return 5;
    case TabFlash:
    case TabDownloads:
        return 2;
    default:
        return 1;
    }
}

QVariant TResultTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shownRows || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    if (index.row() >= m_lists.RowCount(m_tab))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (m_tab) {
    case TabText:
        return m_lists.Text().at(row).at(static_cast<std::size_t>(index.column()));
    case TabFlash: {
        const TNameLinkRow& r = m_lists.Flash().at(row);
        return index.column() == 0 ? r.Name : r.Link;
    }
    case TabDownloads: {
        const TNameLinkRow& r = m_lists.Downloads().at(row);
        return index.column() == 0 ? r.Name : r.Link;
    }
    case TabLinks:
        return m_lists.Links().at(index.row());
    default:
        return {};
    }
}

QVariant TResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (m_tab == TabText)
        return QStringLiteral("Value%1").arg(section + 1);
    if (m_tab == TabFlash || m_tab == TabDownloads)
        return section == 0 ? QStringLiteral("Name") : QStringLiteral("Link");
    return {};
}

void TResultTableModel::Flush()
{
    m_batchTimer.stop();
    const int rows = static_cast<int>(m_lists.RowCount(m_tab));
    if (rows > m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, rows - 1);
        m_shownRows = rows;
        endInsertRows();
    } else if (rows < m_shownRows) {
        // The list shrank without a reset announcement: show it anew.
        OnTabReset(m_tab);
    }
}

void TResultTableModel::OnRowsAppended(int tab)
{
    if (tab == m_tab && !m_batchTimer.isActive())
        m_batchTimer.start();
}

void TResultTableModel::OnTabReset(int tab)
{
    if (tab != m_tab)
        return;
    m_batchTimer.stop();
    beginResetModel();
    m_shownRows = static_cast<int>(m_lists.RowCount(m_tab));
    endResetModel();
}
