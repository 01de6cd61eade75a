#pragma once
// Table search and linear interpolation shared by the doping-file readers:
// INTERPW finds, for each query point, the table interval that holds it and
// the weight of its upper end; RATIOG and INTERP2 apply such index-and-weight
// sets to a table (one-dimensional) or to a field on a tensor mesh
// (two-dimensional).
//
// Indices are 0-based: index k with weight w stands for the value
// (1 - w) F(k) + w F(k + 1), with k + 1 clamped to the last table entry.
//
// With the log flag set the interpolation is done on ln(F + 1e-20) and the
// result is exp(g) - 1e-35, so that densities spanning decades interpolate
// geometrically (half way between 1e15 and 1e17 gives 1e16). Values <= 0
// count as 0 there (ln(1e-20)), so no NaN can come out. The logarithm is
// taken of the caller's table IN PLACE: after such a call the table holds
// ln(max(F, 0) + 1e-20), not F.
#include <cstddef>
#include <span>

namespace devora {

// True when every entry is finite and lies beyond the one before it: a table
// INTERPW can search, and mesh lines whose spacings can be inverted.
bool strictly_increasing(std::span<const double> c);

// For every query q(j) (same length as weights and indices) against the
// ascending table t (at least one entry):
//  - q below t(0): index 0, weight 0 (the first value);
//  - t(k) <= q <= t(k+1): index k, weight (q - t(k)) / (t(k+1) - t(k)); a
//    query equal to t(k+1) reached from below gets index k and weight 1;
//  - q above the last entry: index n-1, weight 0 (the last value).
// A one-point table gives index 0 and weight 0 for every query. The search
// carries over from one query to the next (ascending queries cost one pass)
// and starts again from the bottom when a query lies below the last one.
void INTERPW(std::span<const double> table, std::span<const double> queries, std::span<double> weights,
             std::span<std::size_t> indices);

// g(j) for every j of g from the table f and the sets of INTERPW.
void RATIOG(std::span<double> f, std::span<double> g, std::span<const double> weights,
            std::span<const std::size_t> indices, bool log_flag);

// Maps the field f on a source tensor mesh (nx_source x ny_source nodes,
// node i + j*nx_source) onto g on a destination mesh (nx_dest x ny_dest
// nodes, same order), with the INTERPW sets of the destination columns
// (wx, ix: nx_dest each) and rows (wy, iy: ny_dest each) in the source axes.
void INTERP2(std::span<double> f, std::span<double> g, std::span<const double> wx,
             std::span<const double> wy, std::span<const std::size_t> ix, std::span<const std::size_t> iy,
             std::size_t nx_source, std::size_t ny_source, std::size_t nx_dest, std::size_t ny_dest,
             bool log_flag);

}  // namespace devora
