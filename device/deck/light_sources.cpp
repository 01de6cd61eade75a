// Light sources (LSRC items): spectrum file, direction, window and the
// transmission and reflection factors of each source; the line count of
// every spectrum file sizes the spectral-line table.
#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/deck/list_reader.hpp"
#include "device/deck/list_statements.hpp"
#include "device/setup/spectrum_count.hpp"

namespace devora {

namespace {

constexpr std::string_view kMemoryMessage = " Not enough memory for photo spectra data arrays";
constexpr std::size_t kMemoryMessageWidth = 49;
constexpr std::size_t kValuesPerLine = 6;

enum SourceSlot : int { kSfil = 1, kNspc, kItlt, kXlft, kXrgt, kYtop, kYbot, kFlux, kTran, kRefl, kTrfl };

constexpr std::size_t col(int slot) { return static_cast<std::size_t>(slot - 1); }

[[noreturn]] void memory_stop() { sim::ERRSTOP(padded(kMemoryMessage, kMemoryMessageWidth)); }

// Defaults of a source: from the top, over the whole device as it stands
// now, fully transmitted, no reflections.
void set_source_defaults(DeviceRun& run) {
  sim::ParamBuffer<double>& p = run.params;
  p.value(kItlt) = 1.0;
  p.value(kXlft) = 0.0;
  p.value(kXrgt) = run.geom.XX;
  p.value(kYtop) = 0.0;
  p.value(kYbot) = run.geom.YY;
  p.value(kTran) = 1.0;
  p.value(kRefl) = 0.0;
  p.value(kTrfl) = 0.0;
}

// Every slot of the item is kept, given or not. The spectrum file and the
// flux have no default and must be given for each source.
void store_source(DeviceRun& run, ListRow& row, int item) {
  const sim::ParamBuffer<double>& p = run.params;
  for (const auto& [slot, name] : {std::pair{kSfil, "SFIL"}, std::pair{kFlux, "FLUX"}})
    if (!p.given(slot))
      sim::ERRSTOP(" Light source " + std::to_string(item) + " of the LSRC list gives no " + name);
  row.text[col(kSfil)] = p.text(kSfil);
  for (int slot = kNspc; slot <= kTrfl; ++slot) row.real[col(slot)] = p.value(slot);
  if (p.given(kItlt)) row.real[col(kItlt)] = checked_int(p, kItlt);
}

void allocate_sources(LSRCTAB& s, std::size_t n) {
  if (s.allocated) memory_stop();
  try {
    s.SFIL.assign(n, sim::fixed("", sim::kTextWidth));
    s.NSPC.assign(n, 0);
    s.ITLT.assign(n, 0);
    for (auto* v : {&s.XLFT, &s.XRGT, &s.YTOP, &s.YBOT, &s.FLUX, &s.TRAN, &s.REFL, &s.TRFL})
      v->assign(n, 0.0);
  } catch (const std::bad_alloc&) {
    memory_stop();
  }
  s.allocated = true;
  s.NLSRC = static_cast<int>(n);
}

void fill_source(DeviceRun& run, const ListRow& r, std::size_t i) {
  LSRCTAB& s = run.lsrctab;
  s.SFIL[i] = r.text[col(kSfil)];
  s.NSPC[i] = SPCOUNT(run.console, s.SFIL[i]);  // the deck's NSPC is not used
  s.ITLT[i] = static_cast<int>(r.real[col(kItlt)]);
  s.XLFT[i] = r.real[col(kXlft)];
  s.XRGT[i] = r.real[col(kXrgt)];
  s.YTOP[i] = r.real[col(kYtop)];
  s.YBOT[i] = r.real[col(kYbot)];
  s.FLUX[i] = r.real[col(kFlux)];
  s.TRAN[i] = r.real[col(kTran)];
  s.REFL[i] = r.real[col(kRefl)];
  s.TRFL[i] = r.real[col(kTrfl)];
}

}  // namespace

void read_light_source_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  std::vector<ListRow> rows;
  const ListRules rules{{kLSRC}, kLightSourceCapacity, "light sources"};
  const auto prepare = [&](int, int) {
    rows.emplace_back();
    set_source_defaults(run);
  };
  const auto store = [&](int, int item) { store_source(run, rows.back(), item); };
  read_list(run, reader, k, rules, prepare, store);

  allocate_sources(run.lsrctab, rows.size());
  std::int64_t lines = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    fill_source(run, rows[i], i);
    lines += run.lsrctab.NSPC[i];
  }
  try {
    run.lsrctab.spectral_lines.assign(kValuesPerLine * static_cast<std::size_t>(lines), 0.0);
  } catch (const std::bad_alloc&) {
    memory_stop();
  }
}

void size_light_source_work_table(DeviceRun& run) {
  LSRCTAB& s = run.lsrctab;
  if (!s.allocated) return;
  try {
    s.GENW.assign(static_cast<std::size_t>(s.NLSRC) * static_cast<std::size_t>(run.igrid.NY), 0.0);
  } catch (const std::bad_alloc&) {
    memory_stop();
  }
}

}  // namespace devora
