// File-name splitting and the bare file name of a path.
#include <gtest/gtest.h>

#include <sstream>

#include "common/fatal_stop.hpp"
#include "common/file_names.hpp"
#include "common/fixed_text.hpp"

namespace {

struct SplitCase {
  std::string name;
  std::string base;
  std::string ext;
  int length;
};

TEST(FileNames, SplitAtTheLastPoint) {
  const std::vector<SplitCase> cases = {
      {"RUN.INP", "RUN", "INP", 3},
      {"C:\\SIM\\RUN.V2.INP", "C:\\SIM\\RUN.V2", "INP", 13},
      {"C:\\SIM.D\\RUN", "C:\\SIM", "D\\R", 6},
      {"RUN.", "RUN", "", 3},
      {"", "", "", 0},
      {std::string(78, 'a') + ".Z", std::string(78, 'a'), "Z", 78},
  };
  for (const auto& c : cases) {
    const auto split = sim::FNEXT(c.name);
    EXPECT_EQ(split.base, sim::fixed(c.base, 80)) << c.name;
    EXPECT_EQ(split.ext, sim::fixed(c.ext, 3)) << c.name;
    EXPECT_EQ(split.length, c.length) << c.name;
  }
}

TEST(FileNames, BareNameOfAPath) {
  EXPECT_EQ(sim::FNPARSE("C:\\SIM\\RUN.INP"), sim::fixed("RUN.INP", 80));
  EXPECT_EQ(sim::FNPARSE("RUN.INP"), sim::fixed("RUN.INP", 80));
  EXPECT_EQ(sim::FNPARSE("/runs/deck/RUN.INP"), sim::fixed("RUN.INP", 80));
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  EXPECT_EQ(sim::run_guarded(console, [] { sim::FNPARSE(std::string(77, 'a')); }), 1);
  EXPECT_EQ(out.str(), " Input file name exceeds 80 characters  \n");
  EXPECT_EQ(sim::run_guarded(console, [] { sim::FNPARSE(std::string(76, 'a')); }), 0);
}

}  // namespace
