#include "ui/livestate.h"

#include "task/textfile.h"

QString DownloadsPaneText(qsizetype done, qsizetype queued, qsizetype failed)
{
    return QStringLiteral("Downloads: %1/%2 (%3 failed)").arg(done).arg(queued).arg(failed);
}

QString DownloadsPaneShortText(qsizetype done, qsizetype queued, qsizetype failed)
{
    return QStringLiteral("%1/%2 (%3 failed)").arg(done).arg(queued).arg(failed);
}

QString RunWindowTitle(const QString& taskName, bool crawling, bool downloading, int percent)
{
    const QString program = QStringLiteral("Pagemint");
    if (!crawling && !downloading)
        return program;
    const int shown = qBound(0, percent, 100);
    // A title is one line: line breaks in a task name would break it.
    const QString name = pagemint::OneLine(taskName);
    // Joined piece by piece: a "%1" in a task name is text, not a place holder.
    return program + QStringLiteral(" - ") + name + (crawling ? QStringLiteral(" (") : QStringLiteral(" (downloading "))
         + QString::number(shown) + QStringLiteral("%)");
}
