#include "Streams.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

Int64 TStream::GetSize() {
  Int64 pos = Seek(0, soCurrent);
  Int64 size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(Int64) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, Integer count) {
  auto* p = static_cast<Byte*>(buffer);
  while (count > 0) {
    Integer n = Read(p, count);
    if (n <= 0) throw EReadError("Stream read error");
    p += n;
    count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, Integer count) {
  auto* p = static_cast<const Byte*>(buffer);
  while (count > 0) {
    Integer n = Write(p, count);
    if (n <= 0) throw EWriteError("Stream write error");
    p += n;
    count -= n;
  }
}

Int64 TStream::CopyFrom(TStream& source, Int64 count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  constexpr Integer kChunk = 64 * 1024;
  std::vector<Byte> buf(static_cast<size_t>(std::min<Int64>(std::max<Int64>(count, 1), kChunk)));
  Int64 done = 0;
  while (done < count) {
    Integer n = static_cast<Integer>(std::min<Int64>(count - done, static_cast<Int64>(buf.size())));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    done += n;
  }
  return done;
}

// ---- TMemoryStream --------------------------------------------------------------

Integer TMemoryStream::Read(void* buffer, Integer count) {
  if (count <= 0 || position_ >= GetSize()) return 0;
  Integer n = static_cast<Integer>(std::min<Int64>(count, GetSize() - position_));
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

Integer TMemoryStream::Write(const void* buffer, Integer count) {
  if (count <= 0) return 0;
  Int64 end = position_ + count;
  if (end > GetSize()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

Int64 TMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : GetSize();
  Int64 pos = base + offset;
  if (pos < 0) pos = 0;  // a position before the start is pinned to it
  position_ = pos;
  return position_;
}

void TMemoryStream::SetSize(Int64 newSize) {
  if (newSize < 0) newSize = 0;
  data_.resize(static_cast<size_t>(newSize));
  if (position_ > newSize) position_ = newSize;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  Int64 size = source.GetSize();
  SetSize(size);
  if (size > 0) source.ReadBuffer(data_.data(), static_cast<Integer>(size));
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& dest) {
  if (!data_.empty()) dest.WriteBuffer(data_.data(), static_cast<Integer>(data_.size()));
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const String& fileName) {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

// ---- TFileStream ----------------------------------------------------------------

#ifdef _WIN32

static String SystemErrorText(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  String text;
  if (n && buf) text = Trim(StringView(reinterpret_cast<const Char*>(buf), n));
  if (buf) LocalFree(buf);
  if (text.empty()) text = u"System error " + IntToStr(code);
  return text;
}

TFileStream::TFileStream(const String& fileName, Word mode) : fileName_(fileName) {
  const bool create = (mode & fmCreate) == fmCreate;
  DWORD access = GENERIC_READ;
  if (create)
    access = GENERIC_READ | GENERIC_WRITE;
  else if ((mode & 3) == fmOpenWrite)
    access = GENERIC_WRITE;
  else if ((mode & 3) == fmOpenReadWrite)
    access = GENERIC_READ | GENERIC_WRITE;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (mode & 0xF0) {
    case fmShareExclusive: share = 0; break;
    case fmShareDenyWrite: share = FILE_SHARE_READ; break;
    case fmShareDenyRead: share = FILE_SHARE_WRITE; break;
    case fmShareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE; break;
    default: share = create ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE; break;
  }
  DWORD disposition = create ? ((mode & fmCreateNew) ? CREATE_NEW : CREATE_ALWAYS) : OPEN_EXISTING;
  HANDLE h = CreateFileW(WideStr(fileName), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    String reason = SystemErrorText(GetLastError());
    if (create) throw EFCreateError(u"Cannot create file \"" + fileName + u"\". " + reason);
    throw EFOpenError(u"Cannot open file \"" + fileName + u"\". " + reason);
  }
  handle_ = reinterpret_cast<intptr_t>(h);
}

TFileStream::~TFileStream() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

Integer TFileStream::Read(void* buffer, Integer count) {
  DWORD n = 0;
  if (count <= 0 || !ReadFile(reinterpret_cast<HANDLE>(handle_), buffer, static_cast<DWORD>(count), &n, nullptr))
    return 0;
  return static_cast<Integer>(n);
}

Integer TFileStream::Write(const void* buffer, Integer count) {
  DWORD n = 0;
  if (count <= 0 || !WriteFile(reinterpret_cast<HANDLE>(handle_), buffer, static_cast<DWORD>(count), &n, nullptr))
    return 0;
  return static_cast<Integer>(n);
}

Int64 TFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  LARGE_INTEGER dist, result;
  dist.QuadPart = offset;
  DWORD method = origin == soBeginning ? FILE_BEGIN : origin == soCurrent ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), dist, &result, method)) return -1;
  return result.QuadPart;
}

void TFileStream::SetSize(Int64 newSize) {
  Seek(newSize, soBeginning);
  if (!SetEndOfFile(reinterpret_cast<HANDLE>(handle_))) throw EStreamError("Stream size cannot be changed");
}

#else  // POSIX

TFileStream::TFileStream(const String& fileName, Word mode) : fileName_(fileName) {
  const bool create = (mode & fmCreate) == fmCreate;
  int flags = O_RDONLY;
  if (create)
    flags = O_RDWR | O_CREAT | ((mode & fmCreateNew) ? O_EXCL : O_TRUNC);
  else if ((mode & 3) == fmOpenWrite)
    flags = O_WRONLY;
  else if ((mode & 3) == fmOpenReadWrite)
    flags = O_RDWR;
  std::string path = StringToUtf8(fileName);
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    String reason = Utf8ToString(std::strerror(errno));
    if (create) throw EFCreateError(u"Cannot create file \"" + fileName + u"\". " + reason);
    throw EFOpenError(u"Cannot open file \"" + fileName + u"\". " + reason);
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

Integer TFileStream::Read(void* buffer, Integer count) {
  if (count <= 0) return 0;
  ssize_t n = ::read(static_cast<int>(handle_), buffer, static_cast<size_t>(count));
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Integer TFileStream::Write(const void* buffer, Integer count) {
  if (count <= 0) return 0;
  ssize_t n = ::write(static_cast<int>(handle_), buffer, static_cast<size_t>(count));
  return n < 0 ? 0 : static_cast<Integer>(n);
}

Int64 TFileStream::Seek(Int64 offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  return ::lseek(static_cast<int>(handle_), offset, whence);
}

void TFileStream::SetSize(Int64 newSize) {
  if (::ftruncate(static_cast<int>(handle_), newSize) != 0) throw EStreamError("Stream size cannot be changed");
  Seek(newSize, soBeginning);
}

#endif

std::vector<Byte> ReadFileBytes(const String& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  Int64 size = f.GetSize();
  std::vector<Byte> out(static_cast<size_t>(size));
  if (size > 0) f.ReadBuffer(out.data(), static_cast<Integer>(size));
  return out;
}

// ---- TReadOnlyMemoryStream ------------------------------------------------------------

Integer TReadOnlyMemoryStream::Read(void* buffer, Integer count) {
  if (count <= 0 || position_ >= size_) return 0;
  Int64 n = std::min<Int64>(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<Integer>(n);
}

Integer TReadOnlyMemoryStream::Write(const void*, Integer) { throw EWriteError("Stream write error"); }

Int64 TReadOnlyMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
  Int64 base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : size_;
  Int64 pos = base + offset;
  if (pos < 0) pos = 0;
  position_ = pos;
  return position_;
}
