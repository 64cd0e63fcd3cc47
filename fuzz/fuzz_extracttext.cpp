// Text extraction with its rules: the input gives the five rules (before, include, after) and
// the page's rendered text, separated by NUL bytes.
#include "fuzzsupport.h"
#include "extract/pagesnapshot.h"
#include "extract/extracttext.h"
#include "results/resultlists.h"
#include "task/runstate.h"

using namespace pagemint;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> pieces = fuzz::Pieces(fuzz::Bytes(data, size), 16);
    TRunState state;
    state.Task.check1 = true;
    for (int rule = 0; rule < 5; ++rule)
        for (int part = 0; part < 3; ++part)
            state.Task.OutText[rule][part] = QString::fromUtf8(pieces.at(rule * 3 + part));
    TPageSnapshot page;
    page.hasBody = true;
    page.bodyText = QString::fromUtf8(pieces.at(15));

    TResultLists lists;
    ExtractText(page, state, lists);
    if (lists.Text().size() > 1)
        std::abort();

    const TPageText text(page.bodyText);
    for (qsizetype i = 0; i < text.LineCount(); ++i) {
        if (text.Line(i).size() > TextLineLimit || text.FoldedLine(i).size() != text.Line(i).size())
            std::abort();
    }
    TextExtractionRuns(state.Task);
    return 0;
}
