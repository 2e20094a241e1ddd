#include "sConst.h"

HWND kvPreviewHandle = nullptr;
