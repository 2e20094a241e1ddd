#include "base/SkinDataBase.h"

TW_DEFINE_CLASS(TkvSkinDataBase) {}
