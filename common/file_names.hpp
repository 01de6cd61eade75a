#pragma once
// File names as the programs handle them: texts of at most 80 characters,
// split at their last "." into a base and a three-character extension.
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace sim {

inline constexpr std::size_t kFileNameWidth = 80;

struct SplitName {
  std::string base;  // name before the last ".", blank padded to 80
  std::string ext;   // three characters after it, blank padded
  int length = 0;    // characters before the last "."; 0 without a "."
};

// Splits a file name (first 80 characters) at its last ".".
SplitName FNEXT(std::string_view name);

// The file name after the last directory separator ("\" or "/"), up to the
// first blank, blank padded to 80. Stops the run when the first 77
// characters hold no blank.
std::string FNPARSE(std::string_view path);

// Stops with " Input file name exceeds 80 characters  " when a command-line
// name is longer than a file-name field.
void check_name_length(std::string_view name);

// Opens a deck for reading: the derived upper-case name first; where that
// does not exist (case-sensitive file systems) the name as given. Stops
// with a message naming the file when neither can be read.
std::ifstream open_deck(const std::string& derived_name, const std::string& given_name,
                        std::string_view failure_message);

}  // namespace sim
