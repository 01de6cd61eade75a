#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "common/free_format.hpp"

namespace {

using sim::FreeReadStatus;

TEST(FreeFormat, SeparatorsAndExponentForms) {
  std::istringstream in("1,2\t 3.5\n\n  -4E2, 5d-1 ,6D+1 7.5-3 +8.25+2 .5\n");
  sim::FreeFormatReader reader(in);
  std::vector<double> v(9);
  ASSERT_EQ(reader.read(std::span<double>(v)), FreeReadStatus::ok);
  EXPECT_EQ(v, (std::vector<double>{1, 2, 3.5, -400, 0.5, 60, 7.5e-3, 825, 0.5}));
  EXPECT_EQ(reader.values_read(), 9u);
}

TEST(FreeFormat, EachReadStartsANewRecord) {
  // The rest of the line holding a READ's last value is dropped; CR LF
  // line ends read like LF; the header is skipped whole.
  std::istringstream in("header 1 2\r\n1 2 3 ignored\r\n4\r\n5 6\r\n");
  sim::FreeFormatReader reader(in);
  ASSERT_TRUE(reader.skip_record());
  std::vector<float> two(2);
  ASSERT_EQ(reader.read(std::span<float>(two)), FreeReadStatus::ok);
  EXPECT_EQ(two, (std::vector<float>{1, 2}));
  ASSERT_EQ(reader.read(std::span<float>(two)), FreeReadStatus::ok);  // over two lines
  EXPECT_EQ(two, (std::vector<float>{4, 5}));
  EXPECT_EQ(reader.read(std::span<float>(two)), FreeReadStatus::end_of_file);  // "6" dropped
  EXPECT_EQ(reader.values_read(), 0u);
  EXPECT_FALSE(reader.skip_record());
}

TEST(FreeFormat, EndOfFileMidReadAndBadFields) {
  std::istringstream short_file("1 2\n3");  // no final line end
  sim::FreeFormatReader reader(short_file);
  std::vector<double> v(4, -1.0);
  EXPECT_EQ(reader.read(std::span<double>(v)), FreeReadStatus::end_of_file);
  EXPECT_EQ(reader.values_read(), 3u);
  EXPECT_EQ(v, (std::vector<double>{1, 2, 3, -1}));

  for (const char* bad : {"1 x\n", "1 1.5E\n", "1 --2\n", "1 1e999\n", "1 .\n", "1 2D3x\n"}) {
    std::istringstream in(bad);
    sim::FreeFormatReader r(in);
    std::vector<double> w(2, -1.0);
    EXPECT_EQ(r.read(std::span<double>(w)), FreeReadStatus::bad_value) << bad;
    EXPECT_EQ(r.values_read(), 1u) << bad;
    EXPECT_EQ(w, (std::vector<double>{1, -1})) << bad;  // the bad field stores nothing
  }
}

TEST(FreeFormat, OverlongRecordIsABadValue) {
  std::istringstream in(std::string(sim::kLongestRecord + 1, '1') + "\n2\n");
  sim::FreeFormatReader reader(in);
  std::vector<double> v(1);
  EXPECT_EQ(reader.read(std::span<double>(v)), FreeReadStatus::bad_value);
}

}  // namespace
