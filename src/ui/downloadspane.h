#pragma once

#include "ui/elidedlabel.h"

/**
 * The status bar's "Downloads: done/queued (n failed)" pane. Counts up to four digits always
 * show whole with their caption; larger counts on a bar too narrow for them drop the caption
 * ("123456/234567 (12 failed)") instead of pushing the window past the screen. The tooltip
 * holds the whole text. GUI thread.
 */
class TDownloadsPane : public TElidedLabel
{
    Q_OBJECT
public:
    explicit TDownloadsPane(QWidget* parent = nullptr);

    void SetCounts(qsizetype done, qsizetype queued, qsizetype failed);

    /** The whole text while it is no wider than four-digit counts need; past that, that
     *  width or the counts without the caption, whichever is wider. */
    QSize minimumSizeHint() const override;
};
