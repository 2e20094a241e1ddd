// Fuzz target: the hint template file reader over arbitrary bytes; a template it accepts is
// written again and must read back.
#include <cstdint>
#include <cstdlib>

#include "controls/kvAlphaHintsTemplates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TReadOnlyMemoryStream stream(data, Int64(size));
  std::unique_ptr<TkvHintTemplate> tpl;
  if (ReadHintTemplate(stream, tpl) != TkvHintFileResult::Ok) {
    if (tpl) std::abort();  // a rejected file hands nothing over
    return 0;
  }
  TMemoryStream again;
  WriteHintTemplate(*tpl, again);
  std::unique_ptr<TkvHintTemplate> back;
  if (ReadHintTemplate(again, back) != TkvHintFileResult::Ok) std::abort();
  if (back->ImageDefault()->ImageWidth() != tpl->ImageDefault()->ImageWidth()) std::abort();
  return 0;
}
