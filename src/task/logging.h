#pragma once
/**
 * The program's logging categories, one per subsystem. Their debug messages are off unless
 * switched on the way every Qt program does it, e.g.
 *   QT_LOGGING_RULES="pagemint.*.debug=true"   or   QT_LOGGING_RULES="pagemint.download.debug=true"
 * They record failures the program deliberately passes over (a download that failed, a tick of
 * the scheduler that threw, a picture that does not decode, a link dropped on an error, a page
 * snapshot that could not be taken), so that such a run can be followed afterwards.
 */

#include <QLoggingCategory>

namespace pagemint {

Q_DECLARE_LOGGING_CATEGORY(lcTask)
Q_DECLARE_LOGGING_CATEGORY(lcResults)
Q_DECLARE_LOGGING_CATEGORY(lcExtract)
Q_DECLARE_LOGGING_CATEGORY(lcCrawl)
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
Q_DECLARE_LOGGING_CATEGORY(lcDownload)
Q_DECLARE_LOGGING_CATEGORY(lcGallery)
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
Q_DECLARE_LOGGING_CATEGORY(lcBatch)
Q_DECLARE_LOGGING_CATEGORY(lcUi)

} // namespace pagemint
