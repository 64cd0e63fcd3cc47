#include "task/logging.h"

// Info and above by default: the debug messages stay off until a logging rule enables them.
namespace pagemint {

Q_LOGGING_CATEGORY(lcTask, "pagemint.task", QtInfoMsg)
Q_LOGGING_CATEGORY(lcResults, "pagemint.results", QtInfoMsg)
Q_LOGGING_CATEGORY(lcExtract, "pagemint.extract", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCrawl, "pagemint.crawl", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBrowser, "pagemint.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDownload, "pagemint.download", QtInfoMsg)
Q_LOGGING_CATEGORY(lcGallery, "pagemint.gallery", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "pagemint.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBatch, "pagemint.batch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "pagemint.ui", QtInfoMsg)

} // namespace pagemint
