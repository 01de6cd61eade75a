#pragma once
// One line of a text file read with bounded memory: the first characters
// are kept, the rest of the line is read and dropped.
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>

namespace sim {

enum class LineStatus {
  ok,           // a line (possibly empty, possibly cut to `keep` characters)
  end_of_file,  // nothing left to read
  too_long,     // the line runs on beyond `limit` characters: not a text file
};

// Reads up to the next line end, keeping at most `keep` characters in
// `line`; a CR before the line end (CR LF files) is dropped. A line longer
// than `limit` characters ends the read with too_long, so that endless
// input without line ends (a device file, a binary file) cannot hold the
// reader forever.
LineStatus read_line(std::istream& in, std::string& line, std::size_t keep, std::size_t limit);

// Opens a data file for reading, never creating it. Only a regular file is
// opened: a directory or a device file gives a stream that is not open.
std::ifstream open_data_file(const std::filesystem::path& path, std::ios::openmode mode = std::ios::in);

}  // namespace sim
