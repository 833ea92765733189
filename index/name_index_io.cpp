#include "index/name_index_io.h"

#include <algorithm>
#include <cstring>

#include "text/coding.h"

namespace sorvik {

BlockWriter::BlockWriter(WinFile* file, uint64_t start, uint32_t buffer_bytes)
    : file_(file), start_(start), buffer_(buffer_bytes == 0 ? 1 : buffer_bytes) {}

void BlockWriter::Put(const void* data, uint32_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  while (length > 0) {
    if (used_ == buffer_.size()) Flush();
    uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(buffer_.size()) - used_);
    std::memcpy(buffer_.data() + used_, bytes, n);
    used_ += n;
    bytes += n;
    length -= n;
  }
}

void BlockWriter::PutU32(uint32_t value) {
  uint8_t bytes[4];
  EncodeFixed32(bytes, value);
  Put(bytes, 4);
}

bool BlockWriter::Flush() {
  if (used_ > 0) {
    if (file_->WriteAt(start_, buffer_.data(), used_) != used_) ok_ = false;
    start_ += used_;
    used_ = 0;
  }
  return ok_;
}

BlockReader::BlockReader(WinFile* file, uint32_t buffer_bytes)
    : file_(file), buffer_(buffer_bytes == 0 ? 1 : buffer_bytes) {}

uint32_t BlockReader::Read(uint64_t offset, void* out, uint32_t length) {
  uint8_t* dest = static_cast<uint8_t*>(out);
  uint32_t done = 0;
  while (done < length) {
    uint64_t at = offset + done;
    if (at < start_ || at >= start_ + filled_) {
      if (length - done >= buffer_.size()) {
        // A range at least as large as the buffer goes straight into the caller's memory.
        return done + file_->ReadAt(at, dest + done, length - done);
      }
      start_ = at;
      filled_ = file_->ReadAt(at, buffer_.data(), static_cast<uint32_t>(buffer_.size()));
      if (filled_ > buffer_.size()) filled_ = 0;
      if (filled_ == 0) break;
    }
    uint32_t n = std::min<uint64_t>(length - done, start_ + filled_ - at);
    std::memcpy(dest + done, buffer_.data() + (at - start_), n);
    done += n;
  }
  return done;
}

LineReader::LineReader(WinFile* file, uint32_t buffer_bytes)
    : file_(file), buffer_(buffer_bytes < 2 ? 2 : buffer_bytes) {}

bool LineReader::Refill() {
  if (at_end_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) return false;  // full: the caller takes the buffer as a line
  uint32_t room = static_cast<uint32_t>(buffer_.size()) - end_;
  uint32_t n = file_->Read(buffer_.data() + end_, room);
  if (n == 0 || n > room) {
    at_end_ = true;
    return false;
  }
  end_ += n;
  return true;
}

bool LineReader::Next(const char** line, uint32_t* length) {
  uint32_t searched = begin_;
  for (;;) {
    const char* start = buffer_.data() + searched;
    const void* feed = std::memchr(start, '\n', end_ - searched);
    if (feed != nullptr) {
      uint32_t stop = static_cast<uint32_t>(static_cast<const char*>(feed) - buffer_.data());
      *line = buffer_.data() + begin_;
      *length = stop - begin_;
      begin_ = stop + 1;
      return true;
    }
    uint32_t pending = end_ - begin_;
    if (!Refill()) break;
    searched = begin_ + pending;  // the bytes before were searched already
  }
  if (begin_ == end_) return false;
  // The last line without a line feed, or a piece of an overlong line.
  *line = buffer_.data() + begin_;
  *length = end_ - begin_;
  begin_ = end_;
  return true;
}

void LineReader::Rewind() {
  file_->Seek(0);
  begin_ = end_ = 0;
  at_end_ = false;
}

}  // namespace sorvik
