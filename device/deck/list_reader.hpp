#pragma once
// Reading a list statement: items of NAME=value lists, each ended by ";",
// the whole list ended by "}". Every item after the first starts with its
// own keyword, which must belong to the list's statement family.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/deck_reader.hpp"
#include "device/run_state.hpp"
#include "device/deck/tables.hpp"

namespace devora {

struct ListRules {
  std::vector<int> family;                  // keywords that may start an item
  int capacity;                             // items the list can hold
  std::string_view item_word;               // "items", "regions", ... for messages
};

// Called per item with its keyword number and its 1-based position.
using ItemHook = std::function<void(int k, int item)>;

// Reads the list whose first keyword `k` has just been read. Before each
// item's NAME=value list is read, its given flags are cleared and
// `prepare` runs; after it, `store` runs with run.params holding the item.
// Returns the number of items. A "$" inside the list ends the list and sets
// run.params.end_of_deck, so that the deck ends as well.
int read_list(DeviceRun& run, sim::DeckReader& reader, int k, const ListRules& rules,
              const ItemHook& prepare, const ItemHook& store);

// One item as the list buffer holds it: a real and a text per slot.
struct ListRow {
  ListRow();
  std::array<double, kWorkBufferSize> real{};
  std::array<std::string, kWorkBufferSize> text;
};

// Copies the given slots of the current item into `row`: numbers into the
// real column, texts into the text column.
void copy_given(const sim::ParamBuffer<double>& params, ListRow& row);

// Slot j as a 4-byte integer (truncated toward zero; a value outside the
// integer range stops with the number message naming the parameter).
int checked_int(const sim::ParamBuffer<double>& params, int j);

// Message text padded as the program's fixed messages are stored.
std::string padded(std::string_view message, std::size_t width = 40);

}  // namespace devora
