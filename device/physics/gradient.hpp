#pragma once
// Node gradients of a node field on the tensor mesh.
#include <span>

#include "device/node_arrays.hpp"

namespace devora {

// Forward differences stored at the node: GXF(n) = (F(n+1) - F(n))*HX(i)
// and GYF(n) = (F(n+NX) - F(n))*HY(j); the last column and the last row
// repeat the value of their neighbour (0 on an axis of one line).
void GRADXY(std::span<const double> F, std::span<double> GXF, std::span<double> GYF, const MeshArrays& mesh);

}  // namespace devora
