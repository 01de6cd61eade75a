#pragma once
// The 80-character run header that titles every field file: the three COMM
// texts of the deck in fixed positions,
//   "METH=" METH(8) "; PROJ=" PROJ(30) "; TIME=" TIME(19) ";" + 3 end bytes.
// The texts are copied byte for byte; a text that no COMM statement has given
// yet is all NUL bytes and goes into the header as such.
#include <cstddef>
#include <string>
#include <string_view>

namespace sim {

inline constexpr std::size_t kMethWidth = 8;
inline constexpr std::size_t kProjWidth = 30;
inline constexpr std::size_t kTimeWidth = 19;
inline constexpr std::size_t kRunHeaderWidth = 80;

// The COMM texts of a run, each held at its full width.
struct RunHeaderTexts {
  std::string METH = std::string(kMethWidth, '\0');
  std::string PROJ = std::string(kProjWidth, '\0');
  std::string TIME = std::string(kTimeWidth, '\0');

  // A COMM value as given in the deck: cut to the field width, or blank
  // padded within it.
  void set_meth(std::string_view text);
  void set_proj(std::string_view text);
  void set_time(std::string_view text);
};

// The two programs end the header differently after the closing ";":
// the device simulator with three blanks, the process simulator with a NUL
// byte and two blanks.
enum class RunHeaderKind { device, process };

std::string RUNHDR(const RunHeaderTexts& texts, RunHeaderKind kind);

// The device simulator's header (three blanks after ";").
inline std::string FINFO(const RunHeaderTexts& texts) {
  return RUNHDR(texts, RunHeaderKind::device);
}

}  // namespace sim
