#pragma once
#include <istream>
#include <string>

#include "common/console.hpp"
#include "device/run_state.hpp"

namespace devora {

// Runs the device simulator on the deck named on the command line; returns
// the process exit status (0 normal end, 1 fatal stop).
int DEVMAIN(const std::string& deck_argument, sim::Console& console);

// Start-up of the deck tables: the statement buffers and the kinds of the
// text parameters (before the first statement is read).
void setup_deck_tables(DeviceRun& run);

// After the deck: node count, basic arrays, scaling, spectra, mesh, doping, solver
// iteration limit and supplementary arrays.
void set_up_device(DeviceRun& run);

// The I-V curves of the deck, one after the other (doping, solution driver,
// sweep, I-V table file).
void run_curves(DeviceRun& run);

// Reads a device deck up to its "$" into the run's blocks and tables, then
// checks what needs the whole deck (the mesh counts).
void read_device_deck(DeviceRun& run, std::istream& deck);

}  // namespace devora
