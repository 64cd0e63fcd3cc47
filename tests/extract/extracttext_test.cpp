// Text extraction: the three rule cases, the "<" end mark, the line limit and the rows.
#include "extract/pagesnapshot.h"
#include "extract/extracttext.h"
#include "support/qtprinters.h"
#include "results/resultlists.h"
#include "task/runstate.h"

#include <gtest/gtest.h>

using namespace pagemint;

namespace {

QString Value(const QString& page, const QString& before, const QString& include, const QString& after)
{
    return FindRuleValue(TPageText(page), before, include, after);
}

struct TRuleCase
{
    const char* name;
    const char* page;
    const char* before;
    const char* include;
    const char* after;
    const char* expected;
};

class FindRuleValueTest : public testing::TestWithParam<TRuleCase> {};

TEST_P(FindRuleValueTest, GivesTheFirstMatch)
{
    const TRuleCase& c = GetParam();
    EXPECT_EQ(Value(QString::fromUtf8(c.page), QString::fromUtf8(c.before), QString::fromUtf8(c.include),
                    QString::fromUtf8(c.after)),
              QString::fromUtf8(c.expected));
}

const TRuleCase RuleCases[] = {
    {"BeforeAndAfterKeepSpaces", "Price: 100 USD", "Price:", "", "USD", " 100 "},
    {"BeforeFoldsAsciiCase", "PRICE: 7 USD", "price:", "", "usd", " 7 "},
    {"NonAsciiLettersMatchOnlyInSameCase", "ÄPFEL: 3 <", "äpfel:", "", "", ""},
    {"NonAsciiLettersSameCase", "äpfel: 3 <", "äpfel:", "", "", " 3 "},
    {"BeforeAloneNeedsLessThan", "Price: 100 USD", "Price:", "", "", ""},
    {"BeforeAloneEndsAtLessThan", "Price: 100 <b>", "Price:", "", "", " 100 "},
    {"AfterMissingFallsBackToLessThan", "Price: 5 <i>EUR", "Price:", "", "USD", " 5 "},
    {"AfterMissingNoLessThanGivesNothing", "Price: 5 EUR", "Price:", "", "USD", ""},
    {"AfterSearchedOnlyBehindBefore", "USD 5 Price: 7 USD", "Price:", "", "USD", " 7 "},
    {"AfterRightBehindBeforeIsEmptyThenNextLine", "Price:USD\r\nPrice: 9 USD", "Price:", "", "USD", " 9 "},
    {"IncludeRejectsThenNextLineWithOwnEnd", "Price: 5 EUR<\r\nPrice: 6 USD<", "Price:", "usd", "", " 6 USD"},
    {"IncludeAloneGivesWholeLine", "a\r\nTotal 12 items\r\nTotal 13", "", "total", "", "Total 12 items"},
    {"IncludeWithAfterCutsFromLineStart", "x 1 END total", "", "total", "end", "x 1 "},
    {"IncludeWithAfterMissingGivesNothing", "total 1\r\ntotal 2 END", "", "total", "END", "total 2 "},
    {"AfterAloneSkipsLeadingMarker", "END first\r\nvalue END", "", "", "END", "value "},
    {"AllEmptyGivesNothing", "anything", "", "", "", ""},
    {"OnlyFirstBeforeOnLineIsUsed", "Price:<Price: 4 <", "Price:", "", "", ""},
    {"FirstLineWinsOverLater", "Price: 1 <\r\nPrice: 2 <", "Price:", "", "", " 1 "},
    {"MarkerNeverSpansLineBreak", "Pri\r\nce: 1 <", "Price:", "", "", ""},
    {"LoneLfAlsoBreaksLines", "Price: 1\nUSD", "Price:", "", "USD", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, FindRuleValueTest, testing::ValuesIn(RuleCases),
                         [](const testing::TestParamInfo<TRuleCase>& rule) { return rule.param.name; });

TEST(FindRuleValue, TextBeyondTheLineLimitIsNeverSeen)
{
    const QString pad(TextLineLimit - 6, u'x');
    // The end mark lies beyond the limit: the line is searched as if it ended there.
    EXPECT_EQ(Value(QStringLiteral("Price:") + pad + QStringLiteral("<"), QStringLiteral("Price:"), {}, {}), QString());
    // A marker that starts inside the limit but ends beyond it is not found either.
    const QString nearEnd(TextLineLimit - 3, u'x');
    EXPECT_EQ(Value(nearEnd + QStringLiteral("Price: 1 <"), QStringLiteral("Price:"), {}, {}), QString());
    // Just inside the limit still counts.
    const QString inside(TextLineLimit - 9, u'x');
    EXPECT_EQ(Value(inside + QStringLiteral("Price:1<"), QStringLiteral("Price:"), {}, {}), QStringLiteral("1"));
    // The next line starts afresh.
    EXPECT_EQ(Value(pad + pad + QStringLiteral("\r\nPrice: 2 <"), QStringLiteral("Price:"), {}, {}),
              QStringLiteral(" 2 "));
}

TEST(FindRuleValue, LineLimitCountsCharactersNotUtf16Units)
{
    const QString clef = QString::fromUcs4(U"\U0001D11E");  // two UTF-16 units, one character
    ASSERT_EQ(clef.size(), 2);
    // 4000 such characters take 8000 units but stay within the limit: the mark after them counts.
    QString wide;
    for (int i = 0; i < 4000; ++i)
        wide += clef;
    EXPECT_EQ(Value(QStringLiteral("Price:") + wide + QStringLiteral("<"), QStringLiteral("Price:"), {}, {}), wide);

    // The 4096th character is a whole pair: kept, and nothing beyond it.
    const QString pad(TextLineLimit - 1 - 6, u'x');
    const TPageText cut(QStringLiteral("Price:") + pad + clef + QStringLiteral("<"));
    ASSERT_EQ(cut.LineCount(), 1);
    EXPECT_EQ(cut.Line(0).size(), TextLineLimit + 1);
    EXPECT_TRUE(cut.Line(0).endsWith(clef));
    EXPECT_EQ(cut.Line(0).toUcs4().size(), TextLineLimit);

    // The value cut from such a line is valid text, stored without a "?".
    // (The include rule takes the whole line, as far as the limit.)
    const QString value = Value(pad + QStringLiteral("Price:") + clef + clef + QStringLiteral("USD"), {},
                                QStringLiteral("price"), {});
    EXPECT_EQ(value, pad + QStringLiteral("Price:") + clef);
    EXPECT_EQ(value.toUtf8().count('?'), 0);
}

class ExtractTextTest : public testing::Test
{
protected:
    TRunState state;
    TResultLists lists;

    TPageSnapshot Page(const QString& text)
    {
        TPageSnapshot page;
        page.hasBody = true;
        page.bodyText = text;
        return page;
    }
};

TEST_F(ExtractTextTest, OneRowOfFiveValuesPerPage)
{
    state.Task.OutText[0][0] = QStringLiteral("Name:");
    state.Task.OutText[0][2] = QStringLiteral(";");
    state.Task.OutText[2][0] = QStringLiteral("Price:");
    state.Task.OutText[2][2] = QStringLiteral("USD");
    ExtractText(Page(QStringLiteral("Name:Bob;\r\nPrice: 3 USD\r\nPrice: 4 USD")), state, lists);
    ASSERT_EQ(lists.Text().size(), 1u);
    EXPECT_EQ(lists.Text()[0], (TTextRow{QStringLiteral("Bob"), {}, QStringLiteral(" 3 "), {}, {}}));

    // The same values on another page give another, equal row.
    ExtractText(Page(QStringLiteral("Name:Bob;\r\nPrice: 3 USD")), state, lists);
    ASSERT_EQ(lists.Text().size(), 2u);
    EXPECT_EQ(lists.Text()[0], lists.Text()[1]);
}

TEST_F(ExtractTextTest, NoRowWithoutAValueOrWithoutBody)
{
    state.Task.OutText[0][0] = QStringLiteral("Name:");
    ExtractText(Page(QStringLiteral("nothing here")), state, lists);
    TPageSnapshot noBody;
    noBody.bodyText = QStringLiteral("Name: x <");
    ExtractText(noBody, state, lists);
    EXPECT_TRUE(lists.Text().empty());
}

TEST_F(ExtractTextTest, RunsOnlyWithTextOnAndAMarker)
{
    TTaskItem task;
    EXPECT_FALSE(TextExtractionRuns(task));
    task.check1 = true;
    EXPECT_FALSE(TextExtractionRuns(task));
    task.OutText[4][2] = QStringLiteral(" ");
    EXPECT_TRUE(TextExtractionRuns(task));
    task.check1 = false;
    EXPECT_FALSE(TextExtractionRuns(task));
}

} // namespace
