#include "device/deck/list_reader.hpp"

#include <algorithm>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"

namespace devora {

namespace {

bool in_family(const ListRules& rules, int k) {
  return std::find(rules.family.begin(), rules.family.end(), k) != rules.family.end();
}

std::string keyword_of(const DeviceRun& run, int k) {
  return std::string(sim::rtrim(run.table.keywords[static_cast<std::size_t>(k - 1)]));
}

// The keyword of the next item, or 0 when the list is complete ("}" or "$").
// Stray ";" between items are skipped.
int next_item_keyword(DeviceRun& run, sim::DeckReader& reader, int list_k, const ListRules& rules) {
  for (;;) {
    int status = 0;
    const int k = reader.RDKEYW(run.table.keywords, 6, status);
    if (status == sim::kSemicolon) continue;
    if (status == sim::kBrace) return 0;
    if (status == sim::kDollar) {
      run.params.end_of_deck = true;
      return 0;
    }
    if (!in_family(rules, k)) {
      // A list left open runs into the next statement: name both.
      sim::ERRSTOP(" Keyword " + keyword_of(run, k) + " inside the " + keyword_of(run, list_k) +
                   " list: close the list with }");
    }
    return k;
  }
}

}  // namespace

ListRow::ListRow() { text.fill(sim::fixed("", sim::kTextWidth)); }

int read_list(DeviceRun& run, sim::DeckReader& reader, int k, const ListRules& rules,
              const ItemHook& prepare, const ItemHook& store) {
  const int list_k = k;
  int items = 0;
  while (k != 0) {
    if (items == rules.capacity) {
      sim::ERRSTOP(" Too many " + std::string(rules.item_word) + " in the " + keyword_of(run, list_k) +
                   " list: at most " + std::to_string(rules.capacity));
    }
    run.params.begin_statement(run.table.keywords[static_cast<std::size_t>(k - 1)],
                               run.table.slice_names(k), run.table.slice_kinds(k));
    prepare(k, items + 1);
    sim::RDPARM(reader, run.params);
    ++items;
    store(k, items);
    if (run.params.end_of_deck || run.params.endflag == 1) break;
    k = next_item_keyword(run, reader, list_k, rules);
  }
  return items;
}

void copy_given(const sim::ParamBuffer<double>& params, ListRow& row) {
  for (int j = 1; j <= params.count(); ++j) {
    if (!params.given(j)) continue;
    if (params.kinds()[static_cast<std::size_t>(j - 1)] == sim::kTextKind) {
      row.text[static_cast<std::size_t>(j - 1)] = params.text(j);
    } else {
      row.real[static_cast<std::size_t>(j - 1)] = params.value(j);
    }
  }
}

int checked_int(const sim::ParamBuffer<double>& params, int j) { return sim::truncate_to_int(params, j); }

std::string padded(std::string_view message, std::size_t width) {
  std::string s(message);
  if (s.size() < width) s.resize(width, ' ');
  return s;
}

}  // namespace devora
