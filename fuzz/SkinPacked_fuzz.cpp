// Fuzz target: the packed skin reader and the preview block over arbitrary bytes. A packed
// file is either refused whole or read within the limits its reader states.
#include <cstdint>
#include <cstdlib>

#include "skin/sSkinManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TkvSkinConvertor sc;
  sc.PackedData = std::make_unique<TMemoryStream>();
  if (size > 0) sc.PackedData->WriteBuffer(data, static_cast<Integer>(size));
  std::vector<TkvSkinNotice> notices;
  const bool ok = ExtractPackedData(sc, &notices);
  if (ok) {
    Int64 total = sc.Options ? sc.Options->GetSize() : 0;
    if (sc.FileCount != Integer(sc.Files.size())) std::abort();
    for (const auto& f : sc.Files) {
      if (f.Name.empty() || f.Name.size() > size_t(kMaxPackedNameBytes) || f.Stream->GetSize() > kMaxEntryBytes)
        std::abort();
      total += f.Stream->GetSize();
      if (sc.FindFile(UpperCase(f.Name)) == nullptr) std::abort();
    }
    if (total > kMaxPackedBytes) std::abort();
  } else if (sc.Options || !sc.Files.empty()) {
    std::abort();  // a refused file leaves nothing behind
  }
  TMemoryStream preview;
  sc.PackedData->SetPosition(0);
  if (GetPreviewStream(preview, *sc.PackedData) && preview.GetSize() > Int64(size)) std::abort();
  return 0;
}
