#pragma once
/**
 * Shows the Images list (file names with 80 x 80 thumbnails) to an icon view. The items
 * live in TResultLists as QImages; the model turns each into a pixmap on the GUI thread when
 * the view asks for it, and keeps the pixmaps of the rows asked for last (about what a few
 * screens show), so that memory does not grow with the list. New items are announced at once
 * while the list is shorter than a screenful, so that the first tiles of a gallery appear
 * without delay, and in batches after that, so that a long gallery costs few view updates.
 * GUI thread.
 */

#include <QAbstractListModel>
#include <QPixmap>
#include <QTimer>
#include <list>
#include <unordered_map>

class TResultLists;

class TImagesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    /** Rows announced as soon as they are appended: about one screenful of tiles. */
    static constexpr int ImmediateRows = 64;
    /** Pixmaps kept for the rows painted last. */
    static constexpr std::size_t KeptPixmaps = 512;

    explicit TImagesModel(const TResultLists& lists, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /** Announces the items appended since the last batch now. */
    void Flush();
    /** How many pixmaps the model holds. */
    std::size_t PixmapCount() const { return m_pixmapRows.size(); }

private:
    void OnTabReset(int tab);
    QPixmap PixmapOf(int row) const;

    using TPixmapList = std::list<std::pair<int, QPixmap>>; // most recently asked for first
    const TResultLists& m_lists;
    int m_shownRows = 0;
    mutable TPixmapList m_pixmaps;
    mutable std::unordered_map<int, TPixmapList::iterator> m_pixmapRows;
    QTimer m_batchTimer;
};
