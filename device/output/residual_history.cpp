#include "device/output/residual_history.hpp"

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <string>

#include "common/fortran_format.hpp"
#include "common/replace_file.hpp"

namespace devora {

namespace {

constexpr const char* kHistoryFile = "GUMRES.2dg";
constexpr int kColumns = 4;

void write_header(std::ostream& out, int it) {
  using sim::ftn::ListLine;
  out << ListLine().add(1).str() << '\n';
  out << ListLine().add("Gummel res, Imp.I and Cur vs iteration number").str() << '\n';
  out << ListLine().add(kColumns).add(it).str() << '\n';
  const ListLine names =
      ListLine().add(1).add(" Iteration").add(2).add(" Res(V)").add(3).add(" DGEN").add(4).add(" Cur");
  out << names.str() << '\n';
}

// (1X,I4,3(2X,E14.8))
std::string history_row(int k, double res, double dgen, double cur) {
  using sim::ftn::E;
  using sim::ftn::I;
  using sim::ftn::X;
  return X(1) + I(k, 4) + X(2) + E(res, 14, 8) + X(2) + E(dgen, 14, 8) + X(2) + E(cur, 14, 8);
}

}  // namespace

void WRPLOT(std::span<const double> res, std::span<const double> dgen, std::span<const double> cur, int it) {
  const auto rows = static_cast<std::size_t>(std::max(it, 0));
  if (res.size() < rows || dgen.size() < rows || cur.size() < rows)
    throw std::invalid_argument("WRPLOT: history shorter than the iteration count");
  sim::replace_file(kHistoryFile, [&](std::ostream& out) {
    write_header(out, it);
    for (std::size_t k = 0; k < rows; ++k)
      out << history_row(static_cast<int>(k) + 1, res[k], dgen[k], cur[k]) << '\n';
  });
}

}  // namespace devora
