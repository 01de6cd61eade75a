#pragma once
// Everything one device-simulator run owns: the deck tables and work
// buffers, the named blocks, and the arrays sized from the deck. A test can
// build two of these and run a deck twice.
#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/statement_table.hpp"
#include "device/blocks.hpp"
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

  // The device mesh: coordinates, spacings and control widths per axis, and
  // the electrodes on the top and bottom surface of every column.
  struct MeshArrays {
    std::vector<double> X, HX, WX;  // NX: columns, 1/spacing (0 at the end), control width
    std::vector<double> Y, HY, WY;  // NY: rows, likewise
    std::vector<int> ETOP, EBOT;    // NX: electrode row (1-based) on the top/bottom node, 0 none
  } mesh;
  REGOUT regout;

  // I-V curves given by IVDA statements (none without one).
  int NCURV = 0;
  IvResults iv;  // I-V result tables (IVDA allocates them)

  // Basic arrays, allocated after the deck.
  std::vector<std::vector<double>> basic_x;      // 7 arrays of NX reals
  std::vector<std::vector<int>> basic_x_int;     // 2 arrays of NX integers
  std::vector<std::vector<double>> basic_y;      // 3 arrays of NY reals
  std::vector<std::vector<double>> basic_nodes;  // 26 arrays of N reals

  // Supplementary arrays, allocated after the doping set-up.
  std::vector<std::vector<double>> suppl_nodes;  // 47 arrays of N reals
  std::vector<double> suppl_history;             // MAXPOI reals
};

}  // namespace devora
