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

  // A phase called again stands for a run of its own: while this lives the phase holds the inputs
  // it opens, and then lets them go, so that the next case can write them anew (a held file
  // cannot be written on Windows).
  class RunOfItsOwn {
   public:
    explicit RunOfItsOwn(engine::RunContext& ctx) : ctx_(ctx) {}
    ~RunOfItsOwn() {
      ctx_.risk_file = {};
      ctx_.claims_file = {};
    }
    RunOfItsOwn(const RunOfItsOwn&) = delete;
    RunOfItsOwn& operator=(const RunOfItsOwn&) = delete;

   private:
    engine::RunContext& ctx_;
  };
};

}  // namespace testing_support
