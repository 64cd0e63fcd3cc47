#include "ui/summarypanel.h"

#include "ui/elidedlabel.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QHBoxLayout>
#include <QVBoxLayout>

TSummaryPanel::TSummaryPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SummaryPanel"));
    // The designed 282 pixels are the least height; a larger font makes the panel taller
    // (sizeHint), and the task tree above it gives up the room.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_group = new QGroupBox(QStringLiteral("Output"), this);
    m_group->setObjectName(QStringLiteral("SummaryOutputGroup"));
    const char* names[8] = {"SummaryName",   "SummaryStatus", "SummaryPages", "SummaryText",
                            "SummaryImages", "SummaryFlash",  "SummaryDownloads", "SummaryLinks"};
    for (int i = 0; i < 8; ++i) {
        QWidget* owner = i < 3 ? static_cast<QWidget*>(this) : m_group;
        // The name line holds a task name of any length: it is shortened with its whole
        // text as tooltip instead of widening the Task window.
        m_lines[i] = i == 0 ? new TElidedLabel(QString(), owner) : new QLabel(owner);
        m_lines[i]->setObjectName(QString::fromLatin1(names[i]));
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
    for (int i = 3; i < 8; ++i) {
        if (i != 4) {
            groupLayout->addWidget(m_lines[i]);
            continue;
        }
        // The thumbnail progress bar stands beside the images line while thumbnails are made.
        auto* imagesRow = new QHBoxLayout;
        imagesRow->setSpacing(6);
        imagesRow->addWidget(m_lines[i]);
        imagesRow->addWidget(m_progress, 1);
        groupLayout->addLayout(imagesRow);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 12, 11, 8);
    layout->setSpacing(8);
    for (int i = 0; i < 3; ++i) {
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
    const auto records = [](const char* caption, qsizetype count) {
        return QString::fromLatin1(caption) + QString::number(count) + QStringLiteral(" records");
    };
    static_cast<TElidedLabel*>(m_lines[0])->setText(QStringLiteral("Task Name: ") + summary.TaskName);
    m_lines[1]->setText(summary.Running ? QStringLiteral("Statue: Running") : QStringLiteral("Statue: Stopped"));
    m_lines[2]->setText(QStringLiteral("URLs: (") + QString::number(summary.VisitedPages) + QStringLiteral("/")
                        + QString::number(summary.TotalPages) + QStringLiteral(")"));
    m_lines[3]->setText(records("Text: ", summary.Rows[TabText]));
    m_lines[4]->setText(records("Images: ", summary.Rows[TabImages]));
    m_lines[5]->setText(records("Flashes: ", summary.Rows[TabFlash]));
    m_lines[6]->setText(records("Downloads: ", summary.Rows[TabDownloads]));
    m_lines[7]->setText(records("Links: ", summary.Rows[TabLinks]));
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
