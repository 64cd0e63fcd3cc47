#pragma once
/**
 * The task dialog's "Text" grid: a fixed header row and a fixed row-number column around the
 * editable cells. The keyboard cursor never lands on a fixed cell: Tab and Shift+Tab walk the
 * editable cells in reading order and wrap round, the arrow keys stop at the first editable
 * row and column, and a click on a fixed cell leaves the current cell where it is. Otherwise
 * text typed after Tab from the last column would go to a cell that cannot keep it.
 * GUI thread.
 */

#include <QTableWidget>

class TOutTextGrid : public QTableWidget
{
    Q_OBJECT
public:
    /** rows and columns count the fixed header row and column too. */
    TOutTextGrid(int rows, int columns, QWidget* parent = nullptr);

    bool IsFixedCell(int row, int column) const { return row < 1 || column < 1; }

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    /** The editable cell before (-1) or after (+1) the given one, wrapping round. */
    QModelIndex StepEditable(const QModelIndex& from, int step) const;
    bool OnFixedCell(const QPoint& position) const;
};
