#pragma once
/**
 * Texts of the main window's live run state: the status-bar downloads pane and the window
 * title while a task runs. GUI thread.
 */

#include <QString>

/** "Downloads: done/queued (n failed)". */
QString DownloadsPaneText(qsizetype done, qsizetype queued, qsizetype failed);
/** The same counts without the caption, for a status bar too narrow for the whole text. */
QString DownloadsPaneShortText(qsizetype done, qsizetype queued, qsizetype failed);

/** The window title: "Pagemint" when nothing runs; "Pagemint - task (37%)" while the task's
 *  pages are visited, "Pagemint - task (downloading 80%)" while only its downloads go on. */
QString RunWindowTitle(const QString& taskName, bool crawling, bool downloading, int percent);
