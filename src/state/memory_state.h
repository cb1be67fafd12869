// The run state in memory, for running operations and the run sequence without a window.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "state/run_state.h"

namespace kestrion {

class MemoryRunState : public RunState {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned style;
  };

  std::string text(int id) const override;
  void set_text(int id, const std::string& value) override;
  void enable(int id, bool on) override;
  bool enabled(int id) const override;

  void set_progress_range(int low, int high) override;
  void set_progress_pos(int pos) override;
  void set_progress_step(int step) override { step_ = step; }
  void step_progress() override;
  int progress_pos() const override { return pos_; }

  // Answers the next scripted answer, or `default_answer` when none is left.
  int message_box(const std::string& text, const std::string& caption,
                  unsigned style) override;
  void pump_one() override;
  bool running() const override { return running_; }
  void set_running(bool on) override { running_ = on; }

  // Script and record.
  std::deque<int> answers;
  int default_answer = box::answer_ok;
  std::vector<Box> boxes;
  std::vector<std::string> status_history;  // every text set on the status line, in order
  std::vector<int> enable_order;             // ids enabled, in the order of the calls
  int pumps = 0;
  int progress_low = 0, progress_high = 100;
  std::function<void()> on_pump;             // runs inside each pump, like a dispatched message

 private:
  std::map<int, std::string> texts_;
  std::set<int> disabled_;
  int pos_ = 0, step_ = 10;
  bool running_ = false;
};

}  // namespace kestrion
