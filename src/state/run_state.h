// The run state: every value a run works on is the text of a dialog control, addressed by id
// (see ids.h). Operations reach the dialog only through this interface; the dialog implements
// it on its real controls, tests in memory.
#pragma once

#include <cstddef>
#include <string>

#include "state/ids.h"

namespace kestrion {

// Message-box styles and answers, with the values the system uses.
namespace box {
constexpr unsigned ok = 0x0;
constexpr unsigned yes_no = 0x4;
constexpr unsigned icon_question = 0x20;
constexpr unsigned icon_warning = 0x30;
constexpr unsigned icon_info = 0x40;
constexpr int answer_ok = 1;
constexpr int answer_yes = 6;
constexpr int answer_no = 7;
}  // namespace box

// The longest text the status line gets (the framework's 255-byte buffer): longer system texts
// are cut on a character boundary.
constexpr std::size_t kStatusTextBytes = 254;

// Why an operation gave no result: it already put the reason on the status line, or it left
// the words to its caller.
enum class Refusal { reported, silent };

class RunState {
 public:
  virtual ~RunState() = default;

  // Control texts, bytes of the ANSI code page. A control nobody wrote reads as "".
  virtual std::string text(int id) const = 0;
  virtual void set_text(int id, const std::string& value) = 0;
  virtual void enable(int id, bool on) = 0;
  virtual bool enabled(int id) const = 0;

  // The progress bar (ctl::progress).
  virtual void set_progress_range(int low, int high) = 0;
  virtual void set_progress_pos(int pos) = 0;
  virtual void set_progress_step(int step) = 0;
  virtual void step_progress() = 0;
  virtual int progress_pos() const = 0;

  // A message box owned by the dialog; an empty caption shows the application name.
  virtual int message_box(const std::string& text, const std::string& caption = {},
                          unsigned style = box::ok) = 0;

  // Takes at most one pending message of the thread, translates and dispatches it.
  virtual void pump_one() = 0;

  // True while the run sequence executes.
  virtual bool running() const = 0;
  virtual void set_running(bool on) = 0;
};

// Enables the input controls again after a failed step, in the order of ctl::inputs; nothing
// while a run is in progress (the run enables them when it ends).
void enable_inputs(RunState& state);

// Drains up to `count` pending messages (each pass looks once; an empty queue does not end the
// loop early) and steps the progress bar `steps` times, the steps spread evenly after the passes
// (all of them when `count` is 0), so that no long run of steps goes without a pass.
void pump_messages(RunState& state, int count, int steps);

}  // namespace kestrion
