#include <gtest/gtest.h>

#include <sstream>

#include "common/fatal_stop.hpp"

namespace {

TEST(FatalStop, WritesMessageWaitsAndReportsFailure) {
  std::ostringstream out;
  std::istringstream in("\nnext line\n");
  sim::Console console{out, in};
  const int status = sim::run_guarded(console, [] { sim::ERRSTOP(" Not enough memory for basic arrays     "); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.str(), " Not enough memory for basic arrays     \n");
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "next line");  // exactly one line was consumed by the wait
}

TEST(FatalStop, WaitOnInputWithoutLineEndsReturns) {
  std::ostringstream out;
  std::istringstream in(std::string(3000000, 'x'));
  sim::Console console{out, in};
  console.wait_for_enter();
  EXPECT_TRUE(in.good());  // a million characters dropped, the rest left
}

TEST(FatalStop, StopAtOnceDoesNotReadInput) {
  std::ostringstream out;
  std::istringstream in("kept\n");
  sim::Console console{out, in};
  EXPECT_EQ(sim::run_guarded(console, [] { sim::stop_at_once("Keyword XYZ is not recognised"); }), 1);
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "kept");
}

TEST(FatalStop, WaitReturnsAtEndOfInput) {
  std::ostringstream out;
  std::istringstream in("");
  sim::Console console{out, in};
  EXPECT_EQ(sim::run_guarded(console, [] { sim::ERRSTOP("x"); }), 1);
  EXPECT_EQ(sim::run_guarded(console, [] {}), 0);
}

}  // namespace
