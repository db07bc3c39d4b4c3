#pragma once
// An open file read at any offset, with its size taken when it is opened:
// the one view of an input file that its header is parsed from and its
// audio decoded from, so both see the same bytes however the file changes
// meanwhile. Main thread.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orbexhost {

class FileBytes {
public:
  FileBytes() = default;
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  // Opens path for reading. False with errno set when it cannot be opened.
  bool Open(const std::string& path);

  int64_t Size() const { return mSize; }
  // Reads n bytes at offset; false when the file ends first or a read fails
  // (LastError() then holds the errno).
  bool At(int64_t offset, unsigned char* out, size_t n);
  // Reads up to n bytes at offset, never past Size(); the bytes read, or -1
  // when a read fails.
  int64_t Some(int64_t offset, unsigned char* out, size_t n);
  int LastError() const { return mError; }

private:
  int mFd = -1;
  int64_t mSize = 0;
  int mError = 0;
};

}  // namespace orbexhost
