// Files written on a thread of their own while the caller reads the next ones. Under this
// platform reading a small file costs about as much as writing one, nearly all of it in the
// system's own calls; with the two overlapped a copy or an unpacking goes at about the speed of
// the writing alone.
//
//   win::FileWriter writer;
//   writer.begin(to, attributes, from);
//   std::vector<char> piece = writer.piece();  // fill it, then:
//   writer.add(std::move(piece), n);           // as often as the data comes
//   writer.end(nullptr, nullptr, &modified);   // or abandon(error): the data cannot be had
//   for (const win::FileWriter::Failure& f : writer.finish()) ...
//
// Each file is made in place (create_in_place), written in the order handed over, given the
// times passed to end() and closed. A file that fails is removed and reported with the tag it
// was begun with. At most kPieces pieces of kPieceBytes wait at a time: handing over waits while
// that many do, so memory stays bounded whatever the files' sizes.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "win/handles.h"

namespace kestrion::win {

class FileWriter {
 public:
  static constexpr size_t kPieceBytes = 256 * 1024;
  static constexpr size_t kPieces = 16;

  struct Failure {
    std::string tag;         // what the file was begun with
    std::string path;        // where it was to be written
    DWORD error = 0;         // the system's reason, or the one abandon() gave
    bool made = false;       // the file was made: writing it failed (or it was abandoned)
    bool abandoned = false;  // abandon() ended it
  };

  FileWriter();
  ~FileWriter();  // finishes: what was handed over is written
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  // Starts the file `path` with `attributes` (file_attribute_bits); the last file must have ended.
  void begin(const std::string& path, DWORD attributes, const std::string& tag);
  // Starts writing into `file`, open for writing and the caller's: it is written where its
  // pointer stands, and neither closed nor removed (end() gives it the times that are given).
  void begin_into(HANDLE file, const std::string& tag);
  // A buffer of kPieceBytes for the file's next bytes; one that is not filled may be given back.
  std::vector<char> piece();
  void give_back(std::vector<char> piece);
  // The first `bytes` of `piece` are the file's next bytes.
  void add(std::vector<char> piece, size_t bytes);
  // The file is whole: it gets the times that are given (null: the system's own) and is closed.
  void end(const FILETIME* creation, const FILETIME* access, const FILETIME* modification);
  // The rest of the file cannot be had: it is removed and reported with `error`.
  void abandon(DWORD error);

  // The bytes written so far, of every file: on disk, as far as the system is concerned.
  std::uint64_t written() const { return written_.load(); }

  // The failures so far, in the order of the files; each is handed out once.
  std::vector<Failure> take_failures();
  // Waits until every file handed over is written or has failed; returns the failures not yet
  // taken. Nothing may be handed over afterwards.
  std::vector<Failure> finish();

 private:
  struct Header {
    std::string path, tag;
    DWORD attributes = 0;
    HANDLE into = INVALID_HANDLE_VALUE;  // the caller's file, else one made at `path`
  };
  struct Item {
    std::optional<Header> header;  // the first item of a file
    std::vector<char> data;
    size_t bytes = 0;
    bool last = false;
    DWORD abandoned = 0;  // the last item: the reason the file cannot be whole
    std::optional<FILETIME> creation, access, modification;
  };

  void queue(Item item);
  void flush_pending();
  void run();
  void write(Item& item);

  // The system's own lock and conditions: the standard library's cost the program more.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE ready_ = CONDITION_VARIABLE_INIT;  // an item for the writing thread, or the end
  CONDITION_VARIABLE room_ = CONDITION_VARIABLE_INIT;   // the queue has room again
  std::array<Item, kPieces> items_;  // a ring: `queued_` items from `first_`
  size_t first_ = 0, queued_ = 0;
  std::vector<std::vector<char>> free_;  // pieces written, to be filled again
  bool stopping_ = false;
  std::vector<Failure> failures_;
  std::atomic<std::uint64_t> written_{0};

  // The reader's side: the item being filled, queued when the next one comes or at the end.
  std::optional<Item> pending_;

  // The writing thread's side: the file being written.
  FileHandle out_;  // the file made here
  HANDLE target_ = INVALID_HANDLE_VALUE;  // out_, or the caller's file
  Header current_;
  DWORD error_ = 0;
  bool made_ = false;

  std::thread thread_;
};

}  // namespace kestrion::win
