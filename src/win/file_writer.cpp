#include "win/file_writer.h"

#include <utility>

#include "win/files.h"

namespace kestrion::win {

FileWriter::FileWriter() : thread_([this] { run(); }) {}

FileWriter::~FileWriter() {
  if (thread_.joinable()) finish();
}

void FileWriter::begin(const std::string& path, DWORD attributes, const std::string& tag) {
  flush_pending();
  Item item;
  item.header = Header{path, tag, attributes};
  pending_ = std::move(item);
}

std::vector<char> FileWriter::piece() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!free_.empty()) {
      std::vector<char> piece = std::move(free_.back());
      free_.pop_back();
      return piece;
    }
  }
  return std::vector<char>(kPieceBytes);
}

void FileWriter::give_back(std::vector<char> piece) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (free_.size() < kPieces) free_.push_back(std::move(piece));
}

void FileWriter::add(std::vector<char> piece, size_t bytes) {
  if (pending_ && pending_->data.empty()) {  // the file's header, still without data
    pending_->data = std::move(piece);
    pending_->bytes = bytes;
    return;
  }
  flush_pending();
  Item item;
  item.data = std::move(piece);
  item.bytes = bytes;
  pending_ = std::move(item);
}

void FileWriter::end(const FILETIME* creation, const FILETIME* access,
                     const FILETIME* modification) {
  if (!pending_) pending_ = Item{};
  pending_->last = true;
  if (creation) pending_->creation = *creation;
  if (access) pending_->access = *access;
  if (modification) pending_->modification = *modification;
  flush_pending();
}

void FileWriter::abandon(DWORD error) {
  if (!pending_) pending_ = Item{};
  pending_->last = true;
  pending_->abandoned = error ? error : ERROR_READ_FAULT;
  flush_pending();
}

std::vector<FileWriter::Failure> FileWriter::take_failures() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::exchange(failures_, {});
}

std::vector<FileWriter::Failure> FileWriter::finish() {
  flush_pending();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_one();
  if (thread_.joinable()) thread_.join();
  return take_failures();
}

void FileWriter::flush_pending() {
  if (!pending_) return;
  queue(std::move(*pending_));
  pending_.reset();
}

void FileWriter::queue(Item item) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [&] { return items_.size() < kPieces; });
    items_.push_back(std::move(item));
  }
  ready_.notify_one();
}

void FileWriter::run() {
  for (;;) {
    Item item;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [&] { return !items_.empty() || stopping_; });
      if (items_.empty()) return;
      item = std::move(items_.front());
      items_.pop_front();
    }
    room_.notify_one();
    write(item);
    if (!item.data.empty()) give_back(std::move(item.data));
  }
}

void FileWriter::write(Item& item) {
  if (item.header) {
    current_ = std::move(*item.header);
    error_ = 0;
    out_ = create_in_place(current_.path, current_.attributes);
    made_ = static_cast<bool>(out_);
    if (!made_) error_ = GetLastError() ? GetLastError() : ERROR_CANNOT_MAKE;
  }
  if (item.bytes > 0 && !error_ &&
      !write_all(out_.get(), item.data.data(), static_cast<DWORD>(item.bytes))) {
    error_ = GetLastError();
    if (!error_) error_ = ERROR_WRITE_FAULT;  // a short write says nothing of its own
  }
  if (!item.last) return;
  const bool abandoned = !error_ && item.abandoned;
  if (abandoned) error_ = item.abandoned;
  // The times are the file's own; a system that cannot keep one still has the data.
  if (!error_ && (item.creation || item.access || item.modification))
    SetFileTime(out_.get(), item.creation ? &*item.creation : nullptr,
                item.access ? &*item.access : nullptr,
                item.modification ? &*item.modification : nullptr);
  out_.reset();
  if (!error_) return;
  if (made_) delete_file(current_.path);  // no half-written file is left under its name
  std::lock_guard<std::mutex> lock(mutex_);
  failures_.push_back({current_.tag, current_.path, error_, made_, abandoned});
}

}  // namespace kestrion::win
