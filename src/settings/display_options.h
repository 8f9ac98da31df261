#pragma once

#include <optional>

#include "platform/pure/rich_text.h"

namespace scrivane {

// The surface's right margin: text wraps at the window's edge, or lines run on unwrapped.
inline constexpr float kWrapMargin = 3.0f;
inline constexpr float kNoWrapMargin = 60000.0f;

float rightMarginFor(bool wrap);

// The font to apply after the font dialog, or nullopt when nothing changes: the dialog was
// cancelled, or it answered with the "no font" name of a single blank.
std::optional<FontSpec> fontToApply(const std::optional<FontSpec>& dialogAnswer);

}  // namespace scrivane
