#include "controls/sTrackBar.h"

#include <windows.h>
#include <commctrl.h>

#include "base/ManagerLink.h"
#include "base/WorkingBitmaps.h"
#include "base/sMessages.h"
#include "controls/kvAlphaHints.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"

TW_DEFINE_CLASS(TsTrackBar) {}

TsTrackBar::TsTrackBar(TComponent* owner) : TTrackBar(owner), FCommonData(std::make_unique<TsCommonData>(this)) {
  FCommonData->COC = Byte(COC_TsTrackBar);
}

void TsTrackBar::WndProc(TMessage& message) {
  if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_GETMOUSEAREA && message.LParam && HandleAllocated()) {
    RECT thumb{};
    SendMessageW(WindowHandle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT o{0, 0};
    ::ClientToScreen(WindowHandle(), &o);
    *reinterpret_cast<TRect*>(message.LParam) =
        TRect(thumb.left + o.x, thumb.top + o.y, thumb.right + o.x, thumb.bottom + o.y);
    message.Result = 1;
    return;
  }
  TTrackBar::WndProc(message);
}

TsTrackBar::~TsTrackBar() = default;

void ShowToolTip(TsTrackBar* bar, const TRect& spot) {
  if (!bar || bar->PositionToolTip() == ptNone || bar->IsDesigning()) return;
  if (!bar->ToolTipForm) {
    bar->ToolTipForm = std::make_unique<TkvGlowForm>(nullptr);
    bar->ToolTipForm->AfterConstruction();
  }
  HWND wnd = bar->ToolTipForm->Handle();
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);

  TFont font;
  font.Assign(bar->Font());
  TkvToolTipInfo info{IntToStr(bar->Position()), &font};
  // The hint section's colour when the bar is skinned and alpha hints are on.
  DuRiruZireziv* manager = bar->FCommonData->GetSkinManager();
  const Integer hintSection =
      manager && manager->IsActive() && bar->FCommonData->Skinned() ? manager->GetSkinIndex(u"HINT") : -1;
  const bool asHint = hintSection >= 0 && Manager;
  font.SetColor(asHint ? TColor(manager->gd()[size_t(hintSection)].Props[0].FontColor.Color)
                       : TColor(DefaultColorToRGB(Integer(clWindowText))));
  bar->OnGetToolTipInfo.Call(bar, info);
  font.SetColor(TColor(DefaultColorToRGB(Integer(font.Color()))));

  std::unique_ptr<TBitmap> bmp;
  if (asHint) {
    SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    TRect shadow;
    TBitmap* picture = nullptr;
    Manager->CreateHintBmp(info.Text, &font, shadow, picture);
    bmp.reset(picture);
  } else {
    const Integer pad = DefaultScaleInt(8);
    std::unique_ptr<TBitmap> measure(CreateBmp32(1, 1));
    measure->Canvas()->Font()->Assign(&font);
    const TSize text = measure->Canvas()->TextExtent(info.Text);
    bmp.reset(CreateBmp32(text.cx + pad, text.cy + pad));
    TCanvas* c = bmp->Canvas();
    const TColor back = TColor(DefaultColorToRGB(Integer(clWindow)));
    c->Brush()->SetColor(back);
    c->FillRect(TRect(0, 0, bmp->Width(), bmp->Height()));
    c->Brush()->SetColor(BlendColors(back, font.Color(), 128));
    c->FrameRect(TRect(0, 0, bmp->Width(), bmp->Height()));
    c->Font()->Assign(&font);
    c->Brush()->SetStyle(bsClear);
    c->TextOut((bmp->Width() - text.cx) / 2, (bmp->Height() - text.cy) / 2, info.Text);
    TPixelView v = bmp->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x) v.Row(y)[x] |= 0xFF000000u;  // opaque
  }
  if (!bmp || bmp->Empty()) return;
  TSize size(bmp->Width(), bmp->Height());
  TPoint pos = PositionToolTipPlace(spot, size, TkvToolTipSide(Integer(bar->PositionToolTip())));
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWnd(wnd, bmp.get(), &size, &blend, &pos);
  SetWindowPos(wnd, HWND_TOPMOST, pos.X, pos.Y, size.cx, size.cy, SWP_NOACTIVATE);
  ShowWindow(wnd, SW_SHOWNA);
}

void HideToolTip(TsTrackBar* bar) {
  if (bar) bar->ToolTipForm.reset();
}
