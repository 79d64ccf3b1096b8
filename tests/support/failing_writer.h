// A file writer that fails as a full disk or a failing drive does: half of its first write
// reaches the file, then the error. Later writes go through, so that a save can put old bytes back.
#pragma once

#include <string_view>

#include "platform/files.h"

namespace korvane::test {

class FailingWriter : public platform::FileWriter {
 public:
  explicit FailingWriter(int err) : err_(err) {}

  int Write(platform::FileHandle file, std::string_view bytes) override {
    if (err_ == 0 || failed_) return FileWriter::Write(file, bytes);
    failed_ = true;
    const int err = FileWriter::Write(file, bytes.substr(0, bytes.size() / 2));
    return err != 0 ? err : err_;
  }

 private:
  int err_;
  bool failed_ = false;
};

}  // namespace korvane::test
