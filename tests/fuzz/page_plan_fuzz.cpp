// The renderer's reading of a page as a hostile book could make it: its
// facts and hidden contents list, its link targets, and the plan that cuts
// it into pieces, with every piece composed. Small piece sizes, so that
// even a short input is cut wherever it may be.
#include "fuzz_target.h"

#include "html_tokens.h"
#include "link_targets.h"
#include "page_facts.h"
#include "page_splitter.h"
#include "piece_writer.h"

#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<HtmlToken> tokens = TokenizeHtml(input);
    const PageFacts facts = ReadPageFacts(tokens);
    const MarkedPage marked = MarkLinkTargets(input, tokens);

    const std::vector<HtmlToken> markedTokens = TokenizeHtml(marked.page);
    const PieceSizes sizes{.maxWeight = 64, .breakWeight = 16, .splitFrom = 0, .spread = 2};
    const PagePlan plan = PlanPieces(marked.page, markedTokens, sizes);
    for (std::size_t i = 0; i < plan.pieces.size(); ++i) ComposePiece(marked.page, plan, i, {});
    return 0;
}
