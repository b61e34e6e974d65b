#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/field_checks.h"
#include "support/phase_test.h"

namespace {

struct DateCase {
  std::string text;
  bool valid;
  bool notice;
};

class ValidaDataTest : public testing_support::PhaseTest {};

TEST_F(ValidaDataTest, PlausibleDates) {
  const std::vector<DateCase> cases{
      {"20240229", true, false},  {"20000229", true, false},    {"19000101", true, false},
      {"20291231", true, false},  {"2023 101", true, false},    {"202301 1", true, false},
      {"+2024...", false, false}, {"20240229XYZ", true, false},  // only eight characters count
      {"$7E80101", true, false},                                 // the year in hexadecimal: 2024
      {"2024$C01", true, false},                                 // month 12
      {"20240x1F", false, false},                                // month "0x" has no digits
      {"18991231", false, false}, {"20300101", false, false},   {"00000000", false, false},
      {"", false, false},         {"2024", false, false},       {"202401", false, false},
      {"2024011 ", false, false}, {"2024 1 1", true, false},    {"2O240101", false, false},
      {"-2024101", false, false}, {"        ", false, false},   {"x7E80101", true, false},
      {"20230229", false, true},  {"19000229", false, true},    {"20241301", false, true},
      {"20240001", false, true},  {"20240100", false, true},    {"20240431", false, true},
      {"2024-101", false, true},  // month -1
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE("text '" + c.text + "'");
    host_.notices.clear();
    EXPECT_EQ(engine::ValidaData(ctx_, c.text), c.valid);
    EXPECT_EQ(host_.notices.size(), c.notice ? 1u : 0u);
  }
}

TEST_F(ValidaDataTest, NoticeCarriesTheWholeText) {
  EXPECT_FALSE(engine::ValidaData(ctx_, "20230229  "));
  ASSERT_EQ(host_.notices.size(), 1u);
  // Windows-1252: the accented a is the byte 0xE1.
  EXPECT_EQ(host_.notices[0], "Data Inv\xE1lida : 20230229  ");
}

TEST_F(ValidaDataTest, YearWindowFollowsTheRunYear) {
  ctx_.current_year = 2030;
  EXPECT_TRUE(engine::ValidaData(ctx_, "20350101"));
  EXPECT_FALSE(engine::ValidaData(ctx_, "20360101"));
  ctx_.current_year = 1990;
  EXPECT_FALSE(engine::ValidaData(ctx_, "19960101"));
  EXPECT_TRUE(host_.notices.empty());
}

}  // namespace
