// The controls layer's global state (beside base/EngineState.h and skin/SkinState.h): the
// built-in glyph lists, the foreign forms never skinned and the hooks for foreign control
// libraries. Each keeps its name as a reference to its field (kvCharImages, kvResImages,
// ThirdPartySkipForms, InitDevEx ...). The start-up makes the lists and the clean-up frees them.
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
};

extern TkvControlsState kvControlsState;

// Puts the record back to its first values.
void ResetControlsState();
