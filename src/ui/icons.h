#pragma once
/**
 * The program's icons, drawn with QPainter so that they look the same under every desktop
 * theme: the images of the commands, of the output tool bar, and the program icon.
 * GUI thread only (they are pixmaps).
 */

#include <QIcon>

enum class TIconKind
{
    Add,
    Delete,
    Start,
    Stop,
    Settings,
    Exit,
    View,
    Export,
    Folder,
    OpenImage,
    Help,
    Home,
    About,
};

/** The icon of a command; created once and cached. */
QIcon CommandIcon(TIconKind kind);
/** The program icon (window icon, About box). */
QIcon ProgramIcon();
