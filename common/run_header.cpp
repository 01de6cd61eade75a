#include "common/run_header.hpp"

#include "common/fixed_text.hpp"

namespace sim {

void RunHeaderTexts::set_meth(std::string_view text) { METH = fixed(text, kMethWidth); }
void RunHeaderTexts::set_proj(std::string_view text) { PROJ = fixed(text, kProjWidth); }
void RunHeaderTexts::set_time(std::string_view text) { TIME = fixed(text, kTimeWidth); }

std::string RUNHDR(const RunHeaderTexts& texts, RunHeaderKind kind) {
  // fixed() keeps NUL bytes and only pads short texts with blanks.
  std::string header;
  header.reserve(kRunHeaderWidth);
  header += "METH=";
  header += fixed(texts.METH, kMethWidth);
  header += "; PROJ=";
  header += fixed(texts.PROJ, kProjWidth);
  header += "; TIME=";
  header += fixed(texts.TIME, kTimeWidth);
  header += ';';
  if (kind == RunHeaderKind::process) header += '\0';
  return fixed(header, kRunHeaderWidth);
}

}  // namespace sim
