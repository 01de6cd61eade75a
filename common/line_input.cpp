#include "common/line_input.hpp"

namespace sim {

std::ifstream open_data_file(const std::filesystem::path& path, std::ios::openmode mode) {
  std::ifstream in;
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec))
    in.open(path, mode);
  else
    in.setstate(std::ios::failbit);  // tests as a failed open
  return in;
}

LineStatus read_line(std::istream& in, std::string& line, std::size_t keep, std::size_t limit) {
  line.clear();
  std::istream::sentry ready(in, true);
  if (!ready) return LineStatus::end_of_file;
  std::streambuf* buffer = in.rdbuf();
  std::size_t length = 0;
  for (;;) {
    const auto c = buffer->sbumpc();
    if (std::char_traits<char>::eq_int_type(c, std::char_traits<char>::eof())) {
      in.setstate(std::ios::eofbit);
      if (length == 0) {
        in.setstate(std::ios::failbit);
        return LineStatus::end_of_file;
      }
      break;
    }
    const char ch = std::char_traits<char>::to_char_type(c);
    if (ch == '\n') break;
    if (++length > limit) return LineStatus::too_long;
    if (line.size() < keep) line.push_back(ch);
  }
  if (length <= keep && !line.empty() && line.back() == '\r') line.pop_back();
  return LineStatus::ok;
}

}  // namespace sim
