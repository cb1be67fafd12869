#include "win/file_writer.h"

#include <utility>

#include "win/files.h"

namespace kestrion::win {

namespace {

// Holds a lock for its lifetime.
class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~Locked() { ReleaseSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  // Waits on `condition` until `done()`, the lock released meanwhile.
  template <typename Done>
  void wait(CONDITION_VARIABLE& condition, Done done) {
    while (!done()) SleepConditionVariableSRW(&condition, &lock_, INFINITE, 0);
  }

 private:
  SRWLOCK& lock_;
};

}  // namespace

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

void FileWriter::begin_into(HANDLE file, const std::string& tag) {
  flush_pending();
  Item item;
  item.header = Header{std::string(), tag, 0, file};
  pending_ = std::move(item);
}

std::vector<char> FileWriter::piece() {
  {
    Locked lock(lock_);
    if (!free_.empty()) {
      std::vector<char> piece = std::move(free_.back());
      free_.pop_back();
      return piece;
    }
  }
  return std::vector<char>(kPieceBytes);
}

void FileWriter::give_back(std::vector<char> piece) {
  Locked lock(lock_);
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
  Locked lock(lock_);
  return std::exchange(failures_, {});
}

std::vector<FileWriter::Failure> FileWriter::finish() {
  flush_pending();
  {
    Locked lock(lock_);
    stopping_ = true;
  }
  WakeConditionVariable(&ready_);
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
    Locked lock(lock_);
    lock.wait(room_, [&] { return queued_ < kPieces; });
    items_[(first_ + queued_++) % kPieces] = std::move(item);
  }
  WakeConditionVariable(&ready_);
}

void FileWriter::run() {
  for (;;) {
    Item item;
    {
      Locked lock(lock_);
      lock.wait(ready_, [&] { return queued_ > 0 || stopping_; });
      if (queued_ == 0) return;
      item = std::move(items_[first_]);
      first_ = (first_ + 1) % kPieces;
      --queued_;
    }
    WakeConditionVariable(&room_);
    write(item);
    if (!item.data.empty()) give_back(std::move(item.data));
  }
}

void FileWriter::write(Item& item) {
  if (item.header) {
    current_ = std::move(*item.header);
    error_ = 0;
    made_ = false;
    if (current_.into != INVALID_HANDLE_VALUE) {
      target_ = current_.into;
    } else {
      out_ = create_in_place(current_.path, current_.attributes);
      made_ = static_cast<bool>(out_);
      target_ = out_.get();
      if (!made_) error_ = GetLastError() ? GetLastError() : ERROR_CANNOT_MAKE;
    }
  }
  if (item.bytes > 0 && !error_) {
    if (write_all(target_, item.data.data(), static_cast<DWORD>(item.bytes))) {
      written_ += item.bytes;
    } else {
      error_ = GetLastError();
      if (!error_) error_ = ERROR_WRITE_FAULT;  // a short write says nothing of its own
    }
  }
  if (!item.last) return;
  const bool abandoned = !error_ && item.abandoned;
  if (abandoned) error_ = item.abandoned;
  // The times are the file's own; a system that cannot keep one still has the data.
  if (!error_ && (item.creation || item.access || item.modification))
    SetFileTime(target_, item.creation ? &*item.creation : nullptr,
                item.access ? &*item.access : nullptr,
                item.modification ? &*item.modification : nullptr);
  out_.reset();
  target_ = INVALID_HANDLE_VALUE;
  if (!error_) return;
  if (made_) delete_file(current_.path);  // no half-written file is left under its name
  Locked lock(lock_);
  failures_.push_back({current_.tag, current_.path, error_, made_, abandoned});
}

}  // namespace kestrion::win
