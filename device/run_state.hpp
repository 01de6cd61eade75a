#pragma once
// Everything one device-simulator run owns: the deck tables and work
// buffers, the named blocks, and the arrays sized from the deck. A test can
// build two of these and run a deck twice.
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/dop3d.hpp"
#include "common/statement_table.hpp"
#include "device/blocks.hpp"
#include "device/node_arrays.hpp"
#include "device/run_profile.hpp"
#include "device/deck/tables.hpp"

namespace devora {

inline constexpr int kStatementBufferSize = 900;

struct DeviceRun {
  explicit DeviceRun(sim::Console& console) : console(console) {}

  sim::Console& console;

  // Deck tables and the buffers of the statement being read.
  sim::StatementTable table = device_statement_table();
  sim::ParamBuffer<double> params{kWorkBufferSize};
  std::vector<double> buffer_reals;       // 900 reals, zeroed before every statement
  std::vector<std::string> buffer_texts;  // 900 texts, blanked before every statement

  // File names: the deck as opened, and the extension found on the command line.
  std::string deck_name;
  std::string extension;

  // Set once the deck values are converted to internal units.
  bool scaled = false;

  // Named blocks.
  IGRID igrid;
  GEOM geom;
  SCALE scale;
  COMCON comcon;
  RECOMB recomb;
  QUANTUM quantum;
  ITGUM itgum;
  COMPLT complt;
  COMUIT comuit;
  COMCTRL comctrl;
  CUMCON cumcon;
  CUMN cumn;
  CUMP cump;
  MOBKIB mobkib;
  MEDMOB medmob;
  BANDBAND bandband;
  AVLN avln;
  FILENAMES filenames;
  HDRTEXT hdrtext;

  // Tables of the list statements.
  DOPBOX dopbox;
  PHOBOX phobox;
  ELECTAB electab;
  CURVTAB curvtab;
  LSRCTAB lsrctab;
  OXIDE oxide;
  RCMRG rcmrg;
  REMCOM remcom;

  // I-V curves given by IVDA statements (none without one), and the points
  // recorded so far over all curves.
  int NCURV = 0;
  int IVCOUNT = 0;
  // The zero-bias solution of the first curve has been regridded.
  bool REGRID_DONE = false;
  IvResults iv;  // I-V result tables (IVDA allocates them)

  // Mesh, doping and solution (allocated after the deck).
  MeshArrays mesh;
  REGOUT regout;
  NodeArrays nodes;

  // Models and linear solves (allocated after the doping set-up).
  ModelArrays models;
  SolverArrays solver;
  WorkArrays work;
  DopingTermArrays doping_terms;
  long doping_generation = 0;  // advanced by every doping set-up

  RunProfile profile;

  // The solution file's record and bytes, kept so that writing it again
  // reuses their storage.
  struct OutputBuffers {
    sim::Dop3d solution;
    std::string bytes;
  } output;
};

}  // namespace devora
