// Byte streams: the abstract TStream with its buffer helpers, memory and file streams.
// Portable; the file stream uses CreateFileW on Windows and open() elsewhere.
#pragma once

#include <cstddef>
#include <vector>

#include "SysUtils.h"
#include "WinFwd.h"

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual Integer Read(void* buffer, Integer count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual Integer Write(const void* buffer, Integer count) = 0;
  virtual Int64 Seek(Int64 offset, TSeekOrigin origin) = 0;

  Int64 GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(Int64 pos) { Seek(pos, soBeginning); }
  virtual Int64 GetSize();
  virtual void SetSize(Int64 newSize);

  // Raise EReadError "Stream read error" / EWriteError "Stream write error" when short.
  void ReadBuffer(void* buffer, Integer count);
  void WriteBuffer(const void* buffer, Integer count);
  // Copies count bytes from source's position; count 0 copies the whole source from
  // its start. Returns the number of bytes copied.
  Int64 CopyFrom(TStream& source, Int64 count);
};

// A growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 GetSize() override { return static_cast<Int64>(data_.size()); }
  void SetSize(Int64 newSize) override;

  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest);
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);

  Byte* Memory() { return data_.data(); }
  const Byte* Memory() const { return data_.data(); }
  const std::vector<Byte>& Bytes() const { return data_; }

 private:
  std::vector<Byte> data_;
  Int64 position_ = 0;
};

// File open modes and share modes, combined with '|'.
constexpr Word fmCreate = 0xFF00;
constexpr Word fmOpenRead = 0x0000;
constexpr Word fmOpenWrite = 0x0001;
constexpr Word fmOpenReadWrite = 0x0002;
constexpr Word fmShareCompat = 0x0000;
constexpr Word fmShareExclusive = 0x0010;
constexpr Word fmShareDenyWrite = 0x0020;
constexpr Word fmShareDenyRead = 0x0030;
constexpr Word fmShareDenyNone = 0x0040;
// Our own addition to fmCreate: fail when the file already exists instead of truncating it.
constexpr Word fmCreateNew = 0x0100;

class TFileStream : public TStream {
 public:
  // Raises EFCreateError "Cannot create file "<name>". <reason>" or
  // EFOpenError "Cannot open file "<name>". <reason>".
  TFileStream(const String& fileName, Word mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  void SetSize(Int64 newSize) override;
  const String& FileName() const { return fileName_; }

 private:
  String fileName_;
  intptr_t handle_ = -1;  // a HANDLE on Windows, a file descriptor elsewhere
};

// Reads a fixed block of memory that someone else owns (a resource, a mapped file);
// writing raises EWriteError "Stream write error".
class TReadOnlyMemoryStream : public TStream {
 public:
  TReadOnlyMemoryStream(const void* data, Int64 size) : data_(static_cast<const Byte*>(data)), size_(size) {}
  Integer Read(void* buffer, Integer count) override;
  Integer Write(const void* buffer, Integer count) override;
  Int64 Seek(Int64 offset, TSeekOrigin origin) override;
  Int64 GetSize() override { return size_; }
  const Byte* Memory() const { return data_; }

 protected:
  void SetMemory(const void* data, Int64 size) {
    data_ = static_cast<const Byte*>(data);
    size_ = size;
  }

 private:
  const Byte* data_;
  Int64 size_;
  Int64 position_ = 0;
};

TW_DECLARE_EXCEPTION(EResNotFound, Exception);

#ifdef _WIN32
// A resource of a module, read in place. Raises EResNotFound "Resource <name> not found".
//   TResourceStream s(nullptr, u"KVHINT", RT_RCDATA_ID);     // nullptr: the program itself
class TResourceStream : public TReadOnlyMemoryStream {
 public:
  TResourceStream(HINSTANCE instance, const String& name, const Char* type);
  TResourceStream(HINSTANCE instance, const String& name, Integer typeId);
};
// The RT_ resource types by number, for the constructor above.
constexpr Integer RT_BITMAP_ID = 2, RT_ICON_ID = 3, RT_RCDATA_ID = 10, RT_GROUP_ICON_ID = 14;
#endif

// Whole-file helpers, used by tests and tools.
std::vector<Byte> ReadFileBytes(const String& fileName);
