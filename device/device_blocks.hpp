#pragma once
// Named global blocks of the device simulator. Each member initialiser is the
// block's built-in value; deck statements overwrite the fields they give.
#include <array>
#include <string>

#include "common/fixed_text.hpp"

namespace devora {

// Integer controls and model switches.
struct IGRID {
  int NNODE = 0;     // node count NX*NY, set after the deck
  int NX = 4;        // mesh lines along x
  int NY = 30;       // mesh lines along y
  int READ = 0;      // 1: skip reading and generating the mesh
  int MESH = 2;      // 1 reads the mesh file, other values generate it
  int MOBMOD = 3;    // mobility model
  int unused7 = 0;
  int PRNT = 0;      // solver print control
  int HVDO = 1;      // band-gap narrowing
  int IMPI = 0;      // impact ionisation
  int unused11 = 0;
  int ELHL = 0;
  int DOPMOD = 1;    // doping source: 1 analytic boxes, 2 doping file
  int IQM = 0;       // quantum correction
  int BBTL = 0;      // band-to-band tunnelling
  int MAXPOI = 1000; // iteration limit of the linear solves
  int IGRM = 10;     // regridding passes
};

// File names, blank padded to 80 characters.
struct FILENAMES {
  std::array<std::string, 7> name = {
      sim::fixed("", 80), sim::fixed("MOS.MRG", 80), sim::fixed("", 80), sim::fixed("", 80),
      sim::fixed("", 80), sim::fixed("", 80),        sim::fixed("", 80)};
  std::string& solution() { return name[0]; }  // base + ".3D"
  std::string& doping() { return name[1]; }    // DOPN FILE
  std::string& iv_table() { return name[2]; }  // base + ".2D"
  std::string& base() { return name[3]; }      // deck name before its last "."
  std::string& mesh() { return name[4]; }      // base + ".MSS"
  std::string& title() { return name[6]; }     // run title
};

}  // namespace devora
