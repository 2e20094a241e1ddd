// The controls layer's global state (beside base/EngineState.h and skin/SkinState.h): the
// built-in glyph lists, the foreign forms never skinned, the hooks for foreign control
// libraries and the flags that stop a change from starting itself again. Each keeps its name
// as a reference to its field (kvCharImages, kvResImages, ThirdPartySkipForms, InitDevEx,
// bFocusChanging ...). The start-up makes the lists and the clean-up frees them.
#pragma once

class TsCharImageList;
class TsAlphaImageList;
class TStringList;

struct TkvControlsState {
  TsCharImageList* kvCharImages = nullptr;  // the icon-font glyphs
  TsAlphaImageList* kvResImages = nullptr;  // the PNG glyphs, made on first use
  TStringList* ThirdPartySkipForms = nullptr;
  void (*InitDevEx)() = nullptr;
  void (*CheckDevEx)() = nullptr;
  void (*RefreshDevEx)() = nullptr;
  bool kvLocalUpd = false;          // a hint's size change is being reported
  bool bFocusChanging = false;      // a button moves the focus
  bool LabelFontChanging = false;   // a label handles a change of its text or font
  bool madeScreen = false;          // the screen object was made by the engine, not the application
  bool bGlowingDestroying = false;  // the glow effects are being destroyed
  bool kvCanHookMenu = false;       // popup menus may be wrapped
};

extern TkvControlsState kvControlsState;

// Puts the record back to its first values.
void ResetControlsState();
