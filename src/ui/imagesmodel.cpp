#include "ui/imagesmodel.h"

#include "results/resultlists.h"

namespace {

constexpr int kBatchIntervalMs = 150;

} // namespace

TImagesModel::TImagesModel(const TResultLists& lists, QObject* parent)
    : QAbstractListModel(parent)
    , m_lists(lists)
    , m_shownRows(static_cast<int>(lists.Images().Count()))
{
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(kBatchIntervalMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &TImagesModel::Flush);
    connect(&lists, &TResultLists::RowsAppended, this, [this](int tab, int, int) {
        if (tab != TabImages)
            return;
        if (m_shownRows < ImmediateRows)
            Flush();
        else if (!m_batchTimer.isActive())
            m_batchTimer.start();
    });
    connect(&lists, &TResultLists::TabReset, this, &TImagesModel::OnTabReset);
}

int TImagesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

QVariant TImagesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shownRows)
        return {};
    const TImagesList& images = m_lists.Images();
    if (index.row() >= images.Count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return images.Caption(index.row());
    case Qt::DecorationRole:
        return PixmapOf(index.row());
    default:
        return {};
    }
}

QPixmap TImagesModel::PixmapOf(int row) const
{
    const auto found = m_pixmapRows.find(row);
    if (found != m_pixmapRows.end()) {
        m_pixmaps.splice(m_pixmaps.begin(), m_pixmaps, found->second);
        return found->second->second;
    }
    m_pixmaps.emplace_front(row, QPixmap::fromImage(m_lists.Images().Thumbnail(row)));
    m_pixmapRows.emplace(row, m_pixmaps.begin());
    if (m_pixmaps.size() > KeptPixmaps) {
        m_pixmapRows.erase(m_pixmaps.back().first);
        m_pixmaps.pop_back();
    }
    return m_pixmaps.front().second;
}

void TImagesModel::Flush()
{
    m_batchTimer.stop();
    const int rows = static_cast<int>(m_lists.Images().Count());
    if (rows > m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, rows - 1);
        m_shownRows = rows;
        endInsertRows();
    } else if (rows < m_shownRows) {
        OnTabReset(TabImages);
    }
}

void TImagesModel::OnTabReset(int tab)
{
    if (tab != TabImages)
        return;
    m_batchTimer.stop();
    beginResetModel();
    m_pixmaps.clear();
    m_pixmapRows.clear();
    m_shownRows = static_cast<int>(m_lists.Images().Count());
    endResetModel();
}
