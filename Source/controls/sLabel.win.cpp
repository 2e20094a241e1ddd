// The skinned label: the skin's text colour and optional section background.
#include "controls/sLabel.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/ControlsState.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/Pixels.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

TW_DEFINE_CLASS(TsCustomLabel) {
  b.Property(u"SkinSection", &TsCustomLabel::SkinSection, &TsCustomLabel::SetSkinSection).Default(String());
  b.Property(u"TransparentForMouse", &TsCustomLabel::TransparentForMouse, &TsCustomLabel::SetTransparentForMouse)
      .Default(false);
}

TW_DEFINE_CLASS(TsLabel) {
  b.Property(u"UseSkinColor", &TsLabel::UseSkinColor, &TsLabel::SetUseSkinColor).Default(true);
}

TsCustomLabel::TsCustomLabel(TComponent* owner) : TLabel(owner) {
  SetShowAccelChar(true);
  SetTransparent(true);
}

TsCustomLabel::~TsCustomLabel() { ReplaceReference<DuRiruZireziv>(this, FSkinManager, nullptr); }

void TsCustomLabel::SetSkinManager(DuRiruZireziv* value) {
  if (ReplaceReference(this, FSkinManager, value)) Invalidate();
}

DuRiruZireziv* TsCustomLabel::GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }

bool TsCustomLabel::ManagerActive() const {
  DuRiruZireziv* manager = GetSkinManager();
  return manager && manager->IsActive();
}

void TsCustomLabel::SetSkinSection(const String& value) {
  if (value == FSkinSection) return;
  FSkinSection = value;
  FSkinIndex = -1;
  Invalidate();
}

void TsCustomLabel::Loaded() {
  TLabel::Loaded();
  UpdateGlassMode(this, false);
  if (DuRiruZireziv* manager = GetSkinManager()) manager->UpdateFontName(this);
}

void TsCustomLabel::Notification(TComponent* component, TOperation operation) {
  TLabel::Notification(component, operation);
  if (operation == opRemove && component == FSkinManager) FSkinManager = nullptr;
}

Integer TsCustomLabel::SkinIndex() {
  if (!ManagerActive() || FSkinSection.empty()) return -1;
  if (FSkinIndex < 0) FSkinIndex = GetSkinManager()->GetSkinIndex(FSkinSection);
  return FSkinIndex;
}

TColor TsCustomLabel::TextColor() {
  const bool skinned = ManagerActive();
  TColor color = skinned ? GetSkinManager()->Palette[pcLabelText] : Font()->Color();
  if (!Enabled() && skinned)
    color = BlendColors(TColor(ColorToRGB(color)), TColor(ColorToRGB(GetSkinManager()->GetGlobalColor())),
                        DefBlendDisabled);
  return color;
}

void TsCustomLabel::Paint() {
  if (ComponentState().Contains(csDestroying)) return;
  const Integer index = SkinIndex();
  if (index >= 0 && Parent()) {
    // The section under the text, over the parent's background at the label's place.
    TkvBGInfo info;
    info.R = BoundsRect();
    info.Offset = TPoint(Left(), Top());
    GetBGInfo(&info, Parent(), false);
    PaintItem(index, BGInfoToCI(&info), true, 0, TRect(0, 0, Width(), Height()), TPoint(Left(), Top()),
              Canvas()->Handle(), GetSkinManager()->CommonSkinData(96));
  }
  TLabel::Paint();
  if (FTranspMode == 1 || !Transparent()) {
    // On glass what GDI drew has no alpha: the label's pixels are made opaque.
    std::unique_ptr<TBitmap> bmp(CreateBmp32(Width(), Height()));
    const HDC dc = Canvas()->Handle();
    BitBlt(bmp->Canvas()->Handle(), 0, 0, Width(), Height(), dc, 0, 0, SRCCOPY);
    FillAlphaRect(bmp.get(), MkRect(bmp.get()), 255, clNone);
    BitBlt(dc, 0, 0, Width(), Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  FSkinIndex = -1;  // looked up again at the next paint
}

void TsCustomLabel::DoDrawText(TRect& r, Cardinal flags) {
  const bool measuring = flags & DT_CALCRECT;
  if (measuring || (!ManagerActive() && Enabled())) {
    TLabel::DoDrawText(r, flags);
    return;
  }
  String text = Caption();
  if (FTranspMode == 2 && Transparent()) flags |= DT_ALPHATEXT;
  TCanvas* c = Canvas();
  c->SetFont(GetCurrentFont());
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(TColor(ColorToRGB(TextColor())));
  if (EllipsisPosition() != epNone && !AutoSize()) {
    static constexpr Cardinal kEllipsis[] = {0, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS, DT_WORD_ELLIPSIS};
    flags = (flags & ~static_cast<Cardinal>(DT_EXPANDTABS)) | kEllipsis[EllipsisPosition()];
    if (WordWrap() && (EllipsisPosition() == epEndEllipsis || EllipsisPosition() == epWordEllipsis)) {
      const HDC dc = c->Handle();
      SIZE dots{};
      GetTextExtentPoint32W(dc, L"...", 3, &dots);
      TEXTMETRICW tm{};
      GetTextMetricsW(dc, &tm);
      const Cardinal measure =
          (flags & ~static_cast<Cardinal>(DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) | DT_CALCRECT;
      text = ShortenWithEllipsis(text, std::max<Integer>(ClientHeight(), tm.tmHeight), [&](const String& t) {
        TRect calc(r.Left, r.Top, r.Right - dots.cx, r.Top);
        kvDrawText(dc, t, calc, measure);
        return calc.Height();
      });
    }
  }
  kvDrawText(c->Handle(), text, r, flags);
}

namespace {
// Set while a label handles a change of text or font: what that handling changes starts no
// second round (process-wide, within one message).
bool& LabelFontChanging = kvControlsState.LabelFontChanging;
}  // namespace

void TsCustomLabel::AdjustBounds() {
  if (!AutoSize() || FAdjusting || IsLoading() || ComponentState().Contains(csReading)) return;
  if (!Parent() || !Parent()->HandleAllocated()) {
    TLabel::AdjustBounds();
    return;
  }
  const bool widthGiven = Align() == alTop || Align() == alBottom || Align() == alClient;
  TRect r(0, 0, (WordWrap() || widthGiven) ? Width() : 0, 0);
  DoDrawText(r, DrawTextFlags() | DT_CALCRECT);
  Integer x = Left(), w = r.Width(), h = r.Height();
  if (widthGiven)
    w = Width();
  else if (Align() == alLeft || Align() == alRight)
    h = Height();
  else if (Alignment() == taRightJustify)
    x = Left() + Width() - w;
  if (x == Left() && w == Width() && h == Height()) return;
  // The new bounds make a wrapped label measure again (BoundsChanged): not from here.
  const auto adjusting = SetForScope(FAdjusting, true);
  SetBounds(x, Top(), w, h);
}

void TsCustomLabel::TextOrFontChanged() {
  if (LabelFontChanging || IsLoading() || ComponentState().Contains(csDestroying) || !Parent()) return;
  {
    const auto guard = SetForScope(LabelFontChanging, true);
    if (AutoSize()) {
      if (Alignment() == taRightJustify && BiDiMode() == bdLeftToRight) {
        // Widened first, so a wrapped caption is measured with room; the right edge stays.
        const Integer right = Left() + Width();
        SetBounds(Left(), Top(), Integer(Int64(Width()) * 3 / 2), Height());
        AdjustBounds();
        SetBounds(right - Width(), Top(), Width(), Height());
      } else {
        AdjustBounds();
      }
    }
  }
  if (!InAnimationProcess) Invalidate();
}

void TsCustomLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_HITTEST && FTransparentForMouse) {
    m.Result = 0;  // the mouse goes through
    return;
  }
  if (m.Msg == CM_FONTCHANGED || m.Msg == CM_TEXTCHANGED || m.Msg == CM_PARENTBIDIMODECHANGED) {
    TextOrFontChanged();
    return;
  }
  TLabel::Dispatch(m);
  if (m.Msg != SM_ALPHACMD || ComponentState().Contains(csDestroying)) return;
  switch (HIWORD(m.WParam)) {
    case KV_REMOVESKIN:
      if (FSkinManager && FSkinManager->ComponentState().Contains(csDestroying)) SetSkinManager(nullptr);
      if (FSavedParentFont) SetParentFont(true);
      FSkinIndex = -1;
      Invalidate();
      break;
    case KV_REFRESH: {
      const Integer changed = Integer(LOWORD(m.WParam));
      if ((changed == 0 || changed == FSkinIndex) && !ComponentState().Contains(csDesigning)) {
        FSavedParentFont = ParentFont();
        FSkinIndex = -1;
        Invalidate();
      }
      break;
    }
    case KV_FONTSCHANGED:
      if (DuRiruZireziv* manager = GetSkinManager()) manager->UpdateFontName(this);
      break;
    case KV_GETFONTINDEX:
      // A label has no section of its own for its font: its parent's counts.
      if (ManagerActive() && Parent()) m.Result = GetFontIndex(Parent(), reinterpret_cast<TkvPaintInfo*>(m.LParam));
      break;
    case KV_SETGLASSMODE:
      FTranspMode = Integer(HIWORD(m.LParam));
      m.Result = m.LParam;
      if (FTranspMode == 2 && Transparent() && AutoSize()) AdjustBounds();
      break;
  }
}

// ---- The label in its section's text colour ------------------------------------------------------

TsLabel::TsLabel(TComponent* owner) : TsCustomLabel(owner) {}

void TsLabel::SetUseSkinColor(bool value) {
  if (value == FUseSkinColor) return;
  FUseSkinColor = value;
  Invalidate();
}

TColor TsLabel::TextColor() {
  TColor color = Font()->Color();
  if (FUseSkinColor && ManagerActive()) color = GetFontColor(this, SkinIndex(), GetSkinManager(), 0, nullptr);
  if (!Enabled() && Parent())
    color = BlendColors(TColor(ColorToRGB(color)), TColor(ColorToRGB(GetControlColor(Parent()))), DefBlendDisabled);
  return color;
}

// ---- The HTML label -----------------------------------------------------------------------------

namespace {

// Measures and draws the renderer's pieces on a canvas.
class TCanvasHtmlDevice : public TkvHtmlDevice {
 public:
  TCanvasHtmlDevice(TCanvas* canvas, TFont* base, TBiDiMode bidiMode, const THtmlAlpha& alpha)
      : canvas_(canvas), base_(base), alpha_(alpha) {
    if (bidiMode == bdRightToLeft || bidiMode == bdRightToLeftNoAlign) flags_ |= DT_RTLREADING;
    // Alpha-correct text needs the picture itself; without one the text is drawn plainly.
    if (!alpha_.Target || alpha_.Target->PixelFormat() != pf32bit) alpha_ = THtmlAlpha();
    if (alpha_.TranspMode == 2) flags_ |= DT_ALPHATEXT;
  }
  TSize Measure(const String& text, const TkvHtmlFont& font) override {
    Select(font);
    if (alpha_.TranspMode == 2 && !text.empty()) {
      // Measured as GDI+ will draw it.
      const TSize size = kvgpMeasureString(canvas_->Handle(), text, false, 0);
      if (size.cx > 0 || size.cy > 0) return size;
    }
    TRect r(0, 0, INT32_MAX / 2, 0);
    kvDrawText(canvas_->Handle(), text, r, (flags_ & ~DT_ALPHATEXT) | DT_CALCRECT);
    return {r.Width(), r.Height()};
  }
  void Draw(const String& text, const TkvHtmlFont& font, const TRect& r) override {
    Select(font);
    TRect rect = r;
    if (alpha_.AlphaChannel) {
      WriteColor(alpha_.Target, text, true, rect, flags_ & ~DT_ALPHATEXT, font.Color);
      return;
    }
    kvDrawText(canvas_->Handle(), text, rect, flags_, alpha_.Target);
  }

 private:
  void Select(const TkvHtmlFont& font) {
    TFont* f = canvas_->Font();
    f->Assign(base_);
    if (!font.Name.empty()) f->SetName(font.Name);
    f->SetSize(font.Size);
    f->SetColor(font.Color);
    TFontStyles style;
    if (font.Bold) style = style + TFontStyles{fsBold};
    if (font.Italic) style = style + TFontStyles{fsItalic};
    if (font.Underline) style = style + TFontStyles{fsUnderline};
    f->SetStyle(style);
  }
  TCanvas* canvas_;
  TFont* base_;
  THtmlAlpha alpha_;
  Cardinal flags_ = DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP;
};

bool ShellOpen(const String& url, Integer showMode) {
  HWND owner = Application ? Application->Handle() : nullptr;
  return reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", WideStr(url), nullptr, nullptr, showMode)) > 32;
}

}  // namespace

TRect HtmlText(TCanvas* canvas, TFont* font, TColor color, const String& text, TAlignment alignment, TBiDiMode bidiMode,
               const TRect& area, bool calcOnly, DuRiruZireziv* manager, std::vector<TkvLink>* links,
               Integer pressedLink, Integer hotLink, const THtmlAlpha& alpha) {
  canvas->SetFont(font);
  canvas->Brush()->SetStyle(bsClear);
  TCanvasHtmlDevice device(canvas, font, bidiMode, alpha);
  TkvHtmlFont start;
  start.Name = font->Name();
  start.Size = font->Size();
  start.Color = color;
  start.Bold = font->Style().Contains(fsBold);
  start.Italic = font->Style().Contains(fsItalic);
  start.Underline = font->Style().Contains(fsUnderline);
  TsHtml html;
  html.Alignment = alignment;
  html.BidiMode = bidiMode;
  html.StdBreak = kvHtmlStdBreak;
  if (manager && manager->IsActive()) {
    html.LinkColors.FromSkin = true;
    html.LinkColors.Web = manager->Palette[pcWebText];
    html.LinkColors.WebHot = manager->Palette[pcWebTextHot];
    html.LinkColors.LabelText = manager->Palette[pcLabelText];
  }
  html.Init(&device, start, text, pressedLink, hotLink, area);
  std::vector<TkvLink> unused;
  return html.HTMLText(links ? *links : unused, calcOnly);
}

TsHTMLLabel::TOpenLink TsHTMLLabel::OpenLink = ShellOpen;

TW_DEFINE_CLASS(TsHTMLLabel) {
  b.Property(u"UseHTML", &TsHTMLLabel::UseHTML, &TsHTMLLabel::SetUseHTML).Default(true);
  b.Property(u"ShowMode", &TsHTMLLabel::ShowMode, &TsHTMLLabel::SetShowMode).Default(10);
  b.Property(u"FitToWidth", &TsHTMLLabel::FitToWidth, &TsHTMLLabel::SetFitToWidth).Default(false);
}

void TsHTMLLabel::SetFitToWidth(bool value) {
  if (value == FFitToWidth) return;
  FFitToWidth = value;
  if (AutoSize() && !IsLoading()) AdjustBounds();
}

TsHTMLLabel::TsHTMLLabel(TComponent* owner) : TsLabel(owner) {}

void TsHTMLLabel::SetUseHTML(bool value) {
  if (value == FUseHTML) return;
  FUseHTML = value;
  Invalidate();
}

void TsHTMLLabel::DoDrawText(TRect& r, Cardinal flags) {
  if (!FUseHTML) {
    TsLabel::DoDrawText(r, flags);
    return;
  }
  if (Caption().empty()) return;  // nothing drawn, the rectangle kept
  const bool measuring = flags & DT_CALCRECT;
  TRect area = r;
  if (measuring && AutoSize() && !FFitToWidth) {
    const bool widthGiven = Align() == alTop || Align() == alBottom || Align() == alClient;
    area.Right = area.Left + (widthGiven ? Width() : 65535);
  }
  const TColor color = TColor(ColorToRGB(TextColor()));
  if (measuring) {
    // Measured as it will be drawn: GDI+ measures the text of the alpha-correct mode.
    TBitmap probe(1, 1, pf32bit);
    THtmlAlpha alpha;
    alpha.TranspMode = TranspMode();
    alpha.Target = &probe;
    const TRect size = HtmlText(probe.Canvas(), Font(), color, Caption(), Alignment(), BiDiMode(), area, true,
                                GetSkinManager(), &FLinks, LinkNumber(FPressedLink), LinkNumber(FHotLink), alpha);
    r = TRect(r.Left, r.Top, r.Left + size.Right, r.Top + size.Bottom);
    return;
  }
  // Drawn into a 32-bit copy of what the canvas holds, so that the text of the alpha-correct
  // mode keeps the background's alpha right; then copied back.
  const Integer w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> bmp(CreateBmp32(w, h));
  const HDC dc = Canvas()->Handle();
  BitBlt(bmp->Canvas()->Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
  THtmlAlpha alpha;
  alpha.TranspMode = TranspMode() == 2 && Transparent() ? 2 : 0;
  alpha.Target = bmp.get();
  HtmlText(bmp->Canvas(), Font(), color, Caption(), Alignment(), BiDiMode(), area, false, GetSkinManager(), &FLinks,
           LinkNumber(FPressedLink), LinkNumber(FHotLink), alpha);
  BitBlt(dc, 0, 0, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsHTMLLabel::BoundsChanged() {
  TsLabel::BoundsChanged();
  if (!AutoSize() || FInSizing || !FUseHTML) return;
  if (Align() != alTop && Align() != alBottom && Align() != alClient) return;
  const auto sizing = SetForScope(FInSizing, true);
  AdjustBounds();
}

Integer TsHTMLLabel::LinkNumber(Integer position) const {
  return position >= 0 && position < Integer(FLinks.size()) ? FLinks[size_t(position)].Ndx : -1;
}

Integer TsHTMLLabel::LinkAt(Integer x, Integer y) const {
  for (size_t i = 0; i < FLinks.size(); ++i) {
    const TRect& b = FLinks[i].Bounds;
    if (x >= b.Left && x < b.Right && y >= b.Top && y < b.Bottom) return Integer(i);
  }
  return -1;
}

bool TsHTMLLabel::DoClick(Integer linkIndex) {
  // A repaint may have refilled the links since the press: only an index they still have counts.
  if (linkIndex < 0 || linkIndex >= Integer(FLinks.size())) return false;
  String target = FLinks[size_t(linkIndex)].URL;
  bool defaultAction = true;
  FOnLinkClick.Call(this, target, defaultAction);
  if (target.empty() || !defaultAction) return false;
  return OpenLink(target, FShowMode);
}

void TsHTMLLabel::BufferedRepaint() {
  const bool designing = ComponentState().Contains(csDesigning);
  TWinControl* parent = Parent();
  if ((!Visible() && !designing) || !parent || !parent->HandleAllocated()) return;
  if (Transparent() && !ManagerActive()) {
    Invalidate();
    Update();
    return;
  }
  const Integer w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> bmp(CreateBmp32(w, h));
  const HDC mem = bmp->Canvas()->Handle();
  if (Transparent()) {
    TkvBGInfo info;
    info.R = BoundsRect();
    info.Offset = TPoint(Left(), Top());
    GetBGInfo(&info, parent, false);
    const TCacheInfo ci = BGInfoToCI(&info);
    if (ci.Ready && ci.Bmp) {
      BitBlt(mem, 0, 0, w, h, ci.Bmp->Canvas()->Handle(), Left() + ci.X, Top() + ci.Y, SRCCOPY);
    } else {
      const RECT all{0, 0, w, h};
      const TOwnedBrush brush(CreateSolidBrush(COLORREF(ColorToRGB(ci.FillColor))));
      FillRect(mem, &all, brush.get());
    }
  }
  // The label and the graphic controls above it, each at its place relative to the label.
  bool above = false;
  for (Integer i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this) above = true;
    if (!above || dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    const TRect b = c->BoundsRect();
    if (b.Right <= Left() || b.Left >= Left() + w || b.Bottom <= Top() || b.Top >= Top() + h) continue;
    TSaveDC saved(mem);
    SetWindowOrgEx(mem, Left() - c->Left(), Top() - c->Top(), nullptr);
    IntersectClipRect(mem, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, TWParam(mem), 0);
  }
  TClientDC dc(parent->Handle());
  BitBlt(dc, Left(), Top(), w, h, mem, 0, 0, SRCCOPY);
}

void TsHTMLLabel::Dispatch(TMessage& m) {
  const Integer x = Integer(short(LOWORD(m.LParam))), y = Integer(short(HIWORD(m.LParam)));
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      // A caption set while its control is being read, or one nobody sees, is laid out later.
      if (TWinControl* focus = FocusControl(); focus && focus->ComponentState().Contains(csLoading)) return;
      if (!Visible() && !ComponentState().Contains(csDesigning)) return;
      break;
    case WM_MOUSEMOVE: {
      const Integer link = LinkAt(x, y);
      if (link != FHotLink) {
        FHotLink = link;
        SetCursor(link >= 0 ? crHandPoint : crDefault);
        BufferedRepaint();
      }
      break;
    }
    case WM_LBUTTONDOWN:
      if (FHotLink >= 0) {
        FPressedLink = FHotLink;
        BufferedRepaint();
      }
      break;
    case WM_LBUTTONUP:
      // The shell may pump messages while it opens a link: a second release then clicks nothing.
      if (FPressedLink >= 0 && !FLinkClicking) {
        const auto clicking = SetForScope(FLinkClicking, true);
        const Integer link = LinkAt(x, y);
        FPressedLink = -1;
        BufferedRepaint();
        if (link >= 0) DoClick(link);
      }
      break;
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      if (FHotLink >= 0 || FPressedLink >= 0) {
        FHotLink = FPressedLink = -1;
        SetCursor(crDefault);
        BufferedRepaint();
      }
      break;
  }
  TsLabel::Dispatch(m);
}
