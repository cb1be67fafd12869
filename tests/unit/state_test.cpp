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

// The passes and steps of each mark as one sequence ('p' a pass, 's' a step): the counts are the
// mark's, and the steps are spread after the passes, so no run of steps is longer than its share.
TEST(PumpMessages, StepsSpreadAmongThePasses) {
  struct Sequence : MemoryRunState {
    std::string order;
    void pump_one() override {
      order += 'p';
      MemoryRunState::pump_one();
    }
    void step_progress() override {
      order += 's';
      MemoryRunState::step_progress();
    }
  };
  struct Case {
    int count, steps;
    const char* order;
  } cases[] = {
      {10, 0, "pppppppppp"},
      {10, 1, "pppppppppps"},
      {4, 4, "pspspsps"},
      {4, 8, "psspsspsspss"},
      {5, 2, "pppspps"},
      {3, 10, "pssspssspssss"},
      {0, 3, "sss"},
  };
  for (const auto& c : cases) {
    Sequence s;
    s.set_progress_range(0, 1000);
    kestrion::pump_messages(s, c.count, c.steps);
    EXPECT_EQ(s.order, c.order) << c.count << " passes, " << c.steps << " steps";
    EXPECT_EQ(s.pumps, c.count);
    EXPECT_EQ(s.progress_pos(), c.steps * 10);
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
