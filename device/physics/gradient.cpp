#include "device/physics/gradient.hpp"

namespace devora {

void GRADXY(std::span<const double> F, std::span<double> GXF, std::span<double> GYF, const MeshArrays& mesh) {
  const std::size_t nx = mesh.X.size(), ny = mesh.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      if (i + 1 < nx)
        GXF[n] = (F[n + 1] - F[n]) * mesh.HX[i];
      else
        GXF[n] = i > 0 ? GXF[n - 1] : 0.0;
      if (j + 1 < ny)
        GYF[n] = (F[n + nx] - F[n]) * mesh.HY[j];
      else
        GYF[n] = j > 0 ? GYF[n - nx] : 0.0;
    }
}

}  // namespace devora
