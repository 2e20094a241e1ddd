// A form's skin provider whose skinned system menu only records where it was asked to drop,
// so tests read the place without a menu loop running.
#pragma once

#include <vector>

#include "forms/sSkinProvider.h"
#include "ui/Types.h"

class TMenuDropRecorder : public TsSkinProvider {
 public:
  using TsSkinProvider::TsSkinProvider;
  bool DropSysMenu(Integer x, Integer y) override {
    drops.push_back(TPoint(x, y));
    return true;
  }
  std::vector<TPoint> drops;
};
