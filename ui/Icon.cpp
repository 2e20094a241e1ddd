#include "Icon.h"

#include <cstdlib>

#include "Streams.h"

namespace {

// An ICO file is small; anything far larger is not one we should hold in memory.
constexpr Int64 kMaxIconFile = 64 << 20;

uint16_t Le16(const Byte* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const Byte* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

TIcon::~TIcon() { ReleaseIcon(); }

#ifndef _WIN32
void TIcon::ReleaseIcon() {}
#endif

Integer TIcon::Width() const { return width_; }
Integer TIcon::Height() const { return height_; }

bool TIcon::Empty() const {
#ifdef _WIN32
  if (icon_) return false;
#endif
  return data_.empty();
}

void TIcon::SetSize(Integer width, Integer height) {
  wantWidth_ = width > 0 ? width : 0;
  wantHeight_ = height > 0 ? height : 0;
  if (!data_.empty()) {
    ReleaseIcon();
    ChooseImage();
  }
}

void TIcon::LoadFromStream(TStream& stream) {
  Int64 size = stream.GetSize() - stream.GetPosition();
  if (size < 6 + 16 || size > kMaxIconFile) throw EInvalidGraphic("Invalid icon");
  std::vector<Byte> data(static_cast<size_t>(size));
  stream.ReadBuffer(data.data(), static_cast<Integer>(size));
  const Byte* p = data.data();
  uint16_t count = Le16(p + 4);
  if (Le16(p) != 0 || Le16(p + 2) != 1 || count == 0 || 6 + size_t(count) * 16 > data.size())
    throw EInvalidGraphic("Invalid icon");
  std::vector<Entry> entries;
  for (uint16_t i = 0; i < count; ++i) {
    const Byte* e = p + 6 + i * 16;
    Entry en{e[0] ? e[0] : 256, e[1] ? e[1] : 256, Le16(e + 6), Le32(e + 8), Le32(e + 12)};
    if (en.size == 0 || en.offset > data.size() || en.size > data.size() - en.offset)
      throw EInvalidGraphic("Invalid icon");
    entries.push_back(en);
  }
  ReleaseIcon();
  data_ = std::move(data);
  entries_ = std::move(entries);
  ChooseImage();
}

void TIcon::ChooseImage() {
  // The image nearest the wanted size, the one with more colours among equals.
  Integer w = wantWidth_, h = wantHeight_;
  if (w == 0 || h == 0) w = h = 32;
  chosen_ = -1;
  Int64 best = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    Int64 distance = std::abs(e.width - w) + std::abs(e.height - h);
    Int64 score = distance * 256 - e.bitCount;
    if (chosen_ < 0 || score < best) {
      chosen_ = static_cast<Integer>(i);
      best = score;
    }
  }
  width_ = chosen_ >= 0 ? entries_[chosen_].width : 0;
  height_ = chosen_ >= 0 ? entries_[chosen_].height : 0;
}

void TIcon::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TIcon*>(source);
  if (!other) {
    if (!source) {
      ReleaseIcon();
      data_.clear();
      entries_.clear();
      chosen_ = -1;
      width_ = height_ = 0;
      return;
    }
    TGraphic::Assign(source);
    return;
  }
  if (other == this) return;
  TMemoryStream copy;
  other->SaveToStream(copy);
  copy.SetPosition(0);
  wantWidth_ = other->wantWidth_;
  wantHeight_ = other->wantHeight_;
  if (copy.GetSize() == 0) {
    Assign(nullptr);
    return;
  }
  LoadFromStream(copy);
}

#ifndef _WIN32
void TIcon::SaveToStream(TStream& stream) const {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<Integer>(data_.size()));
}
#endif
