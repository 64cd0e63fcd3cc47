#pragma once
/**
 * The one way the desktop program talks to the user in modal boxes: informations,
 * Yes/No questions, the general error display and the export's save-file dialog.
 * GUI thread only.
 *
 * Tests install a hook that records each text and gives the answer, so that no box is
 * ever shown and nothing blocks.
 */

#include <QString>
#include <functional>

class QWidget;

class TMessages
{
public:
    enum class TKind { Information, Question, Error };

    /** Receives every message instead of a box; its result answers questions (true = Yes). */
    using THook = std::function<bool(TKind kind, const QString& text)>;
    /** Receives every save-file request instead of the dialog; returns the chosen path or an
     *  empty string for Cancel. */
    using TSaveFileHook = std::function<QString(const QString& filter)>;

    /** A modal information box with an OK button. */
    static void Information(QWidget* parent, const QString& text);
    /** A modal Yes/No question; true for Yes. */
    static bool Question(QWidget* parent, const QString& text);
    /** The general error display: a modal box with the error's text. */
    static void Error(QWidget* parent, const QString& text);

    /**
     * Runs one user command. An EPagemintError or std::exception escaping it is shown by the
     * general error display and ends only that command. True when the command ran through.
     */
    static bool RunCommand(QWidget* parent, const std::function<void()>& command);

    /** The save-file dialog with one filter, no default suffix; empty when cancelled. */
    static QString SaveFileName(QWidget* parent, const QString& filter);

    static void SetHook(THook hook);
    static void SetSaveFileHook(TSaveFileHook hook);
};
