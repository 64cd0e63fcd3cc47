#include "ui/resulttablemodel.h"

#include "results/resultlists.h"

using namespace pagemint;

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
    const TResultTabInfo* info = ResultTabInfo(m_tab);
    return info ? info->Columns : 1;
}

QVariant TResultTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shownRows || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    if (index.row() >= m_lists.RowCount(m_tab))
        return {};
    return m_lists.Cell(m_tab, index.row(), index.column());
}

QVariant TResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const TResultTabInfo* info = ResultTabInfo(m_tab);
    if (!info || section < 0 || section >= info->Columns || !info->Headers[std::size_t(section)])
        return {};
    return QString::fromLatin1(info->Headers[std::size_t(section)]);
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
