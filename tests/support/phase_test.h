#pragma once
// A base for tests that call one phase of a run directly: a temporary program folder, a
// recording host, the run's tables and state, pt_BR settings and the context tying them together.
#include <gtest/gtest.h>

#include "engine/regional.h"
#include "engine/validation_run.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace testing_support {

class PhaseTest : public ::testing::Test {
 protected:
  TempDir dir_;
  RecordingHost host_;
  engine::RunTables tables_;
  engine::RunState state_;
  engine::Regional regional_ = engine::Regional::PtBr();
  engine::RunContext ctx_{host_, tables_, state_, regional_, dir_.folder(), 2024, "", ""};

  // A phase called again stands for a run of its own: the inputs, written anew, are opened anew.
  void OpenInputsAnew() {
    ctx_.risk_file = {};
    ctx_.claims_file = {};
  }
};

}  // namespace testing_support
