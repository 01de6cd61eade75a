#pragma once
// The process simulator's name and version, as its listings show them.
#include <string_view>

namespace tavik {

inline constexpr std::string_view kTavikBanner =
    "Tavik - two-dimensional process simulator, version 1.0";

}  // namespace tavik
