// The skin editor's preview: reading its record and applying it to the manager.
#include "skin/sSkinManagerPreview.h"

#include <cstring>
#include <memory>

#include "skin/sSkinManager.h"
#include "ui/ScopeGuard.h"
#include "ui/StringList.h"

std::string_view PreviewFieldBytes(const char* field, size_t size) {
  const void* zero = std::memchr(field, 0, size);
  return {field, zero ? size_t(static_cast<const char*>(zero) - field) : size};
}

#ifndef _WIN32
String AnsiBytesToString(std::string_view bytes) {
  String text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) text.push_back(Char(c));
  return text;
}
#endif

TkvPreviewFields ReadPreviewFields(const TkvSkinEditorData& record) {
  return {AnsiBytesToString(PreviewFieldBytes(record.Name1)), AnsiBytesToString(PreviewFieldBytes(record.Name2)),
          AnsiBytesToString(PreviewFieldBytes(record.Data1)), AnsiBytesToString(PreviewFieldBytes(record.Data2))};
}

bool CopyPreviewRecord(TkvSkinEditorData& buffer, const void* data, size_t size) {
  if (!data || size != sizeof(TkvSkinEditorData)) {
    buffer.Magic = 0;
    return false;
  }
  std::memcpy(&buffer, data, sizeof buffer);
  return true;
}

bool DuRiruZireziv::CopyPreviewData(const void* data, size_t size) {
  if (!PreviewBuffer) PreviewBuffer = std::make_unique<TkvSkinEditorData>();
  return CopyPreviewRecord(*PreviewBuffer, data, size);
}

bool DuRiruZireziv::PartialPreview() const {
  return PreviewBuffer && PreviewFieldBytes(PreviewBuffer->Name2).size() > 0 && FHueOffset == 0 && FBrightness == 0 &&
         FSaturation == 0;
}

void DuRiruZireziv::ReceiveData() {
  if (!PreviewBuffer || PreviewBuffer->Magic != int32_t(KPE_MSG)) return;
  const TkvPreviewFields fields = ReadPreviewFields(*PreviewBuffer);
  const bool partial = PartialPreview();
  // Loads read the editor's text instead of any file while it exists; it goes on every way
  // out, so later loads read files again.
  auto editorText = std::make_unique<TStringList>();
  editorText->SetText(fields.SkinText);
  kvEditorSkinFile = editorText.get();
  TScopeExit dropText([] { kvEditorSkinFile = nullptr; });
  SetSkinDirectory(fields.SkinFolder);
  // An update bracket the caller opened stays open: NoAutoUpdate gets its earlier value back.
  const bool outerBracket = NoAutoUpdate;
  if (partial) {
    auto suspended = SetForScope(NoAutoUpdate, true);
    SetSkinName(fields.SkinName);  // reloaded from the editor's text, without a broadcast
    TkvManagerStateScope changing(*this, msSkinChanging);
    RepaintSection(fields.Section);
    return;
  }
  {
    auto suspended = SetForScope(NoAutoUpdate, true);
    SetSkinName(fields.SkinName);
  }
  // The whole skin is broadcast without the skin-changing animation, unless an outer bracket
  // will broadcast it when it closes.
  if (!outerBracket) EndUpdate(true, false);
}
