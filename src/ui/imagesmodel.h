#pragma once
/**
 * Shows the Images list (file names with 80 x 80 thumbnails) to an icon view. The items
 * live in TResultLists as QImages; the model turns each into a pixmap once, on the GUI
 * thread, when the view first asks for it. New items are announced in batches. GUI thread.
 */

#include <QAbstractListModel>
#include <QPixmap>
#include <QTimer>
#include <vector>

class TResultLists;

class TImagesModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit TImagesModel(const TResultLists& lists, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /** Announces the items appended since the last batch now. */
    void Flush();

private:
    void OnTabReset(int tab);

    const TResultLists& m_lists;
    int m_shownRows = 0;
    mutable std::vector<QPixmap> m_pixmaps;
    QTimer m_batchTimer;
};
