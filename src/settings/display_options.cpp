#include "settings/display_options.h"

namespace scrivane {

float rightMarginFor(bool wrap) {
    return wrap ? kWrapMargin : kNoWrapMargin;
}

std::optional<FontSpec> fontToApply(const std::optional<FontSpec>& dialogAnswer) {
    if (!dialogAnswer || dialogAnswer->name == " ") return std::nullopt;
    return dialogAnswer;
}

}  // namespace scrivane
