#include "state/memory_state.h"

#include <algorithm>

namespace kestrion {

std::string MemoryRunState::text(int id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? std::string() : it->second;
}

void MemoryRunState::set_text(int id, const std::string& value) {
  texts_[id] = value;
  if (id == ctl::status) status_history.push_back(value);
}

void MemoryRunState::enable(int id, bool on) {
  if (on) {
    disabled_.erase(id);
    enable_order.push_back(id);
  } else {
    disabled_.insert(id);
  }
}

bool MemoryRunState::enabled(int id) const { return disabled_.count(id) == 0; }

void MemoryRunState::set_progress_range(int low, int high) {
  progress_low = low;
  progress_high = high;
  pos_ = std::clamp(pos_, low, std::max(low, high));
}

void MemoryRunState::set_progress_pos(int pos) {
  pos_ = std::clamp(pos, progress_low, std::max(progress_low, progress_high));
}

void MemoryRunState::step_progress() {
  // Like the control: stepping past the top starts over from the bottom.
  pos_ += step_;
  if (pos_ > progress_high && progress_high > progress_low)
    pos_ = (pos_ - progress_low) % (progress_high - progress_low) + progress_low;
}

int MemoryRunState::message_box(const std::string& text, const std::string& caption,
                                unsigned style) {
  boxes.push_back({text, caption, style});
  if (answers.empty()) return default_answer;
  int a = answers.front();
  answers.pop_front();
  return a;
}

void MemoryRunState::pump_one() {
  ++pumps;
  if (on_pump) on_pump();
}

}  // namespace kestrion
