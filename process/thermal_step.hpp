#pragma once
// The thermal step of an oxidation, an anneal or the heat cycle of an
// epitaxy: the three dopant distributions are advanced from time 0 to TM in
// growing time steps. In each time step of an oxidation the oxide grows and
// the silicon surface of every column moves down first; then the diffusion
// equation of every dopant present is solved in turn, and these solves are
// repeated until the three dopants agree.
#include <chrono>
#include <span>
#include <string>

#include "process/finite_state.hpp"
#include "process/process_state.hpp"

namespace tavik {

// What a process statement hands to its thermal step.
struct ThermalStep {
  float XD_P = 0.0f;   // surface-source windows of the three dopants (0: none)
  float XD_B = 0.0f;
  float XD_As = 0.0f;
  float T = 0.0f;      // temperature, kelvin
  float TM = 0.0f;     // duration, s
  float TAU = 0.0f;    // first time step, s (must be positive)
  int OR = 100;        // substrate orientation (100 or 111)
  float XO = 0.0f;     // mask edge of the oxidation (1e10: none)
  int OX = 0;          // oxidation kind: 0 none, 1 dry, other wet
  float POX = 0.0f;    // oxidant pressure
  float U0 = 0.0f;     // initial oxide thickness, microns
};

// What a thermal step leaves behind besides the concentrations, the surface
// state of every column and S.
struct ThermalOutcome {
  float TAU = 0.0f;        // last (positive) time step length used, s
  int time_steps = 0;      // time steps performed
  int capped_steps = 0;    // time steps whose outer iteration hit the cap
  // Set when a concentration or the oxide left the range of 4-byte reals:
  // the step stopped there, without its timing line.
  StateFault fault = StateFault::none;
};

// Most outer iterations of one time step; past it the step goes on with the
// next time step after one console line.
inline constexpr int kOuterIterationCap = 100;

// Runs the thermal step on the mesh and model blocks of the run. The caller
// stores the outcome's TAU back into the statement value it came from.
// Stops (ERRSTOP) when TAU is not positive or too short to advance the
// time, when T lies above the melting point of silicon, and when the silicon
// surface of a column would move below the last mesh line. A state that is
// no longer finite ends the step at once with the outcome's fault set; no
// iteration goes on with it.
ThermalOutcome THERMSTP(ProcessRun& run, const ThermalStep& step);

// Largest relative change |C - C_prev| / (floor + max(|C|, |C_prev|)) over
// the first NX*NY nodes; 0 for an empty mesh, infinite when a value is not
// a number.
float UPDCON(int NX, int NY, std::span<const float> C, std::span<const float> C_prev, float floor);

// Elapsed-time clock of the timing line: a monotonic clock, split into whole
// minutes and seconds.
class CPUTIM {
 public:
  CPUTIM() : start_(std::chrono::steady_clock::now()) {}
  // Minutes and seconds since construction.
  void elapsed(int& minutes, int& seconds) const;

 private:
  std::chrono::steady_clock::time_point start_;
};

// The iteration line: "Time step " I4, " Iteration " I2, " P " F6.4,
// " B " F6.4, " As " F6.4.
std::string iteration_line(int step, int iteration, float dP, float dB, float dAs);

// The timing line: the step's duration TM in whole minutes and seconds, then
// the clock time the step took.
std::string timing_line(float TM, int clock_min, int clock_s);

}  // namespace tavik
