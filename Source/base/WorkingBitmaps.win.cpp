#include "base/WorkingBitmaps.h"

#include "ui/Controls.h"

TBitmap* CreateBmp32(const TControl* ctrl) { return CreateBmp32(ctrl ? ctrl->Width() : 0, ctrl ? ctrl->Height() : 0); }
