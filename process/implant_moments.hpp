#pragma once
// Tabulated implantation moments (projected range Rp, vertical straggle dRp,
// lateral straggle dRl, microns) of phosphorus, boron and arsenic in silicon
// and oxide, linearly interpolated in energy (keV).

namespace tavik {

enum class Material { silicon = 1, oxide = 2 };

struct Moments {
  float Rp = 0;   // projected range
  float dRp = 0;  // vertical straggle
  float dRl = 0;  // lateral straggle (not tabulated for oxide: 0)
};

// The three moments at energy E for dopant code 1 (phosphorus), 2 (boron) or
// 3 (arsenic). Energies outside 1..1000 keV are extrapolated linearly from
// the first or last interval of the table. Any other dopant code stops.
Moments IMPMOM(float E, int dopant, Material material);

}  // namespace tavik
