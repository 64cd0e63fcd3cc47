#include "ui/numberspinbox.h"

#include <QKeyEvent>
#include <QLineEdit>

TNumberSpinBox::TNumberSpinBox(int minimum, int maximum, QWidget* parent)
    : QSpinBox(parent)
{
    setRange(minimum, maximum);
    setWrapping(false);
    setAccelerated(false);
    // Stepping rewrites the text; the user cannot edit it.
    lineEdit()->setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void TNumberSpinBox::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        QSpinBox::keyPressEvent(event);   // steps by 1, or by 10 for the page keys
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Enter:
    case Qt::Key_Return:
    case Qt::Key_Escape:
        event->ignore();   // focus moves and dialog buttons keep working
        return;
    default:
        event->accept();   // typed text, Home/End, Backspace, paste: no effect
        return;
    }
}
