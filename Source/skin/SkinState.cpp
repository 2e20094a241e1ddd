#include "skin/SkinState.h"

#include "base/ManagerLink.h"

TkvSkinState kvSkinState;

void ResetSkinState() {
  kvSkinState = TkvSkinState{};
  SetDefaultManagerLink(nullptr);
}
