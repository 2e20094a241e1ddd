#include "controls/sColorDialog.h"

#include <windows.h>

#include <memory>

#include "controls/ControlsState.h"
#include "ui/Forms.h"

namespace {
std::unique_ptr<TStringList>& CustomColors() {
  static std::unique_ptr<TStringList> list;
  return list;
}
// The screen object exists from here on, as the class library's does from its own start; the
// application object takes it over (and frees it with itself).
bool& madeScreen = kvControlsState.madeScreen;
}  // namespace

TStringList* kvCustomColors() { return CustomColors().get(); }

void sColorDialogStartup() {
  if (!Screen) {
    Screen = new TScreen(nullptr);
    madeScreen = true;
  }
  // LoadImage: a cursor of the program's own that the screen may destroy (LoadCursor's are shared).
  HANDLE pipette = LoadImageW(GetModuleHandleW(nullptr), L"CRKPPIPETTE", IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE);
  if (pipette) Screen->SetCursors(crPipette, static_cast<HCURSOR>(pipette));
  auto list = std::make_unique<TStringList>();
  for (int i = 0; i < 18; ++i) list->Add(u"FFFFFF");
  CustomColors() = std::move(list);
}

void sColorDialogCleanup() {
  CustomColors().reset();
  // A screen made here that no application took over goes with the engine.
  if (madeScreen && Screen && !Application) {
    delete Screen;
    Screen = nullptr;
  }
  madeScreen = false;
}
