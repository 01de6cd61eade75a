#include "process/listing.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <ostream>
#include <stdexcept>
#include <string>

#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "common/replace_file.hpp"
#include "process/version.hpp"

namespace tavik {

namespace {

namespace ftn = sim::ftn;

void require(bool condition, const char* what) {
  if (!condition) throw std::invalid_argument(std::string("listing: ") + what);
}

std::size_t node_count(int NX, int NY) {
  require(NX >= 1 && NY >= 1, "mesh size");
  return static_cast<std::size_t>(NX) * static_cast<std::size_t>(NY);
}

// The integer part of v for an Iw field. Values beyond any field width (and
// NaN) become a large number, which the field shows as asterisks, instead
// of an undefined conversion.
long long integer_part(float v) {
  constexpr float kBeyondFields = 1e15f;
  if (std::isnan(v)) return static_cast<long long>(kBeyondFields);
  if (std::fabs(v) >= kBeyondFields)
    return static_cast<long long>(v < 0 ? -kBeyondFields : kBeyondFields);
  return static_cast<long long>(v);  // truncates toward zero
}

// Writes `values` as records of at most `per_line` fields, each record
// starting with `lead` (the format's leading blanks, repeated when the
// format starts over on a new record).
template <typename T, typename Field>
void write_records(std::ostream& out, std::string_view lead, std::span<const T> values,
                   std::size_t per_line, Field field) {
  for (std::size_t start = 0; start < values.size(); start += per_line) {
    std::string line(lead);
    const std::size_t end = std::min(values.size(), start + per_line);
    for (std::size_t n = start; n < end; ++n) line += field(values[n]);
    out << line << '\n';
  }
}

// The values of mesh row j (0-based) of a node array.
std::span<const float> row(std::span<const float> A, int NX, int j) {
  return A.subspan(static_cast<std::size_t>(j) * static_cast<std::size_t>(NX),
                   static_cast<std::size_t>(NX));
}

// Dopant codes 1 phosphorus, 2 boron, 3 arsenic (checked beforehand).
std::string_view table_title(int dopant) {
  switch (dopant) {
    case 1: return "Table of phosphorus concentration";
    case 2: return "Table of boron concentration";
    default: return "Table of arsenic concentration";
  }
}

void check_listing(const ListingInput& in) {
  const std::size_t nn = node_count(in.NX, in.NY);
  const auto nx = static_cast<std::size_t>(in.NX);
  require(in.dopant >= 1 && in.dopant <= 3, "dopant code is not 1, 2 or 3");
  require(in.oxidation_kind >= 0, "negative oxidation kind");
  require(in.x.size() == nx && in.oxide.size() == nx && in.surface_rows.size() == nx,
          "column arrays differ from NX");
  require(in.y.size() == static_cast<std::size_t>(in.NY), "row coordinates differ from NY");
  require(in.concentration.size() == nn, "concentration size differs from the node count");
}

// Ew.d with one significant digit before the point (d.ddE+ee).
std::string Ew(float v, int w, int d) { return ftn::E(v, w, d, 1); }

std::string E10_2(float v) { return Ew(v, 10, 2); }

void write_ambient(std::ostream& out, const ListingInput& in) {
  if (in.oxidation_kind == 0) {
    out << ftn::X(3) << " Inert ambient" << '\n';
  } else if (in.oxidation_kind == 1) {
    out << ftn::X(2) << "Dry oxigen, " << Ew(in.pressure, 9, 2) << " Atm" << '\n';
  } else {
    out << ftn::X(2) << "Wet ambient, " << Ew(in.pressure, 9, 2) << " Atm" << '\n';
  }
}

// The oxide and surface tables appear once an oxidation has run: for an
// oxidising ambient, or for an inert one after earlier oxidations.
void write_surface_tables(std::ostream& out, const ListingInput& in) {
  if (in.oxidation_kind == 0 && in.oxidation_count == 0) return;
  out << ftn::X(13) << "Oxide thickness" << '\n';
  write_records(out, ftn::X(1), in.oxide, 8, E10_2);
  out << ftn::X(13) << "Surface nodes" << '\n';
  write_records(out, ftn::X(1), in.surface_rows, 20, [](int v) { return ftn::I(v, 4); });
}

void write_listing(std::ostream& out, const ListingInput& in) {
  out << ftn::X(19) << kTavikBanner << '\n';
  out << sim::fixed(in.header, 80) << '\n';
  out << ftn::X(5) << table_title(in.dopant) << '\n';
  out << ftn::X(2) << "Domain size (X-width x Y-depth),mcm " << Ew(in.width, 10, 3) << " x "
      << Ew(in.depth, 10, 3) << '\n';
  out << ftn::X(2) << "Mesh  number  of  nodes  ( X  x Y )   " << ftn::I(in.NX, 4) << "  x "
      << ftn::I(in.NY, 4) << '\n';
  out << ftn::X(3) << "Mesh node coordinates, X-direction, mcm" << '\n';
  write_records(out, ftn::X(1), in.x, 8, E10_2);
  out << ftn::X(3) << "Mesh node coordinates, Y-direction, mcm" << '\n';
  write_records(out, ftn::X(1), in.y, 8, E10_2);
  out << ftn::X(2) << "Time of annealing " << ftn::I(integer_part(in.time), 6) << " seconds at "
      << ftn::I(integer_part(in.temperature), 5) << " Cels" << '\n';
  write_ambient(out, in);
  write_surface_tables(out, in);
  out << ftn::X(13) << "Concentration (cm^-3)" << '\n';
  WRLTAB(out, in.NX, in.NY, in.concentration);
}

}  // namespace

void WRLIST(const std::filesystem::path& file, const ListingInput& listing) {
  check_listing(listing);
  sim::replace_file(file, [&](std::ostream& out) { write_listing(out, listing); });
}

void WRLTAB(std::ostream& out, int NX, int NY, std::span<const float> C) {
  require(C.size() == node_count(NX, NY), "concentration size differs from the node count");
  // Empty (or negative) nodes are shown at a floor of 1e-9.
  auto field = [](float v) { return Ew(v <= 0.0f ? 1e-9f : v, 10, 2); };
  for (int j = 0; j < NY; ++j) write_records(out, ftn::X(2), row(C, NX, j), 25, field);
}

void LOGPRT1(std::ostream& out, int NX, int NY, std::span<const float> A) {
  require(A.size() == node_count(NX, NY), "array size differs from the node count");
  auto field = [](float v) { return Ew(v, 9, 2); };
  for (int j = 0; j < NY; ++j) write_records(out, ftn::X(2), row(A, NX, j), 13, field);
}

void LOGPRT2(std::ostream& out, int NX, int NY, std::span<const float> A) {
  require(A.size() == node_count(NX, NY), "array size differs from the node count");
  out << " Common logarithm of concentrations" << '\n';
  auto field = [](float v) { return ftn::I(integer_part(v), 2); };
  for (int j = 0; j < NY; ++j) write_records(out, ftn::X(2), row(A, NX, j), 60, field);
}

void DBGTEN(std::ostream& out, const std::array<std::span<const float>, 10>& arrays, int N) {
  require(N >= 0, "negative length");
  const auto n = static_cast<std::size_t>(N);
  for (const auto& a : arrays) require(a.size() >= n, "array shorter than the length");
  out << "New Array" << '\n';
  for (const auto& a : arrays) {
    ftn::ListLine line;
    for (float v : a.first(n)) line.add(v);
    for (const auto& record : line.records()) out << record << '\n';
    out << '\n';
  }
}

}  // namespace tavik
