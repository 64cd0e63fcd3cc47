#pragma once
/**
 * The task summary under the "Summary" header: the task's name, whether it runs, the page
 * counts of the current or last run and the row counts of the five result lists. It shows
 * what it was last given. Built from layouts, so it grows with the font; the name line is
 * shortened with its whole text as tooltip when it does not fit.
 * Also holds the thumbnail progress bar, hidden except while the gallery is rebuilt.
 * GUI thread.
 */

#include "results/resulttabs.h"

#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QProgressBar;

/** What the panel shows for one task. */
struct TSummaryData
{
    QString TaskName;
    bool Running = false;
    qsizetype VisitedPages = 0;   // V of "URLs: (V/T)"
    qsizetype TotalPages = 0;     // T: visited plus those waiting for the next level
    std::array<qsizetype, pagemint::ResultTabCount> Rows{}; // by TResultTab
};

class TSummaryPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TSummaryPanel(QWidget* parent = nullptr);

    /** Sets the eight lines, then shows them. */
    void ShowSummary(const TSummaryData& summary);
    /** Hides the eight lines; the panel is empty. */
    void HideSummary();
    /** The thumbnail progress bar: shown with a value (0..100), or hidden. */
    void SetThumbnailProgress(bool visible, int percent);
    /** Sets the result line of one tab to count records. */
    void SetRowCount(TResultTab tab, qsizetype count);

    /** Line 0 name, 1 status, 2 pages, 3..7 the result lines. */
    QLabel* Line(int index) const { return m_lines.at(index); }
    QGroupBox* OutputGroup() const { return m_group; }
    QProgressBar* ThumbnailProgress() const { return m_progress; }

    /** At least the designed 229 x 282 pixels, more when the font needs it. */
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    static constexpr int kDesignedWidth = 229;
    static constexpr int kDesignedHeight = 282;
    static constexpr int kTaskLines = 3;   // name, status, pages; then a line per result tab

    std::array<QLabel*, kTaskLines + pagemint::ResultTabCount> m_lines{};
    QGroupBox* m_group = nullptr;
    QProgressBar* m_progress = nullptr;
};
