#pragma once
// The deck name of a process run: split into the part before the extension
// and a three-character extension, checked, and the doping file's name
// derived from it.
#include <string>
#include <string_view>

namespace tavik {

struct DeckNameParts {
  std::string base;       // the first n characters of the name
  std::string extension;  // three characters, blank padded
  int n = 0;              // characters before the first blank or "." of the file name
};

// FNEXTP: the file-name part (after the last "/" or "\") is searched for its
// first blank or ".", which must lie within columns 1-77 of the name; a
// name of more than 80 characters, or one without such a mark, stops with
// " Input file name exceeds 80 characters  ".
DeckNameParts FNEXTP(std::string_view name);

// "INP", "inp" or no extension (three blanks).
bool deck_extension_accepted(std::string_view extension);

// The first n characters of the deck name followed by ".3D", blank padded to 80.
std::string doping_file_name(const DeckNameParts& parts);

}  // namespace tavik
