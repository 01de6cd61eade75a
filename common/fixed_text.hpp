#pragma once
// Fixed-width texts as the decks and files hold them: blank padded (or cut)
// to their field width.
#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

inline constexpr std::size_t kTextWidth = 80;  // deck texts and file names

// s cut or blank padded to exactly `width` characters.
inline std::string fixed(std::string_view s, std::size_t width, char fill = ' ') {
  std::string r(s.substr(0, width));
  r.resize(width, fill);
  return r;
}

// s without its trailing blanks.
inline std::string_view rtrim(std::string_view s) {
  const auto end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : s.substr(0, end + 1);
}

}  // namespace sim
