#pragma once
// Text writers for examining the process state: the listing of one dopant
// (WRLIST with its table writer WRLTAB), two console printers of a node
// array (LOGPRT1, LOGPRT2) and a console dump of ten arrays (DBGTEN). The
// run does not call them; they are diagnostic entry points with fixed
// line formats.
//
// Node (i, j) (1-based column i, row j) is element (i-1) + (j-1)*NX. Every
// writer throws std::invalid_argument on array sizes that do not match.
#include <array>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <string_view>

namespace tavik {

// Everything the listing shows.
struct ListingInput {
  int NX = 0, NY = 0;
  int dopant = 1;                 // 1 phosphorus, 2 boron, 3 arsenic
  std::string_view header;        // run header, shown as 80 characters
  float width = 0, depth = 0;     // domain size, microns
  std::span<const float> x, y;    // node coordinates (NX and NY entries)
  float time = 0;                 // anneal time, seconds
  float temperature = 0;          // anneal temperature, degrees Celsius
  int oxidation_count = 0;
  int oxidation_kind = 0;         // 0 inert, 1 dry oxygen, 2 and above wet
  float pressure = 0;             // atmospheres
  std::span<const float> oxide;   // oxide thickness per column (NX)
  std::span<const int> surface_rows;     // first silicon row per column (NX)
  std::span<const float> concentration;  // NX*NY values, cm-3
};

// Rewrites `file` with the listing; the file on disk is always complete.
// A dopant code other than 1, 2, 3 or a negative oxidation kind is rejected
// (std::invalid_argument) before anything is written.
void WRLIST(const std::filesystem::path& file, const ListingInput& listing);

// The listing's table: per mesh row the NX values, 25 per line; values that
// are not positive are shown as 1e-9.
void WRLTAB(std::ostream& out, int NX, int NY, std::span<const float> C);

// Per mesh row the NX values, 13 per line.
void LOGPRT1(std::ostream& out, int NX, int NY, std::span<const float> A);

// A title line, then per mesh row the integer parts of the NX values
// (meant for common logarithms), 60 per line.
void LOGPRT2(std::ostream& out, int NX, int NY, std::span<const float> A);

// "New Array", then each of the ten arrays' first N values in free format,
// each followed by an empty line.
void DBGTEN(std::ostream& out, const std::array<std::span<const float>, 10>& arrays, int N);

}  // namespace tavik
