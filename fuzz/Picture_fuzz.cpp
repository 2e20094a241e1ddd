// The picture readers that take files from outside: JPEG, ICO and BMP, chosen by signature
// as TPicture::LoadFromStream does. Errors must be exceptions of the class library, never
// crashes, leaks or reads outside the data.
#include <cstddef>
#include <cstdint>

#include "ui/Jpeg.h"
#include "ui/Picture.h"
#include "ui/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool registered = (RegisterJPEGImage(), true);
  (void)registered;
  if (size > (1 << 20)) return 0;
  TMemoryStream s;
  if (size) s.WriteBuffer(data, static_cast<Integer>(size));
  s.SetPosition(0);
  TPicture pic;
  try {
    pic.LoadFromStream(s);
  } catch (const Exception&) {}
  return 0;
}
