// The table of controls: where each control stands when the window is resized or scaled.
#include "frontend/control_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using frontend::FindControl;
using frontend::Place;
using frontend::Rect;

TEST(ControlTableTest, ResizingMovesTheRightColumnStretchesTheLogAndKeepsTheRest) {
  struct Row {
    const char* name;
    Rect designed;
    Rect at_900x700;
  };
  const Row rows[] = {
      {"edArqRisco", {8, 26, 445, 23}, {8, 26, 445, 23}},
      {"SpeedButton3", {456, 73, 23, 23}, {456, 73, 23, 23}},
      {"ProgressBar", {488, 8, 17, 88}, {488, 8, 17, 88}},
      {"btnOk", {514, 8, 111, 27}, {746, 8, 111, 27}},
      {"btnAjuda", {630, 8, 27, 27}, {862, 8, 27, 27}},
      {"btnExporta", {514, 39, 143, 27}, {746, 39, 143, 27}},
      {"btnFechar", {514, 70, 143, 27}, {746, 70, 143, 27}},
      // The log ends above the verdict strip, which keeps its height along the bottom edge.
      {"edLog", {0, 104, 668, 427}, {0, 104, 900, 576}},
      {"sbVeredito", {0, 531, 668, 20}, {0, 680, 900, 20}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const frontend::ControlSpec* control = FindControl(row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(Place(*control, 668, 551), row.designed);
    EXPECT_EQ(Place(*control, 900, 700), row.at_900x700);
  }
  // The lower buttons are as wide as the run button and the help button together, and the
  // progress bar is as tall as the two rows of path boxes.
  const Rect ok = FindControl("btnOk")->rect;
  const Rect help = FindControl("btnAjuda")->rect;
  EXPECT_EQ(FindControl("btnExporta")->rect.width, help.left + help.width - ok.left);
  const Rect claims = FindControl("edArqSinistro")->rect;
  EXPECT_EQ(FindControl("ProgressBar")->rect.height,
            claims.top + claims.height - FindControl("Label3")->rect.top);
  // At the smallest width the buttons stop at the progress bar without covering it.
  const Rect bar = FindControl("ProgressBar")->rect;
  EXPECT_GE(Place(*FindControl("btnOk"), frontend::kMinimumClientWidth, 551).left,
            bar.left + bar.width);
}

TEST(ControlTableTest, ScalingByDpiKeepsTheGapsAndTheAnchors) {
  // 144 DPI: everything 1.5 times as large, the right column still flush with the right edge.
  const Rect ok = Place(*FindControl("btnOk"), 1002, 827, 144);
  EXPECT_EQ(ok, (Rect{771, 12, 167, 41}));
  const Rect help = Place(*FindControl("btnAjuda"), 1002, 827, 144);
  EXPECT_EQ(1002 - (help.left + help.width), 16);  // 11 pixels at 96 DPI, scaled and rounded
  EXPECT_EQ(Place(*FindControl("edLog"), 1002, 827, 144), (Rect{0, 156, 1002, 641}));
  EXPECT_EQ(Place(*FindControl("sbVeredito"), 1002, 827, 144), (Rect{0, 797, 1002, 30}));
}

TEST(ControlTableTest, NamesAndIdentifiersAreUniqueAndTheRunButtonIsIdOk) {
  std::set<std::string> names;
  std::set<int> ids;
  for (const frontend::ControlSpec& control : frontend::Controls()) {
    EXPECT_TRUE(names.insert(std::string(control.name)).second) << control.name;
    EXPECT_TRUE(ids.insert(control.id).second) << control.name;
  }
  EXPECT_EQ(FindControl("btnOk")->id, 1);
  EXPECT_EQ(FindControl("nada"), nullptr);
}

}  // namespace
