// A form's skin and system metrics at another PPI, as the tests of PPI changes need them: Wine
// has one system DPI, so the system metrics of each PPI come from a stand-in for
// GetSystemMetricsForDpi with fixed numbers, and the skin data of a PPI is a copy of the 96-PPI
// one with image sizes and margins scaled as the manager scales them.
#pragma once

#include <windows.h>

#include <memory>

#include "base/kvntUtils.h"
#include "skin/sSkinManager.h"

namespace ppiskin {

// Caption 23, small caption 17, sizing frame 4, dialog frame 3, padded border 4 at 96 PPI.
inline int WINAPI FixedMetrics(int index, UINT dpi) {
  auto at = [&](int v96) { return MulDiv(v96, int(dpi), 96); };
  switch (index) {
    case SM_CYCAPTION: return at(23);
    case SM_CYSMCAPTION: return at(17);
    case SM_CXFRAME: return at(4);
    case SM_CXDLGFRAME: return at(3);
    case SM_CXPADDEDBORDER: return at(4);
    default: return 0;
  }
}

inline std::unique_ptr<TkvSkinData> ScaledCopy(const TkvSkinData& base, DuRiruZireziv* owner, Integer ppi) {
  auto d = std::make_unique<TkvSkinData>(owner, ppi);
  d->PPI = ppi;
  d->gd = base.gd;
  d->ma = base.ma;
  for (TsMaskData& md : d->ma) {
    md.Width = kvMulDiv(md.Width, ppi, 96);
    md.Height = kvMulDiv(md.Height, ppi, 96);
  }
  d->TitleGlyphs = base.TitleGlyphs;
  d->BIRightMargin = kvMulDiv(base.BIRightMargin, ppi, 96);
  d->BISpacing = kvMulDiv(base.BISpacing, ppi, 96);
  d->Spacing = kvMulDiv(base.Spacing, ppi, 96);
  d->Reindex();
  return d;
}

}  // namespace ppiskin
