#pragma once
/**
 * Shows one report list of the result lists (Text, Flash, Downloads or Links) to a view.
 * The rows live in TResultLists; the model only tells the view how many of them it shows.
 * New rows are announced to the view in batches (at most a few times a second), so that
 * a run adding many thousands of rows keeps the window responsive. GUI thread.
 */

#include <QAbstractTableModel>
#include <QTimer>

class TResultLists;

class TResultTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    /** tab: TabText, TabFlash, TabDownloads or TabLinks. */
    TResultTableModel(const TResultLists& lists, int tab, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /** Announces the rows appended since the last batch now. */
    void Flush();
    int Tab() const { return m_tab; }

private:
    void OnRowsAppended(int tab);
    void OnTabReset(int tab);

    const TResultLists& m_lists;
    int m_tab;
    int m_shownRows = 0;
    QTimer m_batchTimer;
};
