#pragma once

#include <QList>
#include <QString>
#include <vector>

/**
 * What the main window remembers between starts, kept in section "Window" of pmsettings.ini:
 *
 *   [Window]
 *   Geometry=x,y,width,height     the normal (not maximised) frame of the window
 *   Splitter1=239,606,239         the sizes of the window's first splitter, Splitter2=... the next
 *   Tab=1                         the shown result tab
 *   Task="name"                   the selected task; empty for the "Task List" root
 *
 * A missing file, section or key, and a value that does not read as described, leave that
 * field at its default, which tells the window to keep its own layout for it. Reading and
 * writing go through the profile-file layer, so every other section and key of the file stays
 * exactly as it was. No widgets here: the window turns these values into its own state.
 * Plain data; read and written on the UI thread.
 */
struct TWindowState
{
    /** The normal frame; valid only with a positive width and height. */
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    /** One entry per splitter of the window in a fixed order; an empty list means "unknown". */
    std::vector<QList<int>> Splitters;
    /** The shown result tab; -1 when unknown. The window checks the range. */
    int TabIndex = -1;
    /** The selected task's name; empty for the root or when unknown. */
    QString TaskName;

    bool HasGeometry() const { return Width > 0 && Height > 0; }
    /** The sizes of splitter index (0 based), or an empty list. */
    QList<int> SplitterSizes(std::size_t index) const
    {
        return index < Splitters.size() ? Splitters[index] : QList<int>();
    }
    bool operator==(const TWindowState&) const = default;
};

namespace pagemint {

/** The section of pmsettings.ini that holds the window state. */
inline constexpr const char* kWindowStateSection = "Window";
/** The most splitters that are read and written. */
inline constexpr std::size_t kMaxWindowSplitters = 8;

/** Reads the window state from the file at path. */
TWindowState ReadWindowState(const QString& path);

/**
 * Writes the window state to section "Window" of the file at path; other sections and keys stay.
 * Splitter keys beyond the given splitters are emptied, an invalid geometry writes an empty
 * value. Throws EPagemintError("Unable to write to " + path) when the file cannot be written.
 */
void WriteWindowState(const QString& path, const TWindowState& state);

} // namespace pagemint
