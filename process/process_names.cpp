#include "process/process_names.hpp"

#include "common/fatal_stop.hpp"
#include "common/file_names.hpp"
#include "common/fixed_text.hpp"

namespace tavik {

namespace {

constexpr std::size_t kLastMarkColumn = 77;  // a blank or "." must come by here
constexpr const char* kNameTooLong = " Input file name exceeds 80 characters  ";

}  // namespace

DeckNameParts FNEXTP(std::string_view name) {
  if (name.size() > sim::kFileNameWidth) sim::ERRSTOP(kNameTooLong);
  const std::string padded = sim::fixed(name, sim::kFileNameWidth);
  // Directory names may hold points and blanks; only the file name counts.
  const auto separator = std::string_view(name).find_last_of("/\\");
  const std::size_t first = separator == std::string_view::npos ? 0 : separator + 1;
  const auto mark = padded.find_first_of(" .", first);
  if (mark == std::string::npos || mark >= kLastMarkColumn) sim::ERRSTOP(kNameTooLong);
  DeckNameParts parts;
  parts.n = static_cast<int>(mark);
  parts.base = padded.substr(0, mark);
  parts.extension = padded[mark] == '.' ? padded.substr(mark + 1, 3) : std::string(3, ' ');
  return parts;
}

bool deck_extension_accepted(std::string_view extension) {
  return extension == "INP" || extension == "   " || extension == "inp";
}

std::string doping_file_name(const DeckNameParts& parts) {
  return sim::fixed(parts.base + ".3D", sim::kFileNameWidth);
}

}  // namespace tavik
