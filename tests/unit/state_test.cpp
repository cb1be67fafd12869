// The in-memory run state and pump_messages.
#include <gtest/gtest.h>

#include "state/memory_state.h"

using kestrion::MemoryRunState;
namespace ctl = kestrion::ctl;

TEST(MemoryRunState, UnwrittenControlsAreEmptyAndEnabled) {
  MemoryRunState s;
  EXPECT_EQ(s.text(ctl::package_version), "");
  EXPECT_TRUE(s.enabled(ctl::run));
  s.enable(ctl::run, false);
  EXPECT_FALSE(s.enabled(ctl::run));
}

TEST(MemoryRunState, RecordsStatusHistoryAndScriptedAnswers) {
  MemoryRunState s;
  s.set_text(ctl::status, "a");
  s.set_text(ctl::service_address, "x");
  s.set_text(ctl::status, "b");
  EXPECT_EQ(s.status_history, (std::vector<std::string>{"a", "b"}));
  s.answers = {kestrion::box::answer_no};
  EXPECT_EQ(s.message_box("q", "", kestrion::box::yes_no), kestrion::box::answer_no);
  EXPECT_EQ(s.message_box("r", "", kestrion::box::ok), kestrion::box::answer_ok);
  ASSERT_EQ(s.boxes.size(), 2u);
  EXPECT_EQ(s.boxes[0].style, kestrion::box::yes_no);
}

TEST(PumpMessages, PumpsCountTimesThenSteps) {
  struct Case {
    int count, steps, pumps, pos;
  } cases[] = {{10, 0, 10, 0}, {10, 1, 10, 10}, {10, 5, 10, 50}, {100, 0, 100, 0}};
  for (auto c : cases) {
    MemoryRunState s;
    s.set_progress_range(0, 1000);
    kestrion::pump_messages(s, c.count, c.steps);
    EXPECT_EQ(s.pumps, c.pumps);
    EXPECT_EQ(s.progress_pos(), c.pos);
  }
}

TEST(PumpMessages, StepsFollowTheLastStepSize) {
  MemoryRunState s;
  s.set_progress_pos(1);
  s.set_progress_step(2);
  kestrion::pump_messages(s, 10, 20);
  EXPECT_EQ(s.progress_pos(), 41);
}

TEST(EnableInputs, EnablesTheFourInputsInOrder) {
  MemoryRunState s;
  for (int id : {ctl::run, ctl::browse, ctl::service_address, ctl::install_folder})
    s.enable(id, false);
  kestrion::enable_inputs(s);
  EXPECT_EQ(s.enable_order,
            (std::vector<int>{ctl::run, ctl::browse, ctl::service_address, ctl::install_folder}));
  EXPECT_TRUE(s.enabled(ctl::install_folder));
}
