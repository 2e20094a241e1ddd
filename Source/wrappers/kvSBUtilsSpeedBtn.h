// The handler that paints the class library's speed buttons (windowless controls painted by
// their parent) from the skin: it stands in the control's WindowProc and answers the skin
// commands for it.
#pragma once

#include "base/sConst.h"
#include "ui/Types.h"

// The glyph and caption places of a speed button W x H (the class library's layouts; every
// halving toward zero). layout: 0 glyph left, 1 right, 2 top, 3 bottom. margin -1 centres the
// glyph, spacing and caption as one group; shift: the pressed look moves the content by 1.
struct TkvSpeedButtonLayout {
  Integer Width = 0, Height = 0;
  Integer GlyphWidth = 0, GlyphHeight = 0;  // 0 x 0 without a glyph
  TSize TextSize;                           // 0 x 0 without a caption
  Integer Layout = 0;
  Integer Margin = -1;
  Integer Spacing = 4;
  bool Shift = false;

  TRect ImgRect() const;
  TRect CaptionRect() const;
};

#ifdef _WIN32

#include <memory>

#include "ui/Classes.h"
#include "ui/Messages.h"

class TControl;
class TsCommonData;
class DuRiruZireziv;
class TkvSpeedButtonWatch;

class TkvSpeedButtonHandler : public TObject {
  TW_CLASS(TkvSpeedButtonHandler, TObject)
  TkvSpeedButtonHandler(TControl* btn, bool repaint, const String& skinSection, DuRiruZireziv* aSkinManager,
                        TsCommonData* aSkinData);
  ~TkvSpeedButtonHandler() override;

  TLResult CallPrevWndProc(Cardinal msg, TWParam wParam, TLParam& lParam);
  String Caption();
  Integer GlyphWidth();
  Integer GlyphHeight();
  TSize TextRectSize();
  TkvSpeedButtonLayout Layout();
  Integer CurrentState();
  void ImgRect(TRect& r);
  void CaptionRect(TRect& r);
  void DrawCaption();
  void DoDrawText(TRect r, Cardinal flags);
  void DrawGlyph();
  bool PrepareCache();
  void KV_WMPaint(TMessage& message);
  void kvWndProc(TMessage& message);
  // The control has ended (freed without a WM_DESTROY): nothing touches it from now on.
  void ControlFreed();

  TControl* Ctrl = nullptr;
  bool PCtrl = false;
  bool IsUpDown = false;
  bool Destroyed = false;
  TWndMethod OldWndProc;
  TsCommonData* SkinData = nullptr;  // the graphic item's
  DuRiruZireziv* SkinManager = nullptr;

 private:
  void Unhook();
  // Told by the control's free notification that the control goes.
  std::unique_ptr<TkvSpeedButtonWatch> FWatch;
};

#endif
