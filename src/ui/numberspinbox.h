#pragma once
/**
 * A spin box whose value the user changes only by stepping: the arrow buttons, Up/Down
 * (by 1), Page Up/Page Down (by 10) and the mouse wheel (by 1, by 10 with Ctrl). Typed
 * characters and pasted text are ignored; the value stays clamped to the range. GUI thread.
 */

#include <QSpinBox>

class TNumberSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    TNumberSpinBox(int minimum, int maximum, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
