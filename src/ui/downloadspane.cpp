#include "ui/downloadspane.h"

#include "ui/livestate.h"

TDownloadsPane::TDownloadsPane(QWidget* parent) : TElidedLabel(QString(), parent)
{
    SetElideMode(Qt::ElideRight);
    SetCounts(0, 0, 0);
}

void TDownloadsPane::SetCounts(qsizetype done, qsizetype queued, qsizetype failed)
{
    setText(DownloadsPaneText(done, queued, failed));
    SetShortText(DownloadsPaneShortText(done, queued, failed));
}

QSize TDownloadsPane::minimumSizeHint() const
{
    const QSize whole = sizeHint();
    const QSize shortForm = TElidedLabel::minimumSizeHint();
    const int inset = whole.width() - fontMetrics().horizontalAdvance(text());
    const int room = fontMetrics().horizontalAdvance(DownloadsPaneText(9999, 9999, 999)) + inset;
    if (whole.width() <= room)
        return whole;
    return {std::max(room, shortForm.width()), whole.height()};
}
