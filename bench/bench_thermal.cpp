// Timing of the thermal step: a 1-hour inert anneal and a 1-hour wet
// oxidation (local, mask edge at half the width) at 1000 C with phosphorus,
// boron and arsenic present, on 100 x 100 and 300 x 300 meshes of a
// 4 x 3 micron cross-section. Prints seconds per run and per time step.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "process/implant.hpp"
#include "process/mesh.hpp"
#include "process/process_state.hpp"
#include "process/thermal_step.hpp"

namespace {

using tavik::ProcessRun;

// Boron substrate, a masked phosphorus well and a shallow arsenic implant.
void prepare(ProcessRun& run, int n) {
  tavik::ProcessMesh& m = run.mesh;
  tavik::MESHSET(m, n, n, run.solcon.IT);
  tavik::MESHGEN(m, 1, 0.0f, 0.0f, 4.0f, 3.0f);
  std::fill(m.CPHOS.begin(), m.CPHOS.end(), run.solcon.CO);
  std::fill(m.CBOR.begin(), m.CBOR.end(), 1e15f / 1e20f);
  std::fill(m.CARS.begin(), m.CARS.end(), run.solcon.CO);
  run.dopcnt = {1, 1, 1};
  tavik::ImplantStep phos{tavik::ImplantKind::implant, tavik::kPhosphorus, 0, 0, 2.0f, 1e13f, 100};
  tavik::PROFIL2D(phos, m, run.console);
  tavik::ImplantStep ars{tavik::ImplantKind::implant, tavik::kArsenic, 0, 0, 1.0f, 1e15f, 50};
  tavik::PROFIL2D(ars, m, run.console);
}

void bench(const char* name, int n, int OX) {
  std::ostringstream sink;
  std::istringstream none;
  sim::Console console{sink, none};
  ProcessRun run(console);
  prepare(run, n);
  tavik::ThermalStep step;
  step.T = 1000.0f + 273.0f;
  step.TM = 3600.0f;
  step.TAU = 1.0f;
  step.OR = 100;
  step.OX = OX;
  step.POX = OX != 0 ? 1.0f : 0.0f;
  step.U0 = 0.03f;
  step.XO = OX != 0 ? 2.0f : 0.0f;
  const auto start = std::chrono::steady_clock::now();
  const tavik::ThermalOutcome out = tavik::THERMSTP(run, step);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-16s %3d x %-3d  %8.3f s per run  %3d time steps  %8.4f s per time step\n", name,
              n, n, seconds, out.time_steps, seconds / out.time_steps);
}

}  // namespace

int main() {
  for (int n : {100, 300}) {
    bench("inert anneal", n, 0);
    bench("wet oxidation", n, 2);
  }
  return 0;
}
