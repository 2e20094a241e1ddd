// kvgpUtils: GDI+ through its flat API bound by name, and the device-context fills.
//
// Sections
//   1. The bound flat API and the scope objects of its objects
//   2. Start and stop
//   3. Drawing wrappers
//   4. Stretch and blur
//   5. Text
//   6. Device-context fills
#include "raster/kvgpUtils.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "base/kvntUtils.h"
#include "raster/Blend.h"
#include "raster/Text.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"

namespace {

// ---- 1. The bound flat API ----------------------------------------------------------------------
//
// Every GDI+ object is an opaque pointer here; all of them are released through a function of
// the form Status(void*), which lets one scope type own any of them.

using GpStatus = int;
using GpObj = void*;
using TGpDelete = GpStatus(__stdcall*)(GpObj);

struct TGpStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
struct TGpRectF {
  float X, Y, Width, Height;
};
struct TBlurParams {
  float Radius;
  BOOL ExpandEdge;
};
static_assert(sizeof(TBlurParams) == 8);

constexpr GUID BlurEffectGuid = {0x633C80A4, 0x1843, 0x482B, {0x9E, 0xF2, 0xBE, 0x28, 0x34, 0xC5, 0xFD, 0xD4}};
constexpr Integer PixelFormat32bppARGB = 0x26200A;
constexpr Integer PixelFormat32bppPARGB = 0xE200B;
constexpr Integer UnitWorld = 0, UnitPixel = 2;
constexpr Integer CompositingModeSourceCopy = 1, CompositingQualityHighSpeed = 1;
constexpr Integer InterpolationModeHighQuality = 2;
constexpr Integer WrapModeTile = 0, WrapModeClamp = 4;
constexpr Integer FillModeWinding = 1;
constexpr Integer MatrixOrderAppend = 1;
constexpr Integer StringFormatFlagsNoWrap = 0x1000;
constexpr Integer TextRenderingHintAntiAliasGridFit = 3, TextRenderingHintClearTypeGridFit = 5;

struct TGpApi {
  GpStatus(__stdcall* Startup)(ULONG_PTR*, const TGpStartupInput*, void*) = nullptr;
  void(__stdcall* Shutdown)(ULONG_PTR) = nullptr;
  GpStatus(__stdcall* CreateFromHDC)(HDC, GpObj*) = nullptr;
  GpStatus(__stdcall* GetImageGraphicsContext)(GpObj, GpObj*) = nullptr;
  TGpDelete DeleteGraphics = nullptr;
  GpStatus(__stdcall* SetSmoothingMode)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* SetCompositingMode)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* SetCompositingQuality)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* SetInterpolationMode)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* CreatePen1)(UINT32, float, Integer, GpObj*) = nullptr;
  TGpDelete DeletePen = nullptr;
  GpStatus(__stdcall* CreateSolidFill)(UINT32, GpObj*) = nullptr;
  GpStatus(__stdcall* CreateLineBrush)(const TkvPointF*, const TkvPointF*, UINT32, UINT32, Integer, GpObj*) = nullptr;
  GpStatus(__stdcall* CreatePathGradient)(const TkvPointF*, Integer, Integer, GpObj*) = nullptr;
  GpStatus(__stdcall* SetPathGradientCenterColor)(GpObj, UINT32) = nullptr;
  GpStatus(__stdcall* SetPathGradientSurroundColorsWithCount)(GpObj, const UINT32*, Integer*) = nullptr;
  TGpDelete DeleteBrush = nullptr;
  GpStatus(__stdcall* DrawLine)(GpObj, GpObj, float, float, float, float) = nullptr;
  GpStatus(__stdcall* DrawArc)(GpObj, GpObj, float, float, float, float, float, float) = nullptr;
  GpStatus(__stdcall* FillPie)(GpObj, GpObj, float, float, float, float, float, float) = nullptr;
  GpStatus(__stdcall* FillEllipse)(GpObj, GpObj, float, float, float, float) = nullptr;
  GpStatus(__stdcall* FillRectangle)(GpObj, GpObj, float, float, float, float) = nullptr;
  GpStatus(__stdcall* DrawPolygon)(GpObj, GpObj, const TkvPointF*, Integer) = nullptr;
  GpStatus(__stdcall* FillPolygon)(GpObj, GpObj, const TkvPointF*, Integer, Integer) = nullptr;
  GpStatus(__stdcall* DrawImagePoints)(GpObj, GpObj, const TkvPointF*, Integer) = nullptr;
  GpStatus(__stdcall* DrawImageRectRectI)(GpObj, GpObj, Integer, Integer, Integer, Integer, Integer, Integer, Integer,
                                          Integer, Integer, void*, void*, void*) = nullptr;
  GpStatus(__stdcall* CreateBitmapFromScan0)(Integer, Integer, Integer, Integer, BYTE*, GpObj*) = nullptr;
  GpStatus(__stdcall* CreateBitmapFromHBITMAP)(HBITMAP, HPALETTE, GpObj*) = nullptr;
  GpStatus(__stdcall* CreateHBITMAPFromBitmap)(GpObj, HBITMAP*, UINT32) = nullptr;
  GpStatus(__stdcall* BitmapLockBits)(GpObj, const void*, UINT, Integer, void*) = nullptr;
  GpStatus(__stdcall* BitmapUnlockBits)(GpObj, void*) = nullptr;
  TGpDelete DisposeImage = nullptr;
  GpStatus(__stdcall* CreateEffect)(GUID, GpObj*) = nullptr;
  TGpDelete DeleteEffect = nullptr;
  GpStatus(__stdcall* SetEffectParameters)(GpObj, const void*, UINT) = nullptr;
  GpStatus(__stdcall* BitmapCreateApplyEffect)(GpObj*, Integer, GpObj, RECT*, RECT*, GpObj*, BOOL, void**,
                                               Integer*) = nullptr;
  GpStatus(__stdcall* CreateStringFormat)(Integer, LANGID, GpObj*) = nullptr;
  TGpDelete DeleteStringFormat = nullptr;
  GpStatus(__stdcall* SetStringFormatAlign)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* SetStringFormatLineAlign)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* SetStringFormatFlags)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* SetTextRenderingHint)(GpObj, Integer) = nullptr;
  GpStatus(__stdcall* CreateFontFromDC)(HDC, GpObj*) = nullptr;
  GpStatus(__stdcall* CreateFontFamilyFromName)(const WCHAR*, GpObj, GpObj*) = nullptr;
  GpStatus(__stdcall* CreateFont)(GpObj, float, Integer, Integer, GpObj*) = nullptr;
  TGpDelete DeleteFont = nullptr;
  GpStatus(__stdcall* DrawString)(GpObj, const WCHAR*, Integer, GpObj, const TGpRectF*, GpObj, GpObj) = nullptr;
  GpStatus(__stdcall* MeasureString)(GpObj, const WCHAR*, Integer, GpObj, const TGpRectF*, GpObj, TGpRectF*, Integer*,
                                     Integer*) = nullptr;
  GpStatus(__stdcall* TranslateWorldTransform)(GpObj, float, float, Integer) = nullptr;
  GpStatus(__stdcall* RotateWorldTransform)(GpObj, float, Integer) = nullptr;
};

HMODULE hGP = nullptr;
ULONG_PTR gdiplusToken = 0;
TGpApi gp;
const TGpStartupInput StartupInput;

template <class F>
void Bind(F& fn, const char* name) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(hGP, name)));
}

void BindAll() {
  Bind(gp.Startup, "GdiplusStartup");
  Bind(gp.Shutdown, "GdiplusShutdown");
  Bind(gp.CreateFromHDC, "GdipCreateFromHDC");
  Bind(gp.GetImageGraphicsContext, "GdipGetImageGraphicsContext");
  Bind(gp.DeleteGraphics, "GdipDeleteGraphics");
  Bind(gp.SetSmoothingMode, "GdipSetSmoothingMode");
  Bind(gp.SetCompositingMode, "GdipSetCompositingMode");
  Bind(gp.SetCompositingQuality, "GdipSetCompositingQuality");
  Bind(gp.SetInterpolationMode, "GdipSetInterpolationMode");
  Bind(gp.CreatePen1, "GdipCreatePen1");
  Bind(gp.DeletePen, "GdipDeletePen");
  Bind(gp.CreateSolidFill, "GdipCreateSolidFill");
  Bind(gp.CreateLineBrush, "GdipCreateLineBrush");
  Bind(gp.CreatePathGradient, "GdipCreatePathGradient");
  Bind(gp.SetPathGradientCenterColor, "GdipSetPathGradientCenterColor");
  Bind(gp.SetPathGradientSurroundColorsWithCount, "GdipSetPathGradientSurroundColorsWithCount");
  Bind(gp.DeleteBrush, "GdipDeleteBrush");
  Bind(gp.DrawLine, "GdipDrawLine");
  Bind(gp.DrawArc, "GdipDrawArc");
  Bind(gp.FillPie, "GdipFillPie");
  Bind(gp.FillEllipse, "GdipFillEllipse");
  Bind(gp.FillRectangle, "GdipFillRectangle");
  Bind(gp.DrawPolygon, "GdipDrawPolygon");
  Bind(gp.FillPolygon, "GdipFillPolygon");
  Bind(gp.DrawImagePoints, "GdipDrawImagePoints");
  Bind(gp.DrawImageRectRectI, "GdipDrawImageRectRectI");
  Bind(gp.CreateBitmapFromScan0, "GdipCreateBitmapFromScan0");
  Bind(gp.CreateBitmapFromHBITMAP, "GdipCreateBitmapFromHBITMAP");
  Bind(gp.CreateHBITMAPFromBitmap, "GdipCreateHBITMAPFromBitmap");
  Bind(gp.BitmapLockBits, "GdipBitmapLockBits");
  Bind(gp.BitmapUnlockBits, "GdipBitmapUnlockBits");
  Bind(gp.DisposeImage, "GdipDisposeImage");
  Bind(gp.CreateEffect, "GdipCreateEffect");
  Bind(gp.DeleteEffect, "GdipDeleteEffect");  // the effect must be released too
  Bind(gp.SetEffectParameters, "GdipSetEffectParameters");
  Bind(gp.BitmapCreateApplyEffect, "GdipBitmapCreateApplyEffect");
  Bind(gp.CreateStringFormat, "GdipCreateStringFormat");
  Bind(gp.DeleteStringFormat, "GdipDeleteStringFormat");
  Bind(gp.SetStringFormatAlign, "GdipSetStringFormatAlign");
  Bind(gp.SetStringFormatLineAlign, "GdipSetStringFormatLineAlign");
  Bind(gp.SetStringFormatFlags, "GdipSetStringFormatFlags");
  Bind(gp.SetTextRenderingHint, "GdipSetTextRenderingHint");
  Bind(gp.CreateFontFromDC, "GdipCreateFontFromDC");
  Bind(gp.CreateFontFamilyFromName, "GdipCreateFontFamilyFromName");
  Bind(gp.CreateFont, "GdipCreateFont");
  Bind(gp.DeleteFont, "GdipDeleteFont");
  Bind(gp.DrawString, "GdipDrawString");
  Bind(gp.MeasureString, "GdipMeasureString");
  Bind(gp.TranslateWorldTransform, "GdipTranslateWorldTransform");
  Bind(gp.RotateWorldTransform, "GdipRotateWorldTransform");
}

// Owns one GDI+ object; released through the bound function named at construction.
class TGpOwned {
 public:
  explicit TGpOwned(const TGpDelete& del) : del_(del) {}
  ~TGpOwned() {
    if (obj_ && del_) del_(obj_);
  }
  TGpOwned(const TGpOwned&) = delete;
  TGpOwned& operator=(const TGpOwned&) = delete;
  GpObj* Out() { return &obj_; }
  GpObj Get() const { return obj_; }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  const TGpDelete& del_;
  GpObj obj_ = nullptr;
};

// The frame of every wrapper: GDI+ started and a graphics object on the DC. Ok() is false
// when either is missing; the wrapper then draws nothing.
class TGpSession {
 public:
  explicit TGpSession(HDC dc) : graphics_(gp.DeleteGraphics) {
    begun_ = kvGDIBegin(false);
    if (begun_ && dc && gp.CreateFromHDC && gp.DeleteGraphics) gp.CreateFromHDC(dc, graphics_.Out());
  }
  ~TGpSession() {
    if (begun_) kvGDIEnd(false);
  }
  bool Ok() const { return begun_ && graphics_; }
  GpObj G() const { return graphics_.Get(); }
  void Smooth() const {
    if (gp.SetSmoothingMode) gp.SetSmoothingMode(G(), kvDefaultSmoothingMode);
  }

 private:
  bool begun_ = false;
  TGpOwned graphics_;
};

// GDI+'s colour order with an opaque top byte when the colour has none.
UINT32 Opaque(UINT32 argb) { return (argb & 0xFF000000u) ? argb : argb | 0xFF000000u; }
UINT32 GpColor(TColor color) { return Opaque(SwapRedBlue(color)); }

bool MakePen(TGpOwned& pen, UINT32 argb, float width) {
  return gp.CreatePen1 && gp.DeletePen && gp.CreatePen1(argb, width, UnitWorld, pen.Out()) == kvgpOk && pen;
}
bool MakeSolidBrush(TGpOwned& brush, UINT32 argb) {
  return gp.CreateSolidFill && gp.DeleteBrush && gp.CreateSolidFill(argb, brush.Out()) == kvgpOk && brush;
}

}  // namespace

// ---- 2. Start and stop --------------------------------------------------------------------------

bool kvGDIBegin(bool start) {
  if (!hGP) return false;
  if (!start) return gdiplusToken != 0;
  if (gdiplusToken) return true;
  if (gp.Startup) gp.Startup(&gdiplusToken, &StartupInput, nullptr);
  return gdiplusToken != 0;
}

void kvGDIEnd(bool stop) {
  if (stop && hGP && gdiplusToken) {
    if (gp.Shutdown) gp.Shutdown(gdiplusToken);
    gdiplusToken = 0;
  }
}

void kvgpUtilsStartup() {
  if (!hGP) hGP = LoadLibraryW(L"gdiplus.dll");
  if (!hGP) return;
  if (!gp.CreateFromHDC) BindAll();
  kvGDIBegin(true);
}

void kvgpUtilsCleanup() {
  kvGDIEnd(true);
  if (hGP) FreeLibrary(hGP);
  hGP = nullptr;
  gp = TGpApi{};
}

// ---- 3. Drawing wrappers -------------------------------------------------------------------------

void kvgpDrawLine(HDC dc, float x1, float y1, float x2, float y2, TColor color, float penWidth) {
  if (!gp.DrawLine) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  s.Smooth();
  TGpOwned pen(gp.DeletePen);
  if (!MakePen(pen, GpColor(color), penWidth)) return;
  gp.DrawLine(s.G(), pen.Get(), x1, y1, x2, y2);
}

void kvgpFillEllipse(HDC dc, float x, float y, float width, float height, TColor color) {
  if (!gp.FillEllipse) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  s.Smooth();
  TGpOwned brush(gp.DeleteBrush);
  if (!MakeSolidBrush(brush, GpColor(color))) return;
  gp.FillEllipse(s.G(), brush.Get(), x, y, width, height);
}

void kvgpRoundRect(HDC dc, Integer x, Integer y, Integer width, Integer height, Integer radius, Integer borderWidth,
                   TColor fillColor, TColor borderColor) {
  if (!gp.FillEllipse) return;
  width -= 1;
  height -= 1;
  const bool hasBorder = borderColor != clNone && borderWidth >= 1;
  if (hasBorder) {
    const Integer half = borderWidth / 2;
    x += half;
    y += half;
    width -= borderWidth - 1;
    height -= borderWidth - 1;
  }
  bool penMade = false;
  {
    TGpSession s(dc);
    if (!s.Ok()) return;
    s.Smooth();
    radius = std::min({radius, width / 2, height / 2});
    const float d = static_cast<float>(radius), d2 = 2.0f * radius;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    const float fw = static_cast<float>(width), fh = static_cast<float>(height);
    const UINT32 fill = GpColor(fillColor);
    if (fill != clNone) {
      TGpOwned brush(gp.DeleteBrush);
      if (MakeSolidBrush(brush, fill) && gp.FillPie && gp.FillRectangle) {
        if (radius > 0) {
          gp.FillPie(s.G(), brush.Get(), fx, fy, d2, d2, 180, 90);
          gp.FillPie(s.G(), brush.Get(), fx, fy + fh - d2, d2, d2, 90, 90);
          gp.FillPie(s.G(), brush.Get(), fx + fw - d2, fy, d2, d2, 270, 90);
          gp.FillPie(s.G(), brush.Get(), fx + fw - d2, fy + fh - d2, d2, d2, 0, 90);
        }
        gp.FillRectangle(s.G(), brush.Get(), fx + d - 1, fy, fw - d2 + 2, fh);
        gp.FillRectangle(s.G(), brush.Get(), fx, fy + d - 1, fw, fh - d2 + 2);
      }
    }
    if (hasBorder && radius > 0) {
      TGpOwned pen(gp.DeletePen);
      if (MakePen(pen, GpColor(borderColor), static_cast<float>(borderWidth)) && gp.DrawArc && gp.DrawLine) {
        penMade = true;
        gp.DrawArc(s.G(), pen.Get(), fx, fy, d2, d2, 180, 90);
        gp.DrawArc(s.G(), pen.Get(), fx, fy + fh - d2, d2, d2, 90, 90);
        gp.DrawArc(s.G(), pen.Get(), fx + fw - d2, fy, d2, d2, 270, 90);
        gp.DrawArc(s.G(), pen.Get(), fx + fw - d2, fy + fh - d2, d2, d2, 0, 90);
        gp.DrawLine(s.G(), pen.Get(), fx + d, fy, fx + fw - d, fy);
        gp.DrawLine(s.G(), pen.Get(), fx + d, fy + fh, fx + fw - d, fy + fh);
        gp.DrawLine(s.G(), pen.Get(), fx, fy + d, fx, fy + fh - d);
        gp.DrawLine(s.G(), pen.Get(), fx + fw, fy + d, fx + fw, fy + fh - d);
      }
    }
  }
  // A square border (or one GDI+ could not draw) goes through plain GDI after the graphics
  // object is gone, so the two never draw on the DC at once.
  if (hasBorder && !penMade)
    FillDCBorder(dc, TRect(x, y, x + width, y + height), borderWidth, borderWidth, borderWidth, borderWidth,
                 borderColor);
}

void kvgpRoundRect(HDC dc, Integer x, Integer y, Integer width, Integer height, Integer borderWidth, TColor borderColor,
                   const Integer* radii, const TSet<TkvSide>* sides) {
  if (!gp.FillEllipse || borderColor == clNone || borderWidth <= 0) return;
  const Integer half = borderWidth / 2;
  const Integer even = borderWidth % 2 == 0 ? 1 : 0;
  x += half;
  y += half;
  const Integer w = width - borderWidth, h = height - borderWidth;
  TGpSession s(dc);
  if (!s.Ok()) return;
  s.Smooth();
  TGpOwned pen(gp.DeletePen);
  if (!MakePen(pen, GpColor(borderColor), static_cast<float>(borderWidth)) || !gp.DrawLine) return;
  TPoint tl(x, y), tr(x + w, y), bl(x, y + h), br(x + w, y + h);
  auto arc = [&](Integer ax, Integer ay, Integer r, float start) {
    if (gp.DrawArc) gp.DrawArc(s.G(), pen.Get(), float(ax), float(ay), float(2 * r), float(2 * r), start, 90);
  };
  if (radii) {
    const Integer r0 = radii[0], r1 = radii[1], r2 = radii[2], r3 = radii[3];
    if (r0 > 0) {
      tl = {tl.X + r0, tl.Y + r0};
      arc(x, y, r0, 180);
    }
    if (r1 > 0) {
      tr = {tr.X - r1, tr.Y + r1};
      arc(x + w - 2 * r1 - even, y, r1, 270);
    }
    if (r2 > 0) {
      bl = {bl.X + r2, bl.Y - r2};
      arc(x, y + h - 2 * r2 - even, r2, 90);
    }
    if (r3 > 0) {
      br = {br.X - r3, br.Y - r3};
      arc(x + w - 2 * r3 - even, y + h - 2 * r3 - even, r3, 0);
    }
  }
  const Integer ext = std::max(half, 0);
  auto side = [&](TkvSide sd) { return !sides || sides->Contains(sd); };
  auto line = [&](Integer x1, Integer y1, Integer x2, Integer y2) {
    gp.DrawLine(s.G(), pen.Get(), float(x1), float(y1), float(x2), float(y2));
  };
  if (side(asTop) && tl.X < tr.X) line(tl.X - ext, y, tr.X + ext, y);
  if (side(asBottom) && bl.X < br.X) line(bl.X - ext, y + h - even, br.X + ext, y + h - even);
  if (side(asLeft) && tl.Y < bl.Y) line(x, tl.Y - ext, x, bl.Y + ext);
  if (side(asRight) && tr.Y < br.Y) line(x + w - even, tr.Y - ext, x + w - even, br.Y + ext);
}

void kvgpDrawRect(HDC dc, TRect r, Integer borderWidth, TColor borderColor, const TSet<TkvSide>* sides) {
  if (borderColor == clNone || borderWidth <= 0 || !gp.DrawLine) return;
  const Integer half = borderWidth / 2;
  r.Left += half;
  r.Top += half;
  r.Right -= borderWidth;
  r.Bottom -= borderWidth;
  TGpSession s(dc);
  if (!s.Ok()) return;
  s.Smooth();
  TGpOwned pen(gp.DeletePen);
  if (!MakePen(pen, GpColor(borderColor), static_cast<float>(borderWidth))) return;
  auto side = [&](TkvSide sd) { return !sides || sides->Contains(sd); };
  auto line = [&](Integer x1, Integer y1, Integer x2, Integer y2) {
    gp.DrawLine(s.G(), pen.Get(), float(x1), float(y1), float(x2), float(y2));
  };
  if (side(asTop) && r.Left < r.Right) line(r.Left, r.Top, r.Right, r.Top);
  if (side(asBottom) && r.Left < r.Right) line(r.Left, r.Bottom, r.Right, r.Bottom);
  if (side(asLeft) && r.Top < r.Bottom) line(r.Left, r.Top, r.Left, r.Bottom);
  if (side(asRight) && r.Top < r.Bottom) line(r.Right, r.Top, r.Right, r.Bottom);
}

void kvgpFillRect(HDC dc, TColor color, const TRect& r, Integer alphaValue) {
  if (!gp.FillRectangle) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  TGpOwned brush(gp.DeleteBrush);
  const UINT32 argb = (SwapRedBlue(color) & 0x00FFFFFFu) | static_cast<UINT32>(alphaValue & 0xFF) << 24;
  if (!MakeSolidBrush(brush, argb)) return;
  gp.FillRectangle(s.G(), brush.Get(), float(r.Left), float(r.Top), float(r.Right - r.Left), float(r.Bottom - r.Top));
}

namespace {
void LinearGradient(HDC dc, float x, float y, float width, float height, TColor color1, TColor color2, bool vertical) {
  if (!gp.CreateLineBrush || !gp.FillRectangle) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  const TkvPointF p1{x, y};
  const TkvPointF p2 = vertical ? TkvPointF{x, y + height} : TkvPointF{x + width, y};
  TGpOwned brush(gp.DeleteBrush);
  if (gp.CreateLineBrush(&p1, &p2, SwapRedBlue(color1), SwapRedBlue(color2), WrapModeTile, brush.Out()) != kvgpOk ||
      !brush)
    return;
  gp.FillRectangle(s.G(), brush.Get(), x, y, width, height);
}
}  // namespace

void kvgpGradientRectangleH(HDC dc, float x, float y, float width, float height, TColor color1, TColor color2) {
  LinearGradient(dc, x, y, width, height, color1, color2, false);
}

void kvgpGradientRectangleV(HDC dc, float x, float y, float width, float height, TColor color1, TColor color2) {
  LinearGradient(dc, x, y, width, height, color1, color2, true);
}

void kvgpGradientRectangle(HDC dc, const TPoint points[4], const TColor colors[4], float x, float y, float width,
                           float height, TColor centerColor) {
  if (!gp.CreatePathGradient || !gp.FillRectangle) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  TkvPointF pts[4];
  UINT32 surround[4];
  for (int i = 0; i < 4; ++i) {
    pts[i] = {float(points[i].X), float(points[i].Y)};
    surround[i] = SwapRedBlue(colors[i]);
  }
  TGpOwned brush(gp.DeleteBrush);
  if (gp.CreatePathGradient(pts, 4, WrapModeClamp, brush.Out()) != kvgpOk || !brush) return;
  if (gp.SetPathGradientCenterColor) gp.SetPathGradientCenterColor(brush.Get(), SwapRedBlue(centerColor));
  Integer count = 4;
  if (gp.SetPathGradientSurroundColorsWithCount)
    gp.SetPathGradientSurroundColorsWithCount(brush.Get(), surround, &count);
  gp.FillRectangle(s.G(), brush.Get(), x, y, width, height);
}

void kvgpDrawPolygon(HDC dc, TColor color, const TkvPointF* points, Integer pointCount, float lineWidth) {
  if (!gp.DrawPolygon || !points || pointCount <= 0) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  s.Smooth();
  TGpOwned pen(gp.DeletePen);
  if (!MakePen(pen, GpColor(color), lineWidth)) return;
  gp.DrawPolygon(s.G(), pen.Get(), points, pointCount);
}

void kvgpFillPolygon(HDC dc, TColor color, const TPoint* points, Integer pointCount) {
  if (!points || pointCount <= 0) return;
  TkvGpPoints pts(static_cast<size_t>(pointCount));
  for (Integer i = 0; i < pointCount; ++i) pts[size_t(i)] = {float(points[i].X), float(points[i].Y)};
  kvgpFillPolygon(dc, color, pts.data(), pointCount);
}

void kvgpFillPolygon(HDC dc, TColor color, const TkvPointF* points, Integer pointCount) {
  if (!gp.FillPolygon || !points || pointCount <= 0) return;
  TGpSession s(dc);
  if (!s.Ok()) return;
  s.Smooth();
  TGpOwned brush(gp.DeleteBrush);
  if (!MakeSolidBrush(brush, GpColor(color))) return;
  gp.FillPolygon(s.G(), brush.Get(), points, pointCount, FillModeWinding);
}

void kvgpDrawRotatedBitmap(HDC dc, TBitmap* srcBmp, const TRect& r, Integer angle) {
  if (!srcBmp || srcBmp->Empty() || !gp.CreateBitmapFromHBITMAP || !gp.DrawImagePoints) return;
  Integer a = 360 - angle;
  if (a < 0) a += 360;
  if (a >= 360) a -= 360;
  const float w = float(srcBmp->Width()), h = float(srcBmp->Height());
  TkvPointF pts[4] = {{float(r.Left), float(r.Top)},
                      {float(r.Left) + w, float(r.Top)},
                      {float(r.Left), float(r.Top) + h},
                      {float(r.Left) + w, float(r.Top) + h}};
  kvgpRotatePoints(pts, {(r.Left + r.Right) / 2.0f, (r.Top + r.Bottom) / 2.0f}, 4, a);
  TGpSession s(dc);
  if (!s.Ok()) return;
  if (gp.SetInterpolationMode) gp.SetInterpolationMode(s.G(), InterpolationModeHighQuality);
  TGpOwned image(gp.DisposeImage);
  if (gp.CreateBitmapFromHBITMAP(srcBmp->Handle(), nullptr, image.Out()) != kvgpOk || !image) return;
  gp.DrawImagePoints(s.G(), image.Get(), pts, 3);
}

// ---- 4. Stretch and blur --------------------------------------------------------------------------

void kvgpStretchRect(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TRect& srcRect) {
  if (!dstBmp || !srcBmp || srcBmp->PixelFormat() != pf32bit || srcBmp->Empty() || dstBmp->Empty()) return;
  if (!gp.CreateBitmapFromScan0 || !gp.DrawImageRectRectI) return;
  const TPixelView src = srcBmp->View();
  {
    TGpSession s(dstBmp->Canvas()->Handle());
    if (!s.Ok()) return;
    // GDI+ reads the lifted pixels straight from this buffer (top row first).
    std::vector<uint32_t> lifted(size_t(src.Width) * size_t(src.Height));
    for (Integer y = 0; y < src.Height; ++y)
      LiftStretchAlpha(&lifted[size_t(y) * size_t(src.Width)], src.Row(y), src.Width);
    TGpOwned image(gp.DisposeImage);
    if (gp.CreateBitmapFromScan0(src.Width, src.Height, src.Width * 4, PixelFormat32bppARGB,
                                 reinterpret_cast<BYTE*>(lifted.data()), image.Out()) != kvgpOk ||
        !image)
      return;
    if (gp.SetCompositingMode) gp.SetCompositingMode(s.G(), CompositingModeSourceCopy);
    if (gp.SetCompositingQuality) gp.SetCompositingQuality(s.G(), CompositingQualityHighSpeed);
    gp.DrawImageRectRectI(s.G(), image.Get(), dstRect.Left, dstRect.Top, dstRect.Right - dstRect.Left,
                          dstRect.Bottom - dstRect.Top, srcRect.Left, srcRect.Top, srcRect.Right - srcRect.Left,
                          srcRect.Bottom - srcRect.Top, UnitPixel, nullptr, nullptr, nullptr);
  }
  SettleStretchAlpha(dstBmp->View(), dstRect);
}

void kvgpStretchRect(TBitmap* dstBmp, TBitmap* srcBmp, Integer srcX, Integer srcY, Integer srcWidth,
                     Integer srcHeight) {
  if (!dstBmp) return;
  kvgpStretchRect(dstBmp, srcBmp, TRect(0, 0, dstBmp->Width(), dstBmp->Height()),
                  TRect(srcX, srcY, srcX + srcWidth, srcY + srcHeight));
}

namespace {
// One pass of the cheap blur: the top-left span (spanW x spanH) of src stretched onto all of
// dst, both plain pixel memory. GDI+ draws through a graphics on a bitmap over dst's own memory
// in premultiplied form, the bytes a stretch onto a DC of that memory leaves there, without
// the DC's read-back and blend; the settling pass then undoes the lift and the premultiplying.
void BlurPass(const TPixelView& src, Integer spanW, Integer spanH, const TPixelView& dst,
              std::vector<uint32_t>& lifted) {
  lifted.resize(size_t(src.Width) * size_t(src.Height));
  for (Integer y = 0; y < src.Height; ++y)
    LiftStretchAlpha(&lifted[size_t(y) * size_t(src.Width)], src.Row(y), src.Width);
  {
    TGpOwned image(gp.DisposeImage), target(gp.DisposeImage), g(gp.DeleteGraphics);
    if (gp.CreateBitmapFromScan0(src.Width, src.Height, src.Width * 4, PixelFormat32bppARGB,
                                 reinterpret_cast<BYTE*>(lifted.data()), image.Out()) != kvgpOk ||
        !image)
      return;
    if (gp.CreateBitmapFromScan0(dst.Width, dst.Height, dst.Delta, PixelFormat32bppPARGB, dst.Line0, target.Out()) !=
            kvgpOk ||
        !target)
      return;
    if (gp.GetImageGraphicsContext(target.Get(), g.Out()) != kvgpOk || !g) return;
    if (gp.SetCompositingMode) gp.SetCompositingMode(g.Get(), CompositingModeSourceCopy);
    if (gp.SetCompositingQuality) gp.SetCompositingQuality(g.Get(), CompositingQualityHighSpeed);
    gp.DrawImageRectRectI(g.Get(), image.Get(), 0, 0, dst.Width, dst.Height, 0, 0, spanW, spanH, UnitPixel, nullptr,
                          nullptr, nullptr);
  }  // the graphics and the bitmaps let go of the memory before it is settled
  SettleStretchAlpha(dst, TRect(0, 0, dst.Width, dst.Height));
}
}  // namespace

void QBlur(TBitmap* bmp, TSize part, TQBlurScratch& scratch) {
  if (!bmp || bmp->Empty() || bmp->PixelFormat() != pf32bit || !kvGDIBegin(false)) return;
  if (!gp.CreateBitmapFromScan0 || !gp.GetImageGraphicsContext || !gp.DeleteGraphics || !gp.DrawImageRectRectI) return;
  const TPixelView whole = bmp->View();
  const TPixelView v{whole.Line0, whole.Delta, std::min(part.cx, whole.Width), std::min(part.cy, whole.Height)};
  const Integer hw = v.Width / 2, hh = v.Height / 2;
  if (v.Empty() || hw <= 0 || hh <= 0) return;
  scratch.Half.resize(size_t(hw) * size_t(hh));
  const TPixelView half{reinterpret_cast<Byte*>(scratch.Half.data()), hw * 4, hw, hh};
  BlurPass(v, v.Width - 1, v.Height - 1, half, scratch.Lifted);
  BlurPass(half, hw - 1, hh - 1, v, scratch.Lifted);
}

void QBlur(TBitmap* bmp, TSize part) {
  TQBlurScratch scratch;
  QBlur(bmp, part, scratch);
}

void QBlur(TBitmap* bmp) {
  if (bmp) QBlur(bmp, TSize(bmp->Width(), bmp->Height()));
}

namespace {
// Applies the GDI+ blur effect of the radius to bmp in place; the status of the first step
// that failed, or Ok.
GpStatus ApplyBlurEffect(TBitmap* bmp, GpObj effect) {
  if (!gp.CreateBitmapFromHBITMAP || !gp.BitmapCreateApplyEffect || !gp.CreateHBITMAPFromBitmap)
    return kvgpNotImplemented;
  TGpOwned source(gp.DisposeImage);
  GpStatus st = gp.CreateBitmapFromHBITMAP(bmp->Handle(), nullptr, source.Out());
  if (st != kvgpOk || !source) return st != kvgpOk ? st : kvgpNotImplemented;
  GpObj inputs[1] = {source.Get()};
  TGpOwned result(gp.DisposeImage);
  st = gp.BitmapCreateApplyEffect(inputs, 1, effect, nullptr, nullptr, result.Out(), FALSE, nullptr, nullptr);
  if (st != kvgpOk || !result) return st != kvgpOk ? st : kvgpNotImplemented;
  HBITMAP out = nullptr;
  st = gp.CreateHBITMAPFromBitmap(result.Get(), &out, 0);
  if (st != kvgpOk || !out) return st != kvgpOk ? st : kvgpNotImplemented;
  TOwnedBitmap owned(out);
  // The blurred picture replaces the bitmap's pixels, row by row from the top.
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = bmp->Width();
  bi.bmiHeader.biHeight = -bmp->Height();
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(size_t(bmp->Width()) * size_t(bmp->Height()));
  TClientDC screen(nullptr);
  if (GetDIBits(screen, out, 0, UINT(bmp->Height()), pixels.data(), &bi, DIB_RGB_COLORS) != bmp->Height())
    return kvgpNotImplemented;
  const TPixelView v = bmp->View();
  for (Integer y = 0; y < v.Height; ++y)
    std::memcpy(v.Row(y), &pixels[size_t(y) * size_t(v.Width)], size_t(v.Width) * 4);
  return kvgpOk;
}
}  // namespace

Integer kvgpBlur(TBitmap* bmp, float radius) {
  if (!bmp || bmp->Empty() || bmp->PixelFormat() != pf32bit || !kvGDIBegin(false)) return kvgpNotImplemented;
  // The effect is made before any work copy, so that a GDI+ without it (or one that refuses
  // it) goes straight to QBlur without the lossy trip through a scaled copy.
  TGpOwned effect(gp.DeleteEffect);
  GpStatus st = kvgpNotImplemented;
  const TkvBlurPlan plan = kvgpBlurPlan(bmp->Width(), bmp->Height(), radius);
  if (gp.CreateEffect && gp.DeleteEffect) {
    st = gp.CreateEffect(BlurEffectGuid, effect.Out());
    if (st == kvgpOk && !effect) st = kvgpNotImplemented;
    if (st == kvgpOk) {
      const TBlurParams params{plan.Radius, FALSE};
      st = gp.SetEffectParameters ? gp.SetEffectParameters(effect.Get(), &params, sizeof params) : kvgpNotImplemented;
    }
  }
  if (st == kvgpOk) {
    if (plan.UseCopy) {
      std::unique_ptr<TBitmap> copy(CreateBmp32(plan.CopyWidth, plan.CopyHeight));
      FillRect32(copy.get(), TRect(0, 0, copy->Width(), copy->Height()), 0x0000FF, 0);
      FillRect32(copy.get(), TRect(1, 1, copy->Width() - 1, copy->Height() - 1), 0xFFFFFF, 0);
      kvgpStretchRect(copy.get(), bmp, 0, 0, bmp->Width(), bmp->Height());
      st = ApplyBlurEffect(copy.get(), effect.Get());
      if (st == kvgpOk) kvgpStretchRect(bmp, copy.get(), 0, 0, copy->Width(), copy->Height());
    } else {
      st = ApplyBlurEffect(bmp, effect.Get());
    }
  }
  if (st != kvgpOk) QBlur(bmp);
  return st;
}

// ---- 5. Text ---------------------------------------------------------------------------------------

bool kvgpDrawString(HDC dc, const String& text, const TRect& r, TColor color, Integer alignment, Integer vertAlignment,
                    Integer angle, bool alphaLayer, const String& /*fontName*/) {
  if (!gp.CreateStringFormat || !gp.CreateFontFromDC || !gp.DrawString) return false;
  TGpSession s(dc);
  if (!s.Ok()) return false;
  TGpOwned format(gp.DeleteStringFormat);
  if (gp.CreateStringFormat(0, LANG_NEUTRAL, format.Out()) != kvgpOk || !format) return false;
  TGpOwned font(gp.DeleteFont);
  if (gp.CreateFontFromDC(dc, font.Out()) != kvgpOk || !font) return false;
  TGpOwned brush(gp.DeleteBrush);
  if (!MakeSolidBrush(brush, Opaque(color))) return false;
  const TGpRectF layout{float(r.Left), float(r.Top), float(r.Right - r.Left + 1), float(r.Bottom - r.Top + 1)};
  if (gp.SetStringFormatLineAlign)
    gp.SetStringFormatLineAlign(format.Get(), kvVertAlignArray[std::clamp(vertAlignment, 0, 2)]);
  if (gp.SetStringFormatAlign) gp.SetStringFormatAlign(format.Get(), kvAlignArray[std::clamp(alignment, 0, 2)]);
  if (gp.SetTextRenderingHint)
    gp.SetTextRenderingHint(s.G(), alphaLayer ? TextRenderingHintAntiAliasGridFit : TextRenderingHintClearTypeGridFit);
  if (angle != 0 && gp.TranslateWorldTransform && gp.RotateWorldTransform) {
    const float cx = layout.X + layout.Width / 2, cy = layout.Y + layout.Height / 2;
    gp.TranslateWorldTransform(s.G(), -cx, -cy, MatrixOrderAppend);
    gp.RotateWorldTransform(s.G(), float(angle), MatrixOrderAppend);
    gp.TranslateWorldTransform(s.G(), cx, cy, MatrixOrderAppend);
  }
  gp.DrawString(s.G(), reinterpret_cast<const WCHAR*>(text.c_str()), static_cast<Integer>(text.size()), font.Get(),
                &layout, format.Get(), brush.Get());
  return true;
}

namespace {
// Measures with the DC's font; false when GDI+ could not make that font.
bool MeasureWithDCFont(HDC dc, const String& text, bool wrapped, float layoutWidth, TSize& size) {
  TGpSession s(dc);
  if (!s.Ok() || !gp.CreateStringFormat || !gp.CreateFontFromDC || !gp.MeasureString) return true;
  TGpOwned format(gp.DeleteStringFormat);
  if (gp.CreateStringFormat(0, LANG_NEUTRAL, format.Out()) != kvgpOk || !format) return true;
  TGpOwned font(gp.DeleteFont);
  if (gp.CreateFontFromDC(dc, font.Out()) != kvgpOk || !font) return false;
  if (!wrapped && gp.SetStringFormatFlags) gp.SetStringFormatFlags(format.Get(), StringFormatFlagsNoWrap);
  const TGpRectF layout{0, 0, layoutWidth, 0};
  TGpRectF box{};
  if (gp.MeasureString(s.G(), reinterpret_cast<const WCHAR*>(text.c_str()), static_cast<Integer>(text.size()),
                       font.Get(), &layout, format.Get(), &box, nullptr, nullptr) == kvgpOk)
    size = TSize(Integer(std::nearbyint(box.Width)) + 1, Integer(std::nearbyint(box.Height)) + 1);
  return true;
}
}  // namespace

TSize kvgpMeasureString(HDC dc, const String& text, bool wrapped, Integer maxWidth) {
  TSize size;
  if (text.empty()) return size;
  MeasureWithDCFont(dc, text, wrapped, wrapped ? float(maxWidth) : 2147483648.0f, size);
  return size;
}

TSize kvgpMeasureString(HDC dc, const String& text, HFONT font, bool wrapped, Integer maxWidth) {
  TSize size;
  if (text.empty()) return size;
  if (!MeasureWithDCFont(dc, text, wrapped, float(maxWidth), size))
    size = GetStringSize(font, text, 0, false, 0, false);
  return size;
}

// ---- 6. Device-context fills ---------------------------------------------------------------------

namespace {
// Fills the rectangles with one solid GDI brush of the colour, the DC's state kept.
void FillWithBrush(HDC dc, const TRect* rects, int count, TColor color) {
  TSaveDC saved(dc);
  TOwnedBrush brush(CreateSolidBrush(ColorToRGB(color)));
  if (!brush) return;
  TSelectObject select(dc, brush.get());
  for (int i = 0; i < count; ++i) {
    const RECT rc{rects[i].Left, rects[i].Top, rects[i].Right, rects[i].Bottom};
    FillRect(dc, &rc, brush.get());
  }
}
}  // namespace

void FillDC(HDC dc, const TRect& aRect, TColor color, Integer alphaValue) {
  if (alphaValue != 0) {
    kvgpFillRect(dc, color, aRect, alphaValue);
    return;
  }
  FillWithBrush(dc, &aRect, 1, color);
}

void FillDCBorder(HDC dc, const TRect& aRect, Integer wl, Integer wt, Integer wr, Integer wb, TColor color,
                  Integer alphaValue) {
  const TRect strips[4] = {
      {aRect.Left, aRect.Top, aRect.Right, aRect.Top + wt},
      {aRect.Left, aRect.Top + wt, aRect.Left + wl, aRect.Bottom},
      {aRect.Left + wl, aRect.Bottom - wb, aRect.Right, aRect.Bottom},
      {aRect.Right - wr, aRect.Top + wt, aRect.Right, aRect.Bottom - wb},
  };
  if (alphaValue > 0) {
    for (const TRect& s : strips) kvgpFillRect(dc, color, s, alphaValue);
    return;
  }
  FillWithBrush(dc, strips, 4, color);
}
