#include "ui/outtextgrid.h"

#include <QMouseEvent>

TOutTextGrid::TOutTextGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent)
{
    setTabKeyNavigation(true);
}

QModelIndex TOutTextGrid::StepEditable(const QModelIndex& from, int step) const
{
    const int columns = columnCount() - 1;
    const int cells = (rowCount() - 1) * columns;
    if (cells <= 0)
        return QModelIndex();
    int position;
    if (!from.isValid() || IsFixedCell(from.row(), from.column())) {
        // From outside the editable cells the walk starts at the first (or the last) of them.
        position = step > 0 ? 0 : cells - 1;
    } else {
        position = (from.row() - 1) * columns + (from.column() - 1);
        position = ((position + step) % cells + cells) % cells;
    }
    return model()->index(1 + position / columns, 1 + position % columns, rootIndex());
}

QModelIndex TOutTextGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (cursorAction == MoveNext)
        return StepEditable(current, +1);
    if (cursorAction == MovePrevious)
        return StepEditable(current, -1);
    const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
    if (!next.isValid() || !IsFixedCell(next.row(), next.column()))
        return next;
    if (rowCount() < 2 || columnCount() < 2)
        return QModelIndex();
    // An arrow towards the headers stops at the first editable row or column.
    return model()->index(qMax(1, next.row()), qMax(1, next.column()), rootIndex());
}

bool TOutTextGrid::OnFixedCell(const QPoint& position) const
{
    const QModelIndex index = indexAt(position);
    return index.isValid() && IsFixedCell(index.row(), index.column());
}

void TOutTextGrid::mousePressEvent(QMouseEvent* event)
{
    if (OnFixedCell(event->position().toPoint())) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void TOutTextGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (OnFixedCell(event->position().toPoint())) {
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}
