#pragma once
// The list statements: each reads its whole list of items and builds the
// table the later stages use.
#include "common/deck_reader.hpp"
#include "device/run_state.hpp"

namespace devora {

// DOPA/DOPF -> DOPBOX, PHOT/PHOF -> PHOBOX.
void read_box_list(DeviceRun& run, sim::DeckReader& reader, int k);

// OHMI/SCHO/GATE -> ELECTAB with its labels and number index.
void read_electrode_list(DeviceRun& run, sim::DeckReader& reader, int k);

// IVDA -> CURVTAB and the I-V result tables.
void read_curve_list(DeviceRun& run, sim::DeckReader& reader, int k);

// OXID -> OXIDE, RCMR -> RCMRG, REME -> REMCOM.
void read_oxide_list(DeviceRun& run, sim::DeckReader& reader, int k);
void read_recombination_list(DeviceRun& run, sim::DeckReader& reader, int k);
void read_remesh_list(DeviceRun& run, sim::DeckReader& reader, int k);

// LSRC -> LSRCTAB; counts the lines of every spectrum file.
void read_light_source_list(DeviceRun& run, sim::DeckReader& reader, int k);

// After the deck: the generation work table of the light sources, one row
// of NY values per source.
void size_light_source_work_table(DeviceRun& run);

}  // namespace devora
