#include "shell/unattended.h"

#include <cctype>

namespace kestrion {

namespace {

// Blanks, quotes and "/" are single bytes below 0x40, which no trail byte of the code page ever
// is, so a byte-wise scan of the line finds only the characters themselves.
bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::size_t skip_blanks(const std::string& s, std::size_t i) {
  while (i < s.size() && is_blank(s[i])) ++i;
  return i;
}

// Where the first argument starts: item 0 ends at the next quote when it starts with one (as
// the shell splits it), else at the first blank.
std::size_t after_program_path(const std::string& s) {
  std::size_t i = 0;
  if (!s.empty() && s[0] == '"') {
    i = s.find('"', 1);
    i = i == std::string::npos ? s.size() : i + 1;
  } else {
    while (i < s.size() && !is_blank(s[i])) ++i;
  }
  return skip_blanks(s, i);
}

std::string item_at(const std::string& s, std::size_t i) {
  std::size_t end = i;
  while (end < s.size() && !is_blank(s[end])) ++end;
  return s.substr(i, end - i);
}

bool starts_with_switch(const std::string& s, std::size_t i, const char* name) {
  for (; *name; ++name, ++i)
    if (i >= s.size() || std::toupper(static_cast<unsigned char>(s[i])) != *name) return false;
  return true;
}

}  // namespace

std::optional<Unattended> unattended_switches(const std::string& command_line) {
  std::size_t i = after_program_path(command_line);
  const std::string first = item_at(command_line, i);
  if (first.size() != 2 || !starts_with_switch(first, 0, "/S")) return std::nullopt;

  Unattended u;
  i = skip_blanks(command_line, i + first.size());
  if (i == command_line.size()) return u;
  if (starts_with_switch(command_line, i, "/D=")) {
    std::size_t end = command_line.size();
    while (end > i && is_blank(command_line[end - 1])) --end;
    std::string folder = command_line.substr(i + 3, end - i - 3);
    if (!folder.empty()) {
      u.folder = std::move(folder);
      return u;
    }
  }
  u.refused = item_at(command_line, i);
  return u;
}

std::string unattended_refusal(const std::string& refused) {
  return "静默安装参数无法识别 >>>> ：" + refused;
}

std::string unattended_usage() {
  return "用法：setup(代码).exe /S [/D=安装目录]。/S 必须是第一项（不区分大小写）；"
         "/D= 必须是最后一项，其后直到行尾的全部文字（含空格，不加引号）即安装目录";
}

}  // namespace kestrion

namespace kestrion {

std::string unattended_start_line(const std::string& folder) {
  return "静默安装 >>>> ：安装目录 " + folder;
}

std::string unattended_box_line(const std::string& text) { return "静默安装提示 >>>> ：" + text; }

std::string unattended_end_line(int exit_code, const std::string& status) {
  return "静默安装结束 >>>> ：退出码 " + std::to_string(exit_code) + "，" + status;
}

int unattended_exit_code(const RunEnd& end) {
  namespace code = unattended_exit;
  if (end.outcome == RunOutcome::finished) return code::installed;
  if (end.outcome == RunOutcome::refused) return code::not_finished;
  switch (end.step) {
    case RunStep::check_inputs: return code::no_service_address;
    case RunStep::prepare_folders: return code::folders;
    case RunStep::name_shortcut: return code::shortcut_name;
    case RunStep::find_package: return code::no_package;
    case RunStep::download: return code::download;
    case RunStep::lay_out_files: return code::files;
    case RunStep::register_install: return code::records;
    case RunStep::finish: return code::shortcut;
  }
  return code::not_finished;
}

}  // namespace kestrion
