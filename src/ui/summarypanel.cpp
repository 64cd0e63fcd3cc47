#include "ui/summarypanel.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>

namespace {

// Top of each line; the first three in the panel, the other five in the "Output" group.
constexpr int kLineTops[8] = {19, 45, 71, 24, 46, 68, 90, 112};
constexpr int kPanelLeft = 11;
constexpr int kGroupTop = 98;
constexpr int kGroupHeight = 137;
constexpr int kGroupLineLeft = 8;

} // namespace

TSummaryPanel::TSummaryPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SummaryPanel"));
    setFixedHeight(282);
    setMinimumWidth(140);
    m_group = new QGroupBox(QStringLiteral("Output"), this);
    m_group->setObjectName(QStringLiteral("SummaryOutputGroup"));
    const char* names[8] = {"SummaryName",   "SummaryStatus", "SummaryPages", "SummaryText",
                            "SummaryImages", "SummaryFlash",  "SummaryDownloads", "SummaryLinks"};
    for (int i = 0; i < 8; ++i) {
        m_lines[i] = new QLabel(i < 3 ? static_cast<QWidget*>(this) : m_group);
        m_lines[i]->setObjectName(QString::fromLatin1(names[i]));
        m_lines[i]->setTextFormat(Qt::PlainText);   // the task name as typed, never markup
    }
    QFont bold = m_lines[0]->font();
    bold.setBold(true);
    m_lines[0]->setFont(bold);

    m_progress = new QProgressBar(m_group);
    m_progress->setObjectName(QStringLiteral("ThumbnailProgress"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->hide();

    HideSummary();
    Place();
}

void TSummaryPanel::ShowSummary(const TSummaryData& data)
{
    const auto records = [](const char* caption, qsizetype count) {
        return QString::fromLatin1(caption) + QString::number(count) + QStringLiteral(" records");
    };
    m_lines[0]->setText(QStringLiteral("Task Name: ") + data.TaskName);
    m_lines[1]->setText(data.Running ? QStringLiteral("Statue: Running") : QStringLiteral("Statue: Stopped"));
    m_lines[2]->setText(QStringLiteral("URLs: (") + QString::number(data.VisitedPages) + QStringLiteral("/")
                        + QString::number(data.TotalPages) + QStringLiteral(")"));
    m_lines[3]->setText(records("Text: ", data.Rows[TabText]));
    m_lines[4]->setText(records("Images: ", data.Rows[TabImages]));
    m_lines[5]->setText(records("Flashes: ", data.Rows[TabFlash]));
    m_lines[6]->setText(records("Downloads: ", data.Rows[TabDownloads]));
    m_lines[7]->setText(records("Links: ", data.Rows[TabLinks]));
    for (QLabel* line : m_lines)
        line->setVisible(true);
    m_group->setVisible(true);
}

void TSummaryPanel::HideSummary()
{
    for (int i = 0; i < 3; ++i)
        m_lines[i]->setVisible(false);
    m_group->setVisible(false);
}

void TSummaryPanel::SetThumbnailProgress(bool visible, int percent)
{
    m_progress->setValue(qBound(0, percent, 100));
    m_progress->setVisible(visible);
}

void TSummaryPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Place();
}

void TSummaryPanel::Place()
{
    // Fixed rows as in the designed panel; only the widths follow the panel's width.
    const int lineWidth = qMax(40, width() - 2 * kPanelLeft);
    const int lineHeight = qMax(18, fontMetrics().height() + 2);
    for (int i = 0; i < 3; ++i)
        m_lines[i]->setGeometry(kPanelLeft, kLineTops[i], lineWidth, lineHeight);
    m_group->setGeometry(kPanelLeft, kGroupTop, lineWidth, kGroupHeight);
    const int groupLineWidth = qMax(30, lineWidth - 2 * kGroupLineLeft);
    for (int i = 3; i < 8; ++i)
        m_lines[i]->setGeometry(kGroupLineLeft, kLineTops[i], groupLineWidth, lineHeight);
    m_progress->setGeometry(46, 43, qMax(20, lineWidth - 50), 19);
}
