#include "extract/outputlink.h"

#include "results/resultlists.h"
#include "task/runstate.h"

using namespace pagemint;

void pagemint::OutputLink(const QString& url, TRunState& state, TResultLists& lists)
{
    const QString& required = state.Task.LinksText;
    if (!required.isEmpty() && !TextContains(url, required))
        return;
    if (state.LinkOutputList.ContainsFolded(url))
        return;
    state.LinkOutputList.Append(url);
    lists.AddLink(url);
}
