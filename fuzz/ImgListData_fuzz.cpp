// Fuzz target: the checks of ICO and BMP data that image-list items carry. Whatever a check
// lets through, the class library's reader must load without an error, and a rejected file
// ends in the check's EInvalidGraphic, nothing worse. The first byte picks the format.
#include <cstdint>

#include "images/kvAlphaImageList.h"
#include "ui/Icon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool icon = data[0] & 1;
  const Byte* file = data + 1;
  const size_t length = size - 1;
  try {
    if (icon)
      CheckIcoData(file, length);
    else
      CheckBmpData(file, length);
  } catch (const EInvalidGraphic&) { return 0; }
  TMemoryStream s;
  if (length > 0) s.WriteBuffer(file, static_cast<Integer>(length));
  s.SetPosition(0);
  try {
    if (icon) {
      TIcon i;
      i.LoadFromStream(s);
    } else {
      TBitmap b;
      b.LoadFromStream(s);
    }
  } catch (const Exception&) {
    __builtin_trap();  // the check let through what the reader refuses
  }
  return 0;
}
