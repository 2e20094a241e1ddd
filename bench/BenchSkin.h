// What the skinned benchmarks share: a manager holding one empty 96 PPI skin that each
// benchmark fills with the sections it times, a two-colour gradient look, and the report
// line of a time against BitBlt of the same size.
#pragma once

#include <cstdio>
#include <memory>

#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"

namespace bench {

struct SkinManager {
  DuRiruZireziv manager{nullptr};
  TkvSkinData* data = nullptr;
  SkinManager() {
    manager.MasterBitmap = std::make_unique<TBitmap>(16, 16, pf32bit);
    auto owned = std::make_unique<TkvSkinData>();
    owned->FOwner = &manager;
    owned->PPI = 96;
    data = owned.get();
    manager.SkinDataArray.push_back(std::move(owned));
    manager.SkinCommonInfo.Active = true;
  }
};

// A vertical gradient over the whole look, from one colour to the other.
inline void TwoColourGradient(TsGenState& look, TColor from, TColor to) {
  look.GradientPercent = 100;
  look.GradientArray.resize(2);
  look.GradientArray[0].Color.C = Integer(from);
  look.GradientArray[1].Color.C = Integer(to);
  look.GradientArray[1].Index = 1;
  look.GradientArray[1].Percent = 100;
}

// One line: the time, BitBlt's time for the same pixels, their ratio and, with a goal, whether
// the time meets it.
inline void ReportAgainstBitBlt(const char* what, double ms, double bitBltMs, double goalMs = 0) {
  std::printf("%-44s %9.4f ms   BitBlt %8.4f ms   ratio %7.2f", what, ms, bitBltMs, ms / bitBltMs);
  if (goalMs > 0) std::printf("   goal < %g ms: %s", goalMs, ms < goalMs ? "met" : "MISSED");
  std::printf("\n");
}

}  // namespace bench
