#include "common/file_names.hpp"

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"

namespace sim {

SplitName FNEXT(std::string_view name) {
  const std::string padded = fixed(name, kFileNameWidth);
  SplitName split{std::string(kFileNameWidth, ' '), std::string(3, ' '), 0};
  const auto point = padded.rfind('.');
  if (point == std::string::npos) return split;
  split.length = static_cast<int>(point);
  split.base = fixed(padded.substr(0, point), kFileNameWidth);
  split.ext = fixed(padded.substr(point + 1), 3);
  return split;
}

std::string FNPARSE(std::string_view path) {
  const std::string padded = fixed(path, kFileNameWidth);
  const auto blank = padded.find(' ');
  if (blank == std::string::npos || blank >= 77) ERRSTOP(" Input file name exceeds 80 characters  ");
  const auto separator = padded.find_last_of("\\/", blank);
  const std::size_t first = separator == std::string::npos ? 0 : separator + 1;
  return fixed(padded.substr(first, blank - first), kFileNameWidth);
}

void check_name_length(std::string_view name) {
  if (name.size() > kFileNameWidth) ERRSTOP(" Input file name exceeds 80 characters  ");
}

std::ifstream open_deck(const std::string& derived_name, const std::string& given_name,
                        std::string_view failure_message) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string& chosen =
      fs::is_regular_file(derived_name, ec) ? derived_name : given_name;
  std::ifstream deck;
  if (fs::is_regular_file(chosen, ec)) deck.open(chosen, std::ios::binary);
  if (!deck.is_open()) ERRSTOP(std::string(failure_message) + std::string(rtrim(chosen)));
  return deck;
}

}  // namespace sim
