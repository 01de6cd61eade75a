#pragma once
// The density functions of one regridding axis pass, as the text file
// "HEAT.2AS" holds them: per function one free-format record with the line
// count and the title, then one record per mesh line with its coordinate in
// microns and the value.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace devora {

inline constexpr std::size_t kHeatTitleWidth = 20;

// The records of one axis pass, kept until the pass ends and then written
// in one go (the file is replaced, never appended to).
struct HeatRecords {
  double LDUM = 1.0;  // microns per internal length unit
  std::string text;
};

// Appends one density function: the record n, " " + title (cut or blank
// padded to 20 characters), then n records (coordinate * LDUM, value).
void REMPRT(HeatRecords& heat, std::span<const double> coordinates, std::span<const double> values,
            std::string_view title);

// head, then number as an integer field of `width` columns (asterisks when
// it does not fit), then a NUL byte, blank padded to the title width.
std::string numbered_heat_title(std::string_view head, long long number, int width);

// Title of a smoothing step: "HEATSM", the neighbour ratio truncated to an
// integer in 3 columns, a NUL byte. A ratio that is not finite or too large
// for any integer field is clamped first (shown as asterisks).
std::string smoothing_title(double ratio);

// Replaces "HEAT.2AS" in the working folder with the records.
void write_heat_file(const HeatRecords& heat);

}  // namespace devora
