// The title bar component: the application's own items (buttons, menu buttons, tabs, spacers,
// labels) in a skinned form's caption, how they are measured and placed in the bar that the
// form's provider leaves free, painted into the form's window picture, and faded between
// their normal, hot and pressed looks on a small layered window over the item.
//
// Sections:
//   1. Plain arithmetic (kvTitleBar.cpp, portable): an item's measured size, the placement of
//      the items in the bar, the fade's steps, the built-in menu-button picture's alpha and
//      the key-colour copy of the nine-part painter without alpha.
//   2. The component, its items and their presses (kvTitleBar.win.cpp).
//   3. The provider's side: binding, layout, hit test, hot tracking and the item painter
//      (kvTitleBarPaint.win.cpp).
//   4. The fade animation of one item (kvTitleBarAnim.win.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "ui/Bitmap.h"
#include "ui/TypInfo.h"
#include "ui/Types.h"

// ---- 1. Plain arithmetic ---------------------------------------------------------------------

TW_ENUM(TkvBtnStyle, bsButton, bsMenu, bsTab, bsSpacing, bsInfo)
TW_ENUM(TkvItemAlign, tbaLeft, tbaRight, tbaCenter, tbaCenterInSpace)

// What measuring one item needs to know; sizes in device pixels unless said otherwise.
struct TkvItemMeasure {
  TkvBtnStyle Style = bsButton;
  bool AutoSize = true;
  bool StretchImage = false;
  Integer Width = 22, Height = 18;  // stored size (96 PPI unless AutoSize)
  Integer Spacing = 4;              // image to caption, 96 PPI
  Integer ItemsMargin = 3;          // the bar's margin, 96 PPI
  Integer PPI = 96;
  bool HasListImage = false;  // the bar's image list has the item's image
  TSize ListImage;            // its size at PPI
  TSize Glyph;                // the item's own glyph bitmap (empty: none)
  Integer NumGlyphs = 1;      // images side by side in the glyph
  bool HasCaption = false;
  TSize Text;                // the caption's size in the item's font
  bool HasDropdown = false;  // a button or menu item with a drop-down menu
  Integer ArrowSize = 0;     // the skin's
};

struct TkvItemSize {
  TSize Content;
  Integer Width = 0, Height = 0;  // the item's new size (only when Resized)
  bool Resized = false;
};

// The margin between a menu button's edge and its content, beyond the bar's margin.
inline Integer IntXMargin(TkvBtnStyle style) { return style == bsMenu ? 4 : 0; }
// Measures an item (contentOnly: only its content; spacers never change their stored size).
TkvItemSize MeasureTitleItem(const TkvItemMeasure& m, bool contentOnly);
// The width of one image of a glyph strip: the strip is cut into NumGlyphs equal images.
Integer GlyphImageWidth(Integer stripWidth, Integer numGlyphs);
// The part of a glyph strip drawn for a state: image i of NumGlyphs (normal, hot, pressed,
// disabled in that order, as far as the strip has them); the whole strip when it has one.
TRect GlyphStateRect(TSize strip, Integer numGlyphs, Integer state, bool disabled);

// One item as the placement sees it.
struct TkvItemBox {
  bool Visible = true;
  bool AutoSize = true;
  TkvBtnStyle Style = bsButton;
  TkvItemAlign Align = tbaLeft;
  Integer Width = 0, Height = 0;  // device pixels for AutoSize items, else 96 PPI
  TRect Rect;                     // result, in the form picture's coordinates
};

// The bar the provider leaves free, and what the placement sums up.
struct TkvBarLayout {
  TRect BarRect;
  Integer FullRight = 0;   // right end of the free caption space
  Integer BarVCenter = 0;  // the caption's centre line
  Integer PPI = 96;
  bool RightToLeft = false;
  bool HasProvider = true;
  Integer SkinSpacing = 0;
  Integer RightSpacing = 0;
  Integer LeftWidth = 0, RightWidth = 0, CenterWidth = 0, CenterWidthS = 0;  // results
};

TkvItemAlign ConvAlign(TkvItemAlign align, bool rightToLeft);
// Places the visible items: each alignment group runs left to right from its start, the
// items in index order (reverse order right to left).
void PlaceTitleItems(TkvBarLayout& bar, std::vector<TkvItemBox>& items);

// The steps of an item's fade: which blend the item's window shows at each tick. The window
// operations are the caller's (TkvFadeSurface).
class TkvFadeSurface {
 public:
  virtual ~TkvFadeSurface() = default;
  virtual void ShowAt(Byte blend) = 0;  // make the image and window when missing, show
  virtual void DropImage() = 0;         // the next ShowAt paints the look anew
  virtual void DropWindow() = 0;
  virtual void KeepWindowAsOld() = 0;  // the shown window stays until the new look is full
  virtual void DropOldWindow() = 0;
  virtual bool CursorOutsideItem() = 0;
  virtual void MouseLeft() = 0;  // tells the form the cursor left the item
};

class TkvItemFade {
 public:
  explicit TkvItemFade(TkvFadeSurface& surface) : surface_(surface) {}
  // A state change of the item (itemState: its effective state now).
  void Restart(Integer itemState, Integer iterations, bool show);
  void Start(Integer newState, bool show);
  void Tick();
  Integer Step() const { return MaxIterations > 0 ? 255 / MaxIterations : 0; }
  Integer CurrentLevel = 0;
  Integer CurrentState = 0;  // -1: finished
  Integer MaxIterations = 0;
  bool ToShow = false;
  bool Running = false;  // the timer runs

 private:
  TkvFadeSurface& surface_;
};

// The built-in menu-button picture stores inverted alpha with straight colours: every pixel
// but the key colour 0x00FF00FF gets normal alpha and premultiplied colours.
void UpdateAlphaTitle(const TPixelView& v);
// Copies the inclusive rectangle srcRect (clipped to src) of src to (x, y) of dst, skipping
// the key colour 0x00FF00FF and the rows outside dst.
void CopyTransRect(const TPixelView& dst, const TPixelView& src, Integer x, TRect srcRect, Integer y);

#ifdef _WIN32
#include <windows.h>

#include <memory>

#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/Graphics.h"
#include "ui/Hints.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/Timers.h"

class TsSkinProvider;
class TsTitleBar;
class TkvTitleBarItem;
class TkvItemAnimation;
class TkvGlowForm;

// ---- 2. The component and its items ----------------------------------------------------------

// Set while an item's drop-down menu is open, and kept set when that menu was closed by a
// press on the item itself (that press only closes it).
extern bool SkipMenuShowing;

// Which aspects of its text an item takes from the skin and the system rather than from its
// own Font and glow properties.
class TkvFontData : public TPersistent {
  TW_CLASS(TkvFontData, TPersistent)
  TkvFontData();
  ~TkvFontData() override;
  // Index 0 UseSysColor, 1 UseSysFontName, 2 UseSysGlowing, 3 UseSysSize, 4 UseSysStyle.
  bool UseSys(Integer index) const;
  void SetUseSys(Integer index, bool value);
  void SetGlowColor(TColor value);
  void SetGlowSize(Integer value);
  TFont* Font() const { return FFont.get(); }
  // The font is copied; the item is measured with it at the next layout.
  void SetFont(const TFont* value);
  void Invalidate();

  bool FUseSysSize = true, FUseSysStyle = true, FUseSysColor = true, FUseSysGlowing = true, FUseSysFontName = true;
  std::unique_ptr<TFont> FFont;
  HWND WndHandle = nullptr;
  Integer FGlowSize = 0;
  TColor FGlowColor = 0x808080;
  std::unique_ptr<TFont> UsedFont;    // the font actually measured and drawn with
  std::unique_ptr<TBitmap> GlowMask;  // the glow painter's cached mask
};

// The skin section an item is bound to (-1: none).
struct TkvItemSkinData {
  Integer SkinIndex = -1;
};

using TkvInternalDrawEvent = TEvent<void(TkvTitleBarItem* Item, const TRect& R, TBitmap* Bmp)>;
struct TkvTitleItemDrawData {
  TRect ARect;
  TBitmap* Bmp = nullptr;
};
using TkvDrawItemEvent = TEvent<void(TkvTitleBarItem* Item, const TkvTitleItemDrawData& ADrawData)>;

class TkvTitleBarItem : public TCollectionItem {
  TW_CLASS(TkvTitleBarItem, TCollectionItem)
  explicit TkvTitleBarItem(TCollection* collection);
  ~TkvTitleBarItem() override;
  String DisplayName() const override { return FName; }

  TsTitleBar* Bar() const;
  TsSkinProvider* Provider() const;

  // -- Setters: a changed value invalidates the item (and re-measures it where it counts).
  void SetCaption(const String& v);
  void SetStyle(TkvBtnStyle v);
  void SetAlign(TkvItemAlign v);
  void SetAlignment(TAlignment v);
  void SetGlyph(TBitmap* v);
  void SetEnabled(bool v);
  void SetVisible(bool v);
  void SetAutoSize(bool v);
  void SetStretchImage(bool v);
  // The integer properties; a pressed item returns to its normal look first.
  void SetImageIndex(Integer v);
  void SetHotImageIndex(Integer v);
  void SetPressedImageIndex(Integer v);
  void SetDisabledImageIndex(Integer v);
  void SetNumGlyphs(Integer v);
  void SetSpacing(Integer v);
  void SetWidth(Integer v);
  void SetHeight(Integer v);
  void SetGroupIndex(Integer v);
  void SetDown(bool v);
  void SetSkinSection(const String& v);
  void SetName(const String& v) { FName = v; }
  // The bar is told when the menu is freed.
  void SetDropdownMenu(TPopupMenu* v);

  Integer GetState() const;
  void SetState(Integer value);
  void Invalidate(bool recalcSize);
  void UpdateSize(bool contentOnly);
  void InitFont(TsSkinProvider* sp);
  void ScaleItem(Integer numerator, Integer denominator);
  Integer IntXMargin() const { return ::IntXMargin(FStyle); }
  void DoMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  void DoMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
  void DoClick();
  Integer SkinIndex() const { return Data ? Data->SkinIndex : -1; }

  std::unique_ptr<TBitmap> FGlyph;
  bool FEnabled = true, FVisible = true, FAutoSize = true, FShowHint = false, FDroppedDown = false;
  bool FStretchImage = false;
  String FHint, FCaption;
  TMouseEvent FOnMouseUp, FOnMouseDown;
  TNotifyEvent FOnClick, FOnChanged, FOnMouseLeave, FOnMouseEnter;
  Integer FTag = 0, FWidth = 22, FHeight = 18, FSpacing = 4, FNumGlyphs = 1;
  Integer FImageIndex = -1, FGroupIndex = 0, FHotImageIndex = -1, FPressedImageIndex = -1, FDisabledImageIndex = -1;
  String FName, FSkinSection;
  int16_t FCursor = 0;
  TkvBtnStyle FStyle = bsButton;
  TSize FContentSize;
  TkvItemAlign FAlign = tbaLeft;
  std::unique_ptr<TkvFontData> FFontData;
  TAlignment FAlignment = taLeftJustify;
  TPopupMenu* FDropdownMenu = nullptr;
  TkvDrawItemEvent FOnDrawItem;
  TkvInternalDrawEvent FOnInternalDraw;
  bool FDown = false;
  Integer FState = 0;  // 0 normal, 1 hot, 2 pressed
  TRect Rect;          // in the form picture's coordinates
  std::unique_ptr<TkvItemSkinData> Data;
  bool FPressed = false;
  TkvGlowForm* ExtForm = nullptr;
  std::unique_ptr<TkvItemAnimation> Timer;
  std::unique_ptr<THintWindow> HintWnd;  // the item's own plain hint window while it shows

 private:
  template <class T>
  void SetIntProperty(T& field, T value);
};

class TkvTitleItems : public TCollection {
  TW_CLASS(TkvTitleItems, TCollection)
  explicit TkvTitleItems(TsTitleBar* owner);
  TkvTitleBarItem* Items(Integer i) const { return ItemsAs<TkvTitleBarItem>(i); }
  TkvTitleBarItem* Add() { return static_cast<TkvTitleBarItem*>(TCollection::Add()); }
  TsTitleBar* FOwner;
};

class TsTitleBar : public TComponent {
  TW_CLASS(TsTitleBar, TComponent)
  // Raises EAbort "TsTitleBar component may be used with forms only!" for another owner.
  explicit TsTitleBar(TComponent* owner);
  ~TsTitleBar() override;
  void Loaded() override;

  TkvTitleItems* Items() const { return FItems.get(); }
  void SetImages(TCustomImageList* v);
  // A change of the image list's images measures and paints the items anew.
  void ImagesChanged(TObject* sender);
  void SetShowCaption(bool v);
  void Invalidate();
  void UpdateSizes();
  void UpdateScale(Integer newValue);
  void CalcSizes();
  bool RightToLeft() const;
  // The painter every item's OnInternalDraw is bound to: the linked provider's item painter.
  void PaintThroughProvider(TkvTitleBarItem* item, const TRect& r, TBitmap* bmp);
  // Stops every item's fade at once (their layered windows go with them).
  void KillAnimations();

  Integer FLeftWidth = 0, FRightWidth = 0, FItemsMargin = 3, FCenterWidth = 0, FCenterWidthS = 0, FItemsSpacing = 0;
  TForm* Form = nullptr;
  TRect FCaptionRect;
  std::unique_ptr<TkvTitleItems> FItems;
  bool FShowCaption = false;
  Integer FRightSpacing = 0;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  Integer FFullRight = 0, FBarVCenter = 0, OldScaleValue = 100;
  TRect FBarRect;
  bool FUpdating = false;
  bool Initialized = false;
  std::unique_ptr<TBitmap> FDefaultMenuBtn;  // three state images side by side
  TsSkinProvider* SP = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
};

// The window whose picture holds the item: the form's outer border window when it has one, else
// the form's own window.
HWND PictureWindowOf(const TkvTitleBarItem& item);
// The outer border window the item was last shown on, as the provider has it now; null when the
// item was shown on the form itself.
TkvGlowForm* LiveExtForm(TkvTitleBarItem& item);

// The title bar on a form; null without one.
TsTitleBar* TitleBarOf(TForm* form);

// ---- 3. The provider's side ------------------------------------------------------------------

bool IsTitleItemHT(TsSkinProvider& sp, Integer ht);
TkvTitleBarItem* TitleItemByHT(TsSkinProvider& sp, Integer ht);
// Links the form's title bar to the provider and binds every item to its skin section.
void UpdateTitleBar(TsSkinProvider& sp);
// The last step of the caption layout: the bar between fullLeft and fullRight.
void CalcTitleBarItems(TsSkinProvider& sp, Integer fullLeft, Integer fullRight);
// HTITEM + the index of the visible item under p that takes presses (enabled, neither a spacer,
// an info item nor a tab already down); 0 when none.
Integer TitleItemHitTest(TsSkinProvider& sp, const TPoint& p);
// Paints the visible items that lie inside the picture's width, last to first, the pressed
// tabs after the others (they overlap their neighbours).
void PaintTitleItems(TsSkinProvider& sp, TBitmap* bmp, Integer captWidth);
// Paints one item into bmp at r.
void PaintTitleItem(TsSkinProvider& sp, TkvTitleBarItem* item, const TRect& r, TBitmap* bmp);
// The item's hint at the cursor (nothing while it shows one), and its hint window freed.
void ShowHintWnd(TkvTitleBarItem* item);
void HideHintWnd(TkvTitleBarItem* item);
// The hot element moves from oldHT to newHT: items turn hot or normal and fade.
void TitleItemHotChange(TsSkinProvider& sp, Integer oldHT, Integer newHT);
// A left press on the caption at ht; true when it was an item's.
bool TitleItemMouseDown(TsSkinProvider& sp, Integer ht, const TMessage& m);
// A left release; pressed: the element the press started on, under: the element under the
// cursor. True when the press was an item's.
bool TitleItemMouseUp(TsSkinProvider& sp, Integer pressed, Integer under, const TMessage& m);

// ---- 4. The fade animation -------------------------------------------------------------------

// Starts or turns the fade of an item after its state changed (show: hot or pressed).
void StartItemAnimation(TkvTitleBarItem* item, Integer iterations, bool show, TkvGlowForm* extendedForm);

class TkvItemAnimation : public TTimer, private TkvFadeSurface {
  TW_CLASS(TkvItemAnimation, TTimer)
  explicit TkvItemAnimation(TComponent* owner);
  ~TkvItemAnimation() override;
  void OnAnimTimer(TObject* sender);
  void StartAnimation(Integer newState, bool show) { Fade.Start(newState, show), SyncTimer(); }
  TRect GetFormBounds();
  void SyncTimer();
  // Tests step the fade themselves: the timer then never runs.
  static bool ManualTicks;

  TkvItemFade Fade;
  std::unique_ptr<TkvGlowForm> AForm, OldForm;
  std::unique_ptr<TBitmap> NewBmp;
  HWND FormHandle = nullptr;
  TkvTitleBarItem* Item = nullptr;
  Byte LastBlend = 0;  // the blend last handed to the layered window

 private:
  void MakeImg();
  void MakeForm();
  void ShowAt(Byte blend) override;
  void DropImage() override { NewBmp.reset(); }
  void DropWindow() override;
  void KeepWindowAsOld() override;
  void DropOldWindow() override;
  bool CursorOutsideItem() override;
  void MouseLeft() override;
};
#endif
