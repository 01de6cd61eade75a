#pragma once
// Epitaxial growth on the fixed process mesh: a layer of thickness TH is
// grown on top of the wafer. The mesh lines stay where they are, so every
// column's dopant profile moves down by TH (log-linear interpolation between
// mesh lines; what moves below the last mesh line is lost) and the rows
// within the top TH microns take the layer's own doping.
//
// Node (i, j) (1-based column i, row j) is element (i-1) + (j-1)*NX.
#include <span>

namespace tavik {

// Grows the layer: TH in microns, PH, BO, AS the layer's phosphorus, boron
// and arsenic concentrations (units of 1e20 cm-3). Y holds the NY row
// coordinates (Y(1) = 0, increasing). A layer of TH <= 0 grows nothing and
// leaves the fields unchanged. Throws std::invalid_argument on array sizes
// that do not match NX and NY.
void EPITAX(int NX, int NY, std::span<float> CPHOS, std::span<float> CBOR, std::span<float> CARS,
            std::span<const float> Y, float TH, float PH, float BO, float AS);

// The log-linear interpolation the shift uses: the concentration at depth d,
// ya < d < yb, between ca at ya and cb at yb. A logarithm needs positive
// values: with either end <= 0 the result is 0.
float log_linear(float ya, float ca, float yb, float cb, float d);

}  // namespace tavik
