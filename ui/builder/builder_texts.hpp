#pragma once

#include <string_view>

// Texts the expression builder's windows show, defined once.
namespace varscope::ui::text {

inline constexpr std::string_view kBuildingVariableList = "Building Variable List . . .";

} // namespace varscope::ui::text
