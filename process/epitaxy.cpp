#include "process/epitaxy.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavik {

namespace {

void require(bool condition, const char* what) {
  if (!condition) throw std::invalid_argument(std::string("epitaxy: ") + what);
}

// The three dopants of one node, or one row of a column being rebuilt.
struct Dopants {
  float phosphorus, boron, arsenic;
};

// Where an old depth d lies among the mesh lines: on line k, or strictly
// between lines k and k+1 (0-based k).
struct MeshPosition {
  std::size_t k = 0;
  bool on_line = false;
};

// Searches the mesh lines from the top down. With Y(1) = 0 and TH > 0 every
// shifted depth satisfies Y(1) <= d < Y(NY) (or d = Y(NY) after rounding),
// so a position is always found; depths outside the mesh would take the
// nearest end line.
MeshPosition locate(std::span<const float> Y, float d) {
  const std::size_t ny = Y.size();
  if (d < Y[0]) return {0, true};
  for (std::size_t k = 0; k < ny; ++k) {
    if (Y[k] == d) return {k, true};
    if (k + 1 < ny && Y[k] < d && d < Y[k + 1]) return {k, false};
  }
  return {ny - 1, true};
}

}  // namespace

float log_linear(float ya, float ca, float yb, float cb, float d) {
  if (ca <= 0.0f || cb <= 0.0f) return 0.0f;
  const float log_c = ((yb - d) * std::log(ca) + (d - ya) * std::log(cb)) / (yb - ya);
  const float c = std::exp(log_c);
  // log_c is a weighted mean of the two logarithms, so c lies between ca and
  // cb; only rounding at the very top of the float range could overflow.
  return std::isfinite(c) ? c : std::max(ca, cb);
}

void EPITAX(int NX, int NY, std::span<float> CPHOS, std::span<float> CBOR, std::span<float> CARS,
            std::span<const float> Y, float TH, float PH, float BO, float AS) {
  require(NX >= 1 && NY >= 1, "mesh size");
  const std::size_t nx = static_cast<std::size_t>(NX);
  const std::size_t ny = static_cast<std::size_t>(NY);
  require(Y.size() == ny, "row coordinates differ from NY");
  for (auto field : {CPHOS, CBOR, CARS})
    require(field.size() == nx * ny, "field size differs from the node count");
  // A negative thickness would pull the profile up from below the mesh,
  // where nothing is known; zero thickness leaves the profile as it is.
  if (!(TH > 0.0f)) return;

  // The new column is built in row arrays from the column as it was before
  // the growth and copied back when complete.
  std::vector<float> rowP(ny), rowB(ny), rowA(ny);
  for (std::size_t i = 0; i < nx; ++i) {
    auto old = [&](std::size_t k) {
      const std::size_t n = i + k * nx;
      return Dopants{CPHOS[n], CBOR[n], CARS[n]};
    };
    for (std::size_t j = 0; j < ny; ++j) {
      if (Y[j] < TH) {
        rowP[j] = PH;
        rowB[j] = BO;
        rowA[j] = AS;
        continue;
      }
      const float d = Y[j] - TH;  // the old depth that now lies at Y(j)
      const MeshPosition at = locate(Y, d);
      const Dopants upper = old(at.k);
      if (at.on_line) {
        rowP[j] = upper.phosphorus;
        rowB[j] = upper.boron;
        rowA[j] = upper.arsenic;
        continue;
      }
      const Dopants lower = old(at.k + 1);
      const float ya = Y[at.k];
      const float yb = Y[at.k + 1];
      rowP[j] = log_linear(ya, upper.phosphorus, yb, lower.phosphorus, d);
      rowB[j] = log_linear(ya, upper.boron, yb, lower.boron, d);
      rowA[j] = log_linear(ya, upper.arsenic, yb, lower.arsenic, d);
    }
    for (std::size_t j = 0; j < ny; ++j) {
      const std::size_t n = i + j * nx;
      CPHOS[n] = rowP[j];
      CBOR[n] = rowB[j];
      CARS[n] = rowA[j];
    }
  }
}

}  // namespace tavik
