#include "ui/summarypanel.h"

#include "ui/elidedlabel.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace pagemint;

TSummaryPanel::TSummaryPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SummaryPanel"));
    // The designed 282 pixels are the least height; a larger font makes the panel taller
    // (sizeHint), and the task tree above it gives up the room.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_group = new QGroupBox(QStringLiteral("Output"), this);
    m_group->setObjectName(QStringLiteral("SummaryOutputGroup"));
    // Lines 0..2 are the task's; line 3 + tab is the row count of a result tab.
    const char* taskNames[kTaskLines] = {"SummaryName", "SummaryStatus", "SummaryPages"};
    for (int i = 0; i < int(m_lines.size()); ++i) {
        QWidget* owner = i < kTaskLines ? static_cast<QWidget*>(this) : m_group;
        // The name line holds a task name of any length: it is shortened with its whole
        // text as tooltip instead of widening the Task window.
        m_lines[i] = i == 0 ? new TElidedLabel(QString(), owner) : new QLabel(owner);
        m_lines[i]->setObjectName(QString::fromLatin1(
            i < kTaskLines ? taskNames[i] : ResultTabs[std::size_t(i - kTaskLines)].SummaryName));
        m_lines[i]->setTextFormat(Qt::PlainText);   // the task name as typed, never markup
    }
    static_cast<TElidedLabel*>(m_lines[0])->SetElideMode(Qt::ElideRight);
    QFont bold = m_lines[0]->font();
    bold.setBold(true);
    m_lines[0]->setFont(bold);

    m_progress = new QProgressBar(m_group);
    m_progress->setObjectName(QStringLiteral("ThumbnailProgress"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(qMax(19, fontMetrics().height()));
    m_progress->hide();

    // Hidden lines keep their room, so hiding the summary does not change the panel's height.
    const auto keepRoom = [](QWidget* widget) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    };

    auto* groupLayout = new QVBoxLayout(m_group);
    groupLayout->setContentsMargins(8, 6, 8, 8);
    groupLayout->setSpacing(4);
    for (const TResultTabInfo& info : ResultTabs) {
        QLabel* line = m_lines[std::size_t(kTaskLines + info.Tab)];
        if (info.View != TTabView::Thumbnails) {
            groupLayout->addWidget(line);
            continue;
        }
        // The thumbnail progress bar stands beside the images line while thumbnails are made.
        auto* imagesRow = new QHBoxLayout;
        imagesRow->setSpacing(6);
        imagesRow->addWidget(line);
        imagesRow->addWidget(m_progress, 1);
        groupLayout->addLayout(imagesRow);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 12, 11, 8);
    layout->setSpacing(8);
    for (int i = 0; i < kTaskLines; ++i) {
        keepRoom(m_lines[i]);
        layout->addWidget(m_lines[i]);
    }
    keepRoom(m_group);
    layout->addWidget(m_group);
    layout->addStretch(1);

    HideSummary();
}

QSize TSummaryPanel::sizeHint() const
{
    return QWidget::sizeHint().expandedTo(QSize(kDesignedWidth, kDesignedHeight));
}

QSize TSummaryPanel::minimumSizeHint() const
{
    QSize least = QWidget::minimumSizeHint();
    least.setHeight(qMax(least.height(), kDesignedHeight));
    return least;
}

void TSummaryPanel::ShowSummary(const TSummaryData& summary)
{
    static_cast<TElidedLabel*>(m_lines[0])->setText(QStringLiteral("Task Name: ") + summary.TaskName);
    m_lines[1]->setText(summary.Running ? QStringLiteral("Statue: Running") : QStringLiteral("Statue: Stopped"));
    m_lines[2]->setText(QStringLiteral("URLs: (") + QString::number(summary.VisitedPages) + QStringLiteral("/")
                        + QString::number(summary.TotalPages) + QStringLiteral(")"));
    for (const TResultTabInfo& info : ResultTabs)
        SetRowCount(info.Tab, summary.Rows[std::size_t(info.Tab)]);
    for (QLabel* line : m_lines)
        line->setVisible(true);
    m_group->setVisible(true);
}

void TSummaryPanel::SetRowCount(TResultTab tab, qsizetype count)
{
    const TResultTabInfo* info = ResultTabInfo(tab);
    if (!info)
        return;
    m_lines[std::size_t(kTaskLines + tab)]->setText(QString::fromLatin1(info->SummaryCaption) + QString::number(count)
                                                    + QStringLiteral(" records"));
}

void TSummaryPanel::HideSummary()
{
    for (int i = 0; i < kTaskLines; ++i)
        m_lines[i]->setVisible(false);
    m_group->setVisible(false);
}

void TSummaryPanel::SetThumbnailProgress(bool visible, int percent)
{
    m_progress->setValue(qBound(0, percent, 100));
    m_progress->setVisible(visible);
}
