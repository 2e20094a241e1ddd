// Small types the engine shares: the plain object base of skin data, integer quadruples,
// arrow styles, the option objects of a custom border and of a padding, and (Windows) the
// glow window.
#pragma once

#include "base/sConst.h"
#include "ui/Classes.h"

// A plain object; the per-PPI skin data derives from it, and code that is handed one tests its
// class before use.
class TkvObject : public TObject {};

// Attached to the items of a string list that names skins: the skin's picture in an image list.
class TkvItemDrawDataObj : public TObject {
 public:
  Integer ImageIndex = -1;
};

// As corner radii: top-left, top-right, bottom-left, bottom-right.
struct TkvIntValues {
  Integer Value0 = 0, Value1 = 0, Value2 = 0, Value3 = 0;
};

enum TkvArrowsStyle : Byte { arsSolid1, arsLines1, arsSolid2, arsLines2, arsSolid3, arsDefault };

// The custom border of a skinned control: width, three colours and four corner radii, each
// "take it from the skin" by default (-1, or clNone for colours).
class TkvPaintBorderData : public TPersistent {
  TW_CLASS(TkvPaintBorderData, TPersistent)
  // The skin data object makes it with its owner control, itself and its change handler. No
  // change event is raised here.
  TkvPaintBorderData(TObject* aOwnerObject, TObject* aSkinData, TNotifyEvent aChangeEvent);

  Integer Width() const { return FWidth; }
  void SetWidth(Integer value);
  // Colour index 0 normal, 1 active, 2 pressed; radius index 0 top-left, 1 top-right,
  // 2 bottom-left, 3 bottom-right. Other indexes do nothing.
  TColor GetColor(Integer index) const;
  void SetColor(Integer index, TColor value);
  Integer GetRadius(Integer index) const;
  void SetRadius(Integer index, Integer value);

  // Recomputes FChanged: any value differs from its take-from-skin default.
  bool CheckChanged();
  bool IsChanged() { return CheckChanged(); }
  // CheckChanged, then the change event unless the owner is being loaded or read.
  void Invalidate();
#ifdef _WIN32
  // The radius of a corner (0 top-left, 1 top-right, 2 bottom-left, other bottom-right) for
  // painting: scaled to the control's PPI and limited by its size and the neighbouring
  // corner; 0 or less (square, from the skin) unchanged.
  Integer GetCorner(Integer aCorner);
#endif

  bool FChanged = false;
  Integer FWidth = -1;
  TNotifyEvent FOnChange;
  TColor FColorPressed = clNone;
  TColor FColorActive = clNone;
  TColor FColorNormal = clNone;
  Integer FRadiusTopLeft = -1;
  Integer FRadiusTopRight = -1;
  Integer FRadiusBottomLeft = -1;
  Integer FRadiusBottomRight = -1;
  TObject* FSkinData = nullptr;
  TObject* FOwnerObject = nullptr;

 private:
  Integer* Radius(Integer index);
  TColor* Color(Integer index);
};

// The inner margins of a skinned edit, in pixels at 96 PPI.
class TkvPadding : public TPersistent {
  TW_CLASS(TkvPadding, TPersistent)
  TkvPadding(TComponent* control, TNotifyEvent changeEvent);

  // Index 0 left, 1 top, 2 right, 3 bottom; another index gives 0.
  TkvIntProperty GetPadding(Integer index) const;
  // A changed value is stored and, unless the control is loading, reported with the control
  // (not this object) as sender. Another index does nothing.
  void SetPadding(Integer index, TkvIntProperty value);

  TkvIntProperty FTop = 0;
  TkvIntProperty FLeft = 0;
  TkvIntProperty FRight = 0;
  TkvIntProperty FBottom = 0;
  TComponent* FControl = nullptr;  // the control that owns the padding
  TNotifyEvent FOnChange;
};

// The padding as a rectangle at a PPI (each side times PPI div 96).
TRect PaddingToRect(const TkvPadding* padding, Integer ppi);

#ifdef _WIN32
#include "ui/Forms.h"
#include "ui/Timers.h"

// A UI timer that remembers an owner object (the skin provider keeps the hovered title-bar
// item there).
class TkvTimer : public TTimer {
  TW_CLASS(TkvTimer, TTimer)
  using TTimer::TTimer;
  TObject* FOwner = nullptr;
};

// The borderless window that never takes the focus: the surface of every layered effect of
// the engine (glows, shadows, outer borders, cover windows, animation frames). It is a tool
// window without the system's drop shadow, left alone by every skinning layer, and it lets
// the mouse through to the windows below it. WS_EX_LAYERED is each user's to set.
class TkvGlowForm : public TCustomForm {
  TW_CLASS(TkvGlowForm, TCustomForm)
  // Made like the class library's CreateNew: new TkvGlowForm(owner), then AfterConstruction.
  explicit TkvGlowForm(TComponent* owner);
  ~TkvGlowForm() override;
  void AfterConstruction() override;
  void Loaded() override;
  void WndProc(TMessage& message) override;

  TBitmap* AlphaBmp = nullptr;  // the layered content its user keeps with it; owned
  bool TransparentMouse = true;

 protected:
  void CreateWnd() override;
};
#endif
