// Fuzz target: the inflate stream over arbitrary bytes. The first byte chooses the read piece
// size and a seek to try after the first read; the rest is the zlib data.
#include <cstdint>
#include <vector>

#include "images/kvZLibEx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const Byte control = data[0];
  TMemoryStream source;
  if (size > 1) source.WriteBuffer(data + 1, static_cast<Integer>(size - 1));
  source.SetPosition(0);
  static const Integer kPieces[] = {1, 7, 4096, 1 << 20};
  const Integer piece = kPieces[control & 3];
  std::vector<Byte> buffer(static_cast<size_t>(piece));
  // Deflate expands at most about 1000:1; a cap keeps one input fast all the same.
  constexpr Int64 kMaxOutput = Int64(16) << 20;
  try {
    TZDecompressionStream z(source);
    Int64 total = z.Read(buffer.data(), piece);
    switch ((control >> 2) & 3) {
      case 1: z.SetPosition(0); break;                 // rewind
      case 2: z.Seek(control >> 4, soCurrent); break;  // forward skip
      case 3: z.GetSize(); break;                      // inflate all, then back
      default: break;
    }
    for (Integer n; total < kMaxOutput && (n = z.Read(buffer.data(), piece)) > 0;) total += n;
  } catch (const Exception&) {
    // Malformed data must end in one of the stream's errors, nothing worse.
  }
  return 0;
}
