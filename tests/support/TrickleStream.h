// A memory stream that hands out at most a few bytes per Read, as a slow pipe or a reader fed
// in small steps would. Counts its reads.
#pragma once

#include <algorithm>

#include "ui/Streams.h"

class TrickleStream : public TMemoryStream {
 public:
  TrickleStream(const std::vector<Byte>& bytes, Integer step) : step_(step) {
    if (!bytes.empty()) WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    SetPosition(0);
  }
  Integer Read(void* buffer, Integer count) override {
    ++reads_;
    return TMemoryStream::Read(buffer, std::min(count, step_));
  }
  int Reads() const { return reads_; }

 private:
  Integer step_;
  int reads_ = 0;
};

// A memory stream holding the given bytes, positioned at the start.
inline void FillStream(TMemoryStream& stream, const std::vector<Byte>& bytes) {
  stream.SetSize(0);
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  stream.SetPosition(0);
}
