// kvZLibEx: a read-only stream that inflates zlib data (RFC 1950) out of another stream, and
// the few routines through which the engine binds zlib. Inflate only: nothing here compresses.
// Portable.
//
// Limits and guarantees (the source is untrusted):
//  - Every zlib result other than "ok" or "stream end" raises EZDecompressionError with the
//    code and its text; a stream that needs a preset dictionary is refused, never looped on.
//  - A source that ends before the zlib end code is not an error of this stream: Read returns
//    what was produced; ReadBuffer then raises the class library's read error.
//  - Memory: one 128 KiB input buffer inside the object plus zlib's own state (about 7 KiB and
//    a window of at most 32 KiB); zlib's allocations go through zcalloc, which refuses
//    size products that overflow.
#pragma once

#include <zlib.h>

#include "ui/Events.h"
#include "ui/Streams.h"

// zlib's stream record, as zlib lays it out.
using TZStreamRec = z_stream;

// The version text handed to zlib's initialisers; zlib checks its first character only.
inline constexpr char kvZLIB_VERSION[] = "1.2.3";

// zlib's error codes as an enumeration: zeError = -1 ... zeVersionError = -6.
enum class TZError { zeError, zeStreamError, zeDataError, zeMemoryError, zeBufferError, zeVersionError };

class EZLibError : public Exception {
 public:
  using Exception::Exception;  // a plain message: ErrorCode 0
  // Message: the text of zlib's code (see ZErrorText).
  EZLibError(Integer code, const char* /*dummy*/);
  EZLibError(TZError error, const char* /*dummy*/);
  Integer ErrorCode() const { return errorCode_; }

 private:
  Integer errorCode_ = 0;
};
TW_DECLARE_EXCEPTION(EZDecompressionError, EZLibError);

// "need dictionary" (2) ... "incompatible version" (-6); an empty text for other codes.
String ZErrorText(Integer code);

// The text of every operation the inflate stream cannot do.
inline constexpr char SZInvalid[] = "Invalid ZStream operation!";

// zlib's allocator: items x size bytes from the program's heap. A product that does not fit
// a signed 32-bit integer, or an exhausted heap, gives null, which zlib reports as
// "insufficient memory" (an exception must not unwind through zlib's C frames).
void* zcalloc(void* opaque, unsigned items, unsigned size);
void zcfree(void* opaque, void* block);

// zlib's initialisers with this module's version text and record size; zlib's result
// unchanged. The record's allocator is set to zcalloc/zcfree first.
int InflateInit(TZStreamRec& stream);
int InflateInit2(TZStreamRec& stream, int windowBits);

// code when it is 0 or more; a negative code raises EZDecompressionError with that code.
int ZDecompressCheck(int code);

class TCustomZStream;
using TZProgressEvent = TEvent<void(TCustomZStream* sender)>;

class TCustomZStream : public TStream {
 public:
  // Called each time a new piece of the source has been taken into the input buffer.
  TZProgressEvent OnProgress() const { return FOnProgress; }
  void SetOnProgress(TZProgressEvent e) { FOnProgress = e; }

 protected:
  explicit TCustomZStream(TStream& source);
  void DoProgress();

  static constexpr Integer kBufferSize = 0x20000;

  TStream& FStream;  // the source; not owned
  TZProgressEvent FOnProgress;
  Int64 FStreamPos = 0;  // where the source must stand: right behind the bytes taken in
  Int64 FStartPos = 0;   // where the zlib data began: a rewind returns here
  TZStreamRec FZStream{};
  Byte FBuffer[kBufferSize];
};

class TZDecompressionStream : public TCustomZStream {
 public:
  // The zlib header is expected at the source's current position.
  explicit TZDecompressionStream(TStream& source);
  TZDecompressionStream(TStream& source, int windowBits);
  ~TZDecompressionStream() override;
  TZDecompressionStream(const TZDecompressionStream&) = delete;
  TZDecompressionStream& operator=(const TZDecompressionStream&) = delete;

  // Inflates up to count bytes; fewer only at the end of the zlib data or of the source.
  Integer Read(void* buffer, Integer count) override;
  // Raises EZDecompressionError "Invalid ZStream operation!".
  Integer Write(const void* buffer, Integer count) override;
  // Returns the count of bytes delivered since the start. Allowed: 0 from the beginning
  // (rewind to where the stream began), forward skips from the beginning or the current
  // position, and 0 from the end (inflate everything that is left). Anything else raises
  // "Invalid ZStream operation!".
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;

 private:
  void Skip(Int64 count);

  Int64 delivered_ = 0;  // bytes handed out since the start or the last rewind (64-bit, unlike total_out)
};
