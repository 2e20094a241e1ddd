// The skinned progress bar: position handling, the cache of its frame and items, the marquee.
#include "controls/kvProgressBar.h"

#include <windows.h>
#include <commctrl.h>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/SkinCommands.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Timers.h"

TW_DEFINE_CLASS(TsProgressBar) {
  b.Property(u"SkinData", &TsProgressBar::SkinData);
  b.Property(u"ProgressSkin", &TsProgressBar::ProgressSkin, &TsProgressBar::SetProgressSkin).Default(String());
}

TsProgressBar::TsProgressBar(TComponent* owner)
    : TProgressBar(owner), FCommonData(std::make_unique<TsCommonData>(this)), Timer(std::make_unique<TTimer>(nullptr)) {
  FCommonData->FOwnerControl = this;
  FCommonData->COC = COC_TsGauge;
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Timer->SetEnabled(false);
  Timer->SetInterval(30);
  Timer->SetOnTimer(TNotifyEvent(this, &TsProgressBar::TimerAction));
  FActPosition = Position();
}

TsProgressBar::~TsProgressBar() = default;

void TsProgressBar::SetProgressSkin(const String& value) {
  if (value == FProgressSkin) return;
  FProgressSkin = value;
  FOldCount = -1;
  FCommonData->Invalidate();
}

TkvProgressShape TsProgressBar::Shape() const {
  TkvProgressShape s;
  s.Width = Width();
  s.Height = Height();
  s.Min = Min();
  s.Max = Max();
  s.Position = HandleAllocated() ? FActPosition : Position();
  s.BorderWidth = BorderWidth();
  s.Vertical = Orientation() == pbVertical;
  s.Smooth = Smooth();
  s.Marquee = Style() == pbstMarquee;
  s.MarqPos = FMarqPos;
  s.MarqSize = FMarqSize;
  return s;
}

bool TsProgressBar::IsSkinned() { return HandleAllocated() && FCommonData->Skinned(); }

bool TsProgressBar::MarqueeRunning() const { return Timer->Enabled(); }

void TsProgressBar::UpdateTimer() {
  Timer->SetEnabled(Style() == pbstMarquee && !ComponentState().Contains(csDesigning) && FCommonData->Skinned());
}

void TsProgressBar::HandleCreated() {
  // The class library sends the stored range and position; SetPos takes the position from it.
  TProgressBar::HandleCreated();
  FOldCount = -1;
}

void TsProgressBar::Loaded() {
  TProgressBar::Loaded();
  FCommonData->Loaded(true);
  FActPosition = Position();
  UpdateTimer();
}

// ---- Cache ---------------------------------------------------------------------------------------

void TsProgressBar::PaintBarItems(TBitmap* cache, const TkvProgressShape& shape) {
  DuRiruZireziv* manager = FCommonData->GetSkinManager();
  TkvSkinData* skinData = FCommonData->GetCommonSkinData();
  const String section = !FProgressSkin.empty() ? FProgressSkin : shape.Vertical ? u"PROGRESSV" : u"PROGRESSH";
  const Integer itemIndex = manager ? manager->GetSkinIndex(section, skinData) : -1;
  const TRect fill = ProgressFillRect(shape);
  const TSize item = ProgressItemSize(shape);
  if (fill.IsEmpty() || item.cx < 2 || item.cy < 2) return;
  const TCacheInfo ci = MakeCacheInfo(cache);
  auto paintAt = [&](const TRect& r) {
    if (FCommonData->FCustomColor) {
      FillRect32(cache, r, TColor(kvColorToRGB(Integer(BarColor()), manager)), 255);
      return;
    }
    std::unique_ptr<TBitmap> bmp(CreateBmp32(r.Width(), r.Height()));
    PaintItem(itemIndex, ci, true, 0, TRect(0, 0, r.Width(), r.Height()), TPoint(r.Left, r.Top), bmp.get(), skinData);
    BitBlt(cache->Canvas()->Handle(), r.Left, r.Top, r.Width(), r.Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
  };
  if (shape.Marquee) {
    for (Integer i = 0; i < 5; ++i) {
      if (shape.Vertical) {
        Integer y = fill.Bottom - (item.cy + 1) * i - item.cy;
        if (y < 0) y += shape.Height;
        paintAt(TRect(fill.Left, y, fill.Left + item.cx, y + item.cy));
      } else {
        Integer x = fill.Left + (item.cx + 1) * i;
        if (x > shape.Width) x -= shape.Width;
        paintAt(TRect(x, fill.Top, x + item.cx, fill.Top + item.cy));
      }
    }
  } else if (shape.Smooth) {
    paintAt(shape.Vertical ? TRect(fill.Left, fill.Top, fill.Left + item.cx, fill.Bottom)
                           : TRect(fill.Left, fill.Top, fill.Right, fill.Top + item.cy));
  } else {
    ForEachProgressSegment(shape, paintAt);
  }
}

bool TsProgressBar::PrepareCache() {
  TsCommonData* sd = FCommonData.get();
  if (sd->SkinIndex < 0) return false;
  const TkvProgressShape shape = Shape();
  const Integer count = ProgressItemCount(shape);
  if (!shape.Marquee && !shape.Smooth) {
    const bool cacheValid =
        sd->FCacheBmp && sd->FCacheBmp->Width() == Width() && sd->FCacheBmp->Height() == Height() && !sd->BGChanged;
    if (ProgressCacheCurrent(cacheValid, count, FOldCount, shape.Position, shape.Max)) return true;
  }
  FOldCount = count;
  ++FCacheBuilds;
  sd->InitCacheBmp();
  TBitmap* cache = sd->FCacheBmp.get();
  const TRect whole(0, 0, Width(), Height());
  if (sd->FCustomColor) {
    FillRect32(cache, whole, TColor(kvColorToRGB(Integer(BackgroundColor()), sd->GetSkinManager())), 255);
  } else {
    PaintItem(sd, GetParentCache(sd), true, 0, whole, TPoint(Left(), Top()), cache, false);
  }
  if (shape.Min < shape.Max) PaintBarItems(cache, shape);
  UpdateCorners(sd, 0, TSet<TsCorner>{scLeftTop, scLeftBottom, scRightTop, scRightBottom});
  // A rebuilt cache holds the parent's current background.
  sd->BGChanged = false;
  return true;
}

bool TsProgressBar::WhollyInsideParent() {
  TWinControl* parent = Parent();
  if (!parent || !parent->HandleAllocated()) return true;
  RECT client{};
  GetClientRect(parent->WindowHandle(), &client);
  const TRect b = BoundsRect();
  return b.Left >= client.left && b.Top >= client.top && b.Right <= client.right && b.Bottom <= client.bottom;
}

void TsProgressBar::Paint(HDC dc) {
  TsCommonData* sd = FCommonData.get();
  // A bar made a marquee after loading, or shown before its skin came, moves from its first paint.
  if (Style() == pbstMarquee && !Timer->Enabled() && !ComponentState().Contains(csDesigning)) Timer->SetEnabled(true);
  // Remembered in FUpdating: KV_ENDPARENTUPDATE paints once the parent is done.
  if (sd->InUpdating()) return;
  // A part of the bar that was hidden last time may show a background the cache never had,
  // and so may a part the parent itself could not show.
  sd->BGChanged = sd->BGChanged || sd->HalfVisible || (Parent() && GetBoolMsg(Parent(), KV_GETHALFVISIBLE));
  sd->HalfVisible = !WhollyInsideParent();
  if (!PrepareCache() || !sd->FCacheBmp) return;
  BitBlt(dc, 0, 0, Width(), Height(), sd->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
  // Graphic children lie over the bar: painted on top, on the bar's cache as their background.
  ::PaintControls(dc, this, false, TPoint(0, 0), true);
}

void TsProgressBar::TimerAction(TObject*) {
  if (!FCommonData->Skinned()) {
    Timer->SetEnabled(false);
    return;
  }
  if (Visible() && HandleAllocated()) {
    if (HDC dc = GetDC(WindowHandle())) {
      Paint(dc);
      ReleaseDC(WindowHandle(), dc);
    }
  }
  const TkvMarqueeStep next = NextMarqueeStep(Shape(), MarqueeInterval(), FOrient, FMarqStep, State() == pbsError);
  FMarqPos = next.Pos;
  FOrient = next.Orient;
}

// ---- Messages ------------------------------------------------------------------------------------

void TsProgressBar::SetPos(TMessage& m) {
  const Integer previous = FActPosition;
  FActPosition = ClampProgressPosition(Integer(m.WParam), Min(), Max());
  m.Result = previous;
  if (IsSkinned()) {
    // Only a changed number of items shows; the system control never paints.
    if (ProgressItemCount(Shape()) != FOldCount || Smooth()) {
      if (HDC dc = GetDC(WindowHandle())) {
        Paint(dc);
        ReleaseDC(WindowHandle(), dc);
      }
    }
    return;
  }
  m.WParam = WPARAM(FActPosition);
  TProgressBar::Dispatch(m);
  m.Result = previous;
}

void TsProgressBar::Dispatch(TMessage& m) {
  const bool marquee = Style() == pbstMarquee;
  switch (m.Msg) {
    case PBM_SETPOS:
      if (!marquee) {
        SetPos(m);
        return;
      }
      break;
    case PBM_GETPOS:
      if (!marquee) {
        m.Result = FActPosition;
        return;
      }
      break;
    case SM_ALPHACMD:
      if (AnswerSectionCommands(m, FCommonData.get(), u"GAUGE", 7)) return;
      switch (HIWORD(m.WParam)) {
        case KV_GETBG:
          if (auto* info = reinterpret_cast<TkvBGInfo*>(m.LParam)) {
            info->Bmp = FCommonData->FCacheBmp.get();
            info->Offset = TPoint(0, 0);
            info->BgType = btCache;
          }
          return;
        case KV_SETNEWSKIN:
        case KV_REFRESH:
          CommonWndProc(m, FCommonData.get());
          FOldCount = -1;
          UpdateTimer();
          if (HandleAllocated()) InvalidateRect(WindowHandle(), nullptr, FALSE);
          return;
        case KV_ENDPARENTUPDATE:
          if (FCommonData->FUpdating) {
            FCommonData->FUpdating = false;
            if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
          }
          return;
        case KV_REMOVESKIN:
          Timer->SetEnabled(false);
          CommonWndProc(m, FCommonData.get());
          if (HandleAllocated())
            RedrawWindow(WindowHandle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          return;
      }
      break;
  }
  if (IsSkinned()) {
    switch (m.Msg) {
      case WM_MOVE:
      case WM_SIZE:
      case WM_WINDOWPOSCHANGED: FOldCount = -1; break;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = m.WParam ? HDC(m.WParam) : BeginPaint(WindowHandle(), &ps);
        Paint(dc);
        if (!m.WParam) EndPaint(WindowHandle(), &ps);
        m.Result = 0;
        return;
      }
      case WM_PRINTCLIENT:
      case WM_PRINT:
        FCommonData->FUpdating = false;
        Paint(HDC(m.WParam));
        m.Result = 0;
        return;
      case WM_NCPAINT: m.Result = 0; return;
      case WM_ERASEBKGND: m.Result = 1; return;
    }
  }
  if (CommonWndProc(m, FCommonData.get())) return;
  TProgressBar::Dispatch(m);
}
