#pragma once
// Everything one process-simulator run owns: the deck table and the buffer
// of the statement being read, the model blocks, the values the process
// statements keep between statements, the texts of the run header, the file
// names, and the mesh with all arrays of the run.
// A test can build several of these and run decks side by side.
#include <array>
#include <string>

#include "common/console.hpp"
#include "common/fixed_text.hpp"
#include "common/statement_table.hpp"
#include "process/process_blocks.hpp"
#include "process/process_mesh.hpp"
#include "process/process_tables.hpp"

namespace tavik {

struct ProcessRun {
  explicit ProcessRun(sim::Console& console) : console(console) {}

  sim::Console& console;

  // Deck table and the buffer of the statement being read.
  sim::StatementTable table = process_statement_table();
  sim::ParamBuffer<float> params{kSliceLength};

  // Model blocks (BAND, DIFF, OED, DROX, WEOX, LOCO, SEGR) and SOLVE settings.
  BNDCON bndcon;
  DIFCON difcon;
  OEDCON oedcon;
  OXDCON oxdcon;
  WETCON wetcon;
  LOCCON loccon;
  SEGCON segcon;
  SOLCON solcon;

  // Presence of phosphorus, boron, arsenic (index code-1).
  DOPCNT dopcnt{0, 0, 0};
  int oxidation_count = 0;      // OXID statements with OX not 0
  int interpolation_state = 0;  // set by the step output

  // Values the statements keep between statements.
  MeshValues mesh_values;
  SubstrateValues substrate;
  std::array<DopantValues, 3> dopant{};  // phosphorus, boron, arsenic
  ThermalValues thermal;
  EpitaxyValues epitaxy;

  // COMM texts of the run header (NUL bytes until given), the step comment
  // of the current process statement and the run header of the last tail.
  CommentTexts comm;
  std::string step_comment = sim::fixed("", sim::kTextWidth);
  std::string run_title;

  // File names: the deck as given, its extension and the doping file.
  std::string deck_name;
  std::string extension = "   ";
  std::string doping_file;

  // Mesh, concentrations, per-column surface state and every work array of
  // the steps and the step output (allocated once by MESH).
  ProcessMesh mesh;

  DopantValues& values_of(int code) { return dopant.at(code - 1); }
  int& count_of(int code) { return dopcnt.at(code - 1); }
};

}  // namespace tavik
