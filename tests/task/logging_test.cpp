// The logging categories: silent by default, switched on per subsystem by a logging rule.
#include "task/logging.h"

#include <gtest/gtest.h>

using namespace pagemint;

TEST(LoggingCategories, DebugIsOffUntilARuleSwitchesItOnPerSubsystem)
{
    const QLoggingCategory* all[] = {&lcTask(), &lcResults(), &lcExtract(), &lcCrawl(), &lcBrowser(),
                                     &lcDownload(), &lcGallery(), &lcEngine(), &lcBatch(), &lcUi()};
    for (const QLoggingCategory* category : all) {
        EXPECT_TRUE(QByteArray(category->categoryName()).startsWith("pagemint."));
        EXPECT_FALSE(category->isDebugEnabled()) << category->categoryName();
        EXPECT_TRUE(category->isWarningEnabled()) << category->categoryName();
    }

    QLoggingCategory::setFilterRules(QStringLiteral("pagemint.download.debug=true"));
    EXPECT_TRUE(lcDownload().isDebugEnabled());
    EXPECT_FALSE(lcCrawl().isDebugEnabled());
    QLoggingCategory::setFilterRules(QStringLiteral("pagemint.*.debug=true"));
    EXPECT_TRUE(lcCrawl().isDebugEnabled());
    QLoggingCategory::setFilterRules(QString());
    EXPECT_FALSE(lcDownload().isDebugEnabled());
}
