#include "presentation_forms.h"

#include <algorithm>
#include <iterator>

namespace {

struct FormRange {
    char16_t first;
    char16_t last;
    const char16_t* letters;
};

// Ordered by `first`, ranges apart.
constexpr FormRange kForms[] = {
#include "presentation_forms_table.inc"
};

}  // namespace

std::optional<std::u16string_view> BaseLettersOf(char16_t form)
{
    if (form < kForms[0].first || form > std::prev(std::end(kForms))->last)
        return std::nullopt;
    const auto* range = std::upper_bound(std::begin(kForms), std::end(kForms), form,
                                         [](char16_t code, const FormRange& entry) { return code < entry.first; });
    if (range == std::begin(kForms) || form > std::prev(range)->last)
        return std::nullopt;
    return std::u16string_view(std::prev(range)->letters);
}
