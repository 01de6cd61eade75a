#pragma once
// Where a device run spends its time: the linear solves (factorisation
// included) and the file writes, with the solve and iteration counts. Cheap
// enough to be always on; the device benchmark reports it.
#include <chrono>

namespace devora {

struct RunProfile {
  double linear_seconds = 0.0;  // inside ZEDERM and ZEDERM2
  double write_seconds = 0.0;   // solution file and residual history
  double regrid_seconds = 0.0;  // regridding passes on the zero-bias solution
  long linear_solves = 0;
  long linear_iterations = 0;
  long gummel_iterations = 0;
  long bias_points = 0;
};

// Adds the lifetime of the object to a seconds counter.
class ScopedSeconds {
 public:
  explicit ScopedSeconds(double& total) : total_(total), start_(std::chrono::steady_clock::now()) {}
  ~ScopedSeconds() { total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
  ScopedSeconds(const ScopedSeconds&) = delete;
  ScopedSeconds& operator=(const ScopedSeconds&) = delete;

 private:
  double& total_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace devora
