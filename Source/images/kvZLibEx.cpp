#include "images/kvZLibEx.h"

#include <cstdlib>
#include <limits>

// ---- errors -----------------------------------------------------------------------------

String ZErrorText(Integer code) {
  // Indexed by 2 - code: "need dictionary" (2) first, -7's empty text last.
  static const char* const kTexts[] = {
      "need dictionary", "stream end",          "ok",           "file error",           "stream error",
      "data error",      "insufficient memory", "buffer error", "incompatible version", ""};
  if (code > 2 || code < -7) return String();
  return AsciiToString(kTexts[2 - code]);
}

EZLibError::EZLibError(Integer code, const char*) : Exception(ZErrorText(code)), errorCode_(code) {}

EZLibError::EZLibError(TZError error, const char* dummy) : EZLibError(-1 - static_cast<Integer>(error), dummy) {}

// ---- zlib binding -----------------------------------------------------------------------

void* zcalloc(void*, unsigned items, unsigned size) {
  const uint64_t bytes = uint64_t(items) * size;
  if (bytes > uint64_t(std::numeric_limits<int32_t>::max())) return nullptr;
  return std::malloc(bytes ? static_cast<size_t>(bytes) : 1);
}

void zcfree(void*, void* block) { std::free(block); }

static void BindAllocator(TZStreamRec& stream) {
  stream.zalloc = [](voidpf opaque, uInt items, uInt size) -> voidpf { return zcalloc(opaque, items, size); };
  stream.zfree = [](voidpf opaque, voidpf block) { zcfree(opaque, block); };
  stream.opaque = nullptr;
}

int InflateInit(TZStreamRec& stream) {
  BindAllocator(stream);
  return inflateInit_(&stream, kvZLIB_VERSION, static_cast<int>(sizeof(TZStreamRec)));
}

int InflateInit2(TZStreamRec& stream, int windowBits) {
  BindAllocator(stream);
  return inflateInit2_(&stream, windowBits, kvZLIB_VERSION, static_cast<int>(sizeof(TZStreamRec)));
}

int ZDecompressCheck(int code) {
  if (code < 0) throw EZDecompressionError(code, "");
  return code;
}

// ---- TCustomZStream ---------------------------------------------------------------------

TCustomZStream::TCustomZStream(TStream& source) : FStream(source) {
  FStreamPos = source.GetPosition();
  FStartPos = FStreamPos;
}

void TCustomZStream::DoProgress() { FOnProgress.Call(this); }

// ---- TZDecompressionStream --------------------------------------------------------------

TZDecompressionStream::TZDecompressionStream(TStream& source) : TCustomZStream(source) {
  FZStream.next_in = FBuffer;
  FZStream.avail_in = 0;
  ZDecompressCheck(InflateInit(FZStream));
}

TZDecompressionStream::TZDecompressionStream(TStream& source, int windowBits) : TCustomZStream(source) {
  FZStream.next_in = FBuffer;
  FZStream.avail_in = 0;
  ZDecompressCheck(InflateInit2(FZStream, windowBits));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&FZStream); }

Integer TZDecompressionStream::Read(void* buffer, Integer count) {
  if (count <= 0) return 0;
  FZStream.next_out = static_cast<Bytef*>(buffer);
  FZStream.avail_out = static_cast<uInt>(count);
  // Another user of the same source may have moved it since the last read.
  if (FStream.GetPosition() != FStreamPos) FStream.SetPosition(FStreamPos);

  int result = Z_OK;
  while (FZStream.avail_out > 0 && result != Z_STREAM_END) {
    if (FZStream.avail_in == 0) {
      const Integer got = FStream.Read(FBuffer, kBufferSize);
      if (got <= 0) break;  // the source ended before the zlib data did: not our error
      FZStream.next_in = FBuffer;
      FZStream.avail_in = static_cast<uInt>(got);
      FStreamPos += got;
      DoProgress();
    }
    result = inflate(&FZStream, Z_NO_FLUSH);
    // "need dictionary" is positive but no read can ever get past it: refuse it like an error.
    if (result != Z_OK && result != Z_STREAM_END) throw EZDecompressionError(result, "");
  }

  if (result == Z_STREAM_END && FZStream.avail_in > 0) {
    // Give back what follows the zlib data, so the source stands right behind it.
    FStreamPos = FStream.Seek(-static_cast<Int64>(FZStream.avail_in), soCurrent);
    FZStream.avail_in = 0;
  }
  const Integer produced = count - static_cast<Integer>(FZStream.avail_out);
  delivered_ += produced;
  return produced;
}

Integer TZDecompressionStream::Write(const void*, Integer) { throw EZDecompressionError(SZInvalid); }

void TZDecompressionStream::Skip(Int64 count) {
  constexpr Integer kPiece = 16384;
  Byte scratch[kPiece];
  for (; count >= kPiece; count -= kPiece) ReadBuffer(scratch, kPiece);
  if (count > 0) ReadBuffer(scratch, static_cast<Integer>(count));
}

Int64 TZDecompressionStream::Seek(Int64 offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soBeginning) {
    ZDecompressCheck(inflateReset(&FZStream));
    FZStream.next_in = FBuffer;
    FZStream.avail_in = 0;
    FStream.SetPosition(FStartPos);
    FStreamPos = FStartPos;
    delivered_ = 0;
  } else if ((offset >= 0 && origin == soCurrent) || (origin == soBeginning && offset - delivered_ > 0)) {
    if (origin == soBeginning) offset -= delivered_;
    Skip(offset);
  } else if (offset == 0 && origin == soEnd) {
    Byte scratch[16384];
    while (Read(scratch, sizeof scratch) > 0) {}
  } else {
    throw EZDecompressionError(SZInvalid);
  }
  return delivered_;
}
