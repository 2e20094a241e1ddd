// Alpha-blended hints: a component that replaces the class library's plain hint windows with
// 32-bit pictures (painted from the skin's "HINT" section, or drawn from a hint template) shown
// in layered, topmost, click-through picture windows, faded in, and sliding from the previous
// hint's place when one follows another.
//
// Sections: the component (TsAlphaHints); the hint windows (measuring, activating, the picture);
// the picture windows and the show animation (TsShowTimer).
//
// One component at a time is the active hint manager (Manager); without one the class
// library's plain hints are shown.
#pragma once

#ifdef _WIN32

#include <memory>

#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "controls/kvAlphaHintsLayout.h"
#include "controls/kvAlphaHintsTemplates.h"
#include "ui/Forms.h"

class TkvCustomHintWindow;
class TsShowTimer;

enum TkvHintState { hsNormal = 0, hsInit = 1 };

// Called after a hint's text is measured: the width and height it leaves replace the measured
// ones.
using TkvHintMeasureEvent = TEvent<void(const String& HintText, THintInfo& HintInfo, Integer& Width, Integer& Height)>;
// Called before a hint's text is drawn into its picture, with the text's rectangle; clearing
// DefaultDraw leaves the drawing to the handler.
using TkvHintPaintEvent =
    TEvent<void(const String& HintText, const THintInfo& HintInfo, bool& DefaultDraw, TBitmap* Bitmap, const TRect& R)>;
// Called before a hint of the component shows: may change the text, forbid the hint, move it, or
// hand over a frame (the component owns it from then on) that is shown instead of the text.
using TkvShowHintEvent = TEvent<void(String& HintStr, bool& CanShow, TFrame*& HintFrame, THintInfo& HintInfo)>;

// A hint given as a record: a content of Width x Height with a caption and an optional image at
// one side of it, shown at Position, or at Control when one is named.
struct TkvShowHintData {
  Integer Width = 0, Height = 0;
  TPoint Position;
  String Caption;
  TControl* Control = nullptr;
  TBitmap* Image = nullptr;  // not owned
  TkvSide ImageAlignment = asLeft;
};

class TsAlphaHints : public TComponent {
  TW_CLASS(TsAlphaHints, TComponent)
  explicit TsAlphaHints(TComponent* owner);
  ~TsAlphaHints() override;
  void AfterConstruction() override;
  void Loaded() override;

  // ---- properties ----
  bool Active() const { return FActive; }
  void SetActive(bool v);
  bool Animated() const { return FAnimated; }
  void SetAnimated(bool v) { FAnimated = v; }
  Integer MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(Integer v) { FMaxWidth = v; }
  Integer PauseHide() const { return FPauseHide; }
  void SetPauseHide(Integer v);
  const String& TemplateName() const { return FTemplateName; }
  void SetTemplateName(const String& v);
  Integer TemplateIndex() const { return FTemplateIndex; }
  TkvHintTemplates* Templates() const { return FTemplates.get(); }
  void SetTemplates(TkvHintTemplates* v) { FTemplates->Assign(v); }
  TkvMousePosition DefaultMousePos() const { return FDefaultMousePos; }
  void SetDefaultMousePos(TkvMousePosition v) { FDefaultMousePos = v; }
  bool UseSkinData() const { return FUseSkinData; }
  void SetUseSkinData(bool v) { FUseSkinData = v; }
  const String& SkinSection() const { return FSkinSection; }
  void SetSkinSection(const String& v) { FSkinSection = v; }
  TAlignment TextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(TAlignment v) { FTextAlignment = v; }
  bool HandleDisabledCtrls() const { return FHandleDisabledCtrls; }
  void SetHandleDisabledCtrls(bool v) { FHandleDisabledCtrls = v; }
  bool IsHintShowing() const { return HintShowing; }
  // Place the hint at the hinted control (below or beside it by the template) instead of at
  // the mouse.
  // The widest text of a hint window: MaxWidth at the window's density, or the screen's width.
  Integer WidthLimit(TControl* window) const;
  bool AutoAlignment() const { return FAutoAlignment; }
  void SetAutoAlignment(bool v) {
    FAutoAlignment = v;
    FHintLocation = TPoint(0, 0);
  }
  TkvShowHintEvent OnShowHint() const { return FOnShowHint; }
  void SetOnShowHint(TkvShowHintEvent e) { FOnShowHint = e; }
  TkvHintMeasureEvent OnMeasure() const { return FOnMeasure; }
  void SetOnMeasure(TkvHintMeasureEvent e) { FOnMeasure = e; }
  TkvHintPaintEvent OnPaint() const { return FOnPaint; }
  void SetOnPaint(TkvHintPaintEvent e) { FOnPaint = e; }
  // Hint texts are HTML (bold, colours, fonts, line breaks), laid out as the HTML label does.
  bool HTMLMode() const { return FHTMLMode; }
  void SetHTMLMode(bool v) { FHTMLMode = v; }

  // ---- operations ----
  // Becomes the active manager (and the library's hint window class ours) while active.
  void UpdateHWClass();
  // The skin has the component's section and it is to be used.
  bool Skinned() const;
  Integer GetSkinIndex();
  // Shows a hint now at a point / below a control; hideTime in ms, 0: while the mouse stays
  // over the hint's control. Nested calls return at once.
  void ShowHint(TPoint position, const String& hintText, Integer hideTime);
  void ShowHint(TControl* control, const String& hintText, Integer hideTime);
  // Shows the record's content (its caption and image, in its size) now.
  void ShowHint(const TkvShowHintData& data, Integer hideTime);
  void HideHint();
  void HideAll();
  // Redraws the visible hint in place after its text may have changed: measured again and
  // fitted to the monitor at the hint's point.
  void RepaintHint();
  void ResetHintInfo();
  // A text as a hint picture without showing it (the caller owns resultBmp); rect gets the
  // picture's shadow sizes.
  void CreateHintBmp(const String& hintText, TFont* font, TRect& rect, TBitmap*& resultBmp);
  void StartHideTimer(Integer hideTime);
  void StartCheckTimer();
  void KillTimer();
  // The template in use: the named one, else the default template.
  TkvHintTemplate* CurrentTemplate() const;
  // Chooses the template and its picture for the default corner.
  void InitTemplate();
  // Template files (see kvAlphaHintsTemplates.h).
  void SaveToStream(TStream& stream);
  void SaveToFile(const String& fileName);
  TkvHintTemplate* LoadFromStream(TStream& stream);
  TkvHintTemplate* LoadFromFile(const String& fileName);
  void Changed() {
    if (!IsLoading()) FOnChange.Call(this);
  }

  TNotifyEvent FOnChange, FOnHideHint;
  TkvShowHintEvent FOnShowHint;
  TkvHintMeasureEvent FOnMeasure;
  TkvHintPaintEvent FOnPaint;
  bool FHTMLMode = false;
  bool FAutoAlignment = false;
  TShowHintEvent FOnOldShowHint;

  // ---- state shared with the hint windows ----
  Integer FMaxWidth = 120, FPauseHide = 5000, FOldHintPause = 0;
  bool FAnimated = true, FActive = true, FUseSkinData = false, FHandleDisabledCtrls = false;
  TAlignment FTextAlignment = taCenter;
  TPoint FHintPos{-1, -1};
  TkvMousePosition FDefaultMousePos = mpLeftTop;
  Integer FTemplateIndex = -1;
  String FTemplateName, FSkinSection = u"HINT";
  std::unique_ptr<TkvHintTemplates> FTemplates;
  TControl* HintTimeCtrl = nullptr;
  TkvThreadedTimer* HideTimer = nullptr;  // owned by the component
  std::unique_ptr<TkvThreadedTimer> CheckTimer;
  std::unique_ptr<TBitmap> FCacheBmp, OldAlphaBmp;
  double Blend = 0;
  TFont* CustomFont = nullptr;
  TkvHintState State = hsNormal;
  std::unique_ptr<TsShowTimer> ShowTimer;
  bool ShadowCalculated = false;
  std::unique_ptr<TkvGlowForm> NewWindow, AnimWindow;
  TPoint FHintLocation;
  TRect NewBounds;
  THintWindow* HintWindow = nullptr;  // owned by the component
  HWND HintWindowHandle = nullptr;
  bool HintCreating = false, HintShowing = false;
  THintInfo CurrentHintInfo;
  // The frame the OnShowHint handler handed over, shown instead of text; owned until the hint
  // info is reset or the hint hides.
  std::unique_ptr<TFrame> HintFrame;
  // The request of the record form of ShowHint while it runs; empty otherwise.
  TkvShowHintData TmpShowData;
  // The template and picture in use (set by InitTemplate and the hint window).
  TkvHintTemplate* Template = nullptr;
  TkvHintImage* Image = nullptr;

 private:
  void Notification(TComponent* component, TOperation operation) override;
  void ChangedBy(TObject*);
  void OnShowHintApp(String& hintStr, bool& canShow, THintInfo& hintInfo);
  void OnHideTimer(TObject*);
  void OnCtrlTimer(TObject*);
  void OnCheckTimer(TObject*);
  void MakeHintWindow();
  void StopShowAnimation();
  // Measures, asks OnShowHint, activates the hint window at FHintLocation and starts hiding.
  void ShowAtLocation(TControl* control, const String& hintText, Integer hideTime);
  // Calls OnShowHint; a frame it returns is taken over and scaled to the current density.
  void AskShowHint(String& hintStr, bool& canShow, THintInfo& hintInfo);
  // The point of an automatically aligned hint at its control; FHintLocation takes it.
  void CheckAutoHintPos(TControl* control);
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
};

// The active hint manager; null without one.
extern TsAlphaHints*& Manager;

// ---- hint windows ---------------------------------------------------------------------------

class TkvCustomHintWindow : public THintWindow {
  TW_CLASS(TkvCustomHintWindow, THintWindow)
  explicit TkvCustomHintWindow(TComponent* owner);
  ~TkvCustomHintWindow() override;

  TRect CalcHintRect(Integer maxWidth, const String& hint, void* data) override;
  void ActivateHint(TRect rect, const String& hint) override;
  // Builds AlphaBmp, the picture W x H.
  virtual void CreateAlphaBmp(Integer width, Integer height);
  // Redraws the visible picture in place at the component's NewBounds.
  void UpdateWnd(Integer width, Integer height);
  // Shadow sizes of the current look: Left, Top, Right, Bottom.
  TRect ShadowSizes() const;
  // The picture carries its own shadow (so the system's drop shadow stays off).
  bool FullLayer() const;
  Integer SkinMargin(Integer side) const;
  // The shape of a skinned hint without alpha: MaskBmp (white outside the section's shape) and,
  // for a hint window that shows, its window region made from it. Nothing with AlphaUsed.
  void PrepareMask(Integer width, Integer height);
  // The skinned body into the whole of body: the section, or its own shadow with the section
  // inside, or only its border image when the section is fully transparent.
  void PaintHint(TBitmap* body);

  String Text;
  std::unique_ptr<TBitmap> AlphaBmp;
  // The painted body while a picture is built (what KV_GETBG hands out), and the shape mask of a
  // skinned hint without alpha with the region made from it.
  std::unique_ptr<TBitmap> BodyBmp, MaskBmp;
  HRGN rgn = nullptr;  // the region last handed to the window (the window owns it)
  bool AlphaUsed = false;
  Integer SkinIndex = -1;
  TkvMousePosition FMousePos = mpLeftTop;
  bool IsTrackWindow = false;  // renders tooltips into bitmaps only

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override {}
  void WndProc(TMessage& m) override;
  // The text into the picture inside the margins.
  void DrawHintText(TBitmap* bmp);
  // A text into the picture at r in the hint's font and colour (skin writer, HTML or plain).
  void DrawTextAt(TBitmap* bmp, const String& text, TRect r, Cardinal align);
  // The section's font colour, or the template's; a system colour is black.
  TColor TextColor();
  // The picture less its margins: where the content goes.
  TRect TextRect(TBitmap* bmp) const;
  // The record's image at its side and its caption centred in the rest.
  void DrawRequest(TBitmap* bmp, TRect r);
  // The hint frame at r in the picture, its visible children painted onto it.
  void DrawHintFrame(TBitmap* bmp, const TRect& r);
  // Stands in for the frame's and its skin data's window procedures while the frame is painted:
  // KV_GETBG is answered with the picture.
  void FrameWndProc(TMessage& m);
  void FrameSkinDataProc(TMessage& m);
  bool AnswerFrameBackground(TMessage& m);
  TWndMethod OldSDProc, OldFrameProc;
  TBitmap* FramePicture = nullptr;
  TPoint FrameOffset;
  TFont* MeasuringFont();
  TkvHintPlace ArrowPos(const TRect& rect, TPoint point);
  bool BodyHasOwnAlpha() const;
  // Moves the picture window (its size kept) to this window's place.
  void FollowWithPicture();
  std::unique_ptr<TFont> FMeasureFont;
};

class TkvPngHintWindow : public TkvCustomHintWindow {
  TW_CLASS(TkvPngHintWindow, TkvCustomHintWindow)
  explicit TkvPngHintWindow(TComponent* owner) : TkvCustomHintWindow(owner) {}
  TRect CalcHintRect(Integer maxWidth, const String& hint, void* data) override;
  void CreateAlphaBmp(Integer width, Integer height) override;
  // The module's Image becomes the current template's picture for FMousePos.
  void UpdateImageTemplate();
};

class TkvTrackHintWindow : public TkvPngHintWindow {
  TW_CLASS(TkvTrackHintWindow, TkvPngHintWindow)
  explicit TkvTrackHintWindow(TComponent* owner) : TkvPngHintWindow(owner) { IsTrackWindow = true; }
};

// The density a hint window is shown at.
Integer HintPPI(TControl* window);
// The gap between a skinned hint's frame and its text: 4 pixels at 96 PPI.
Integer SkinBorderWidth();
// The font of a hint at the density of its control (or of the main form): the font's own height
// (customFont) or the standard 9 points, scaled from 96 PPI.
void UpdateFontSize(TFont* font, bool customFont);

// The hint window last created or shown (track windows excepted); null when it hid.
extern TkvCustomHintWindow* kvHintWindow;

// ---- picture windows and the show animation --------------------------------------------------

// The window that shows a hint's picture. Its window class is its own, not the glow windows':
// the system's drop shadow is a class style, wanted only under a picture that draws no shadow
// of its own, and a change of it must not reach other windows. Each kind has a class of its
// own, so the style is fixed when the class is registered and never switched afterwards.
class TkvHintPictureForm : public TkvGlowForm {
  TW_CLASS(TkvHintPictureForm, TkvGlowForm)
  using TkvGlowForm::TkvGlowForm;
  // The window casts the system's drop shadow.
  virtual bool SystemShadow() const { return false; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
};

// The picture window of a hint whose picture has no shadow of its own.
class TkvShadowedHintPictureForm : public TkvHintPictureForm {
  TW_CLASS(TkvShadowedHintPictureForm, TkvHintPictureForm)
  using TkvHintPictureForm::TkvHintPictureForm;
  bool SystemShadow() const override { return true; }
};

// A new picture window at the rectangle, shown without activation; the caller owns it. It
// casts the system's shadow when the hint's picture has none of its own.
std::unique_ptr<TkvGlowForm> CreateHintPictureWindow(TkvCustomHintWindow* hintWindow, const TRect& rect);
// The picture window's shadow does not suit the hint's picture (it was made for another look).
bool PictureWindowMismatch(TkvGlowForm* window, TkvCustomHintWindow* hintWindow);

class TsShowTimer : public TkvThreadedTimer {
  TW_CLASS(TsShowTimer, TkvThreadedTimer)
  explicit TsShowTimer(TComponent* owner) : TkvThreadedTimer(owner) {}
  void Init(TkvCustomHintWindow* hintForm, Integer width, Integer height);
  void IntOnTimer(TObject*);

  double x = 0, y = 0, dx = 0, dy = 0, StepB = 0;
  Integer Step = 0, StepCount = 20, Transparency = 0;
  TRect SrcRect;
  TkvCustomHintWindow* CurrentHintForm = nullptr;
};

// The skin layer's hint services (disabled controls' hints, kvShowHintWnd) are offered at
// start-up; the clean-up takes them back.
void kvAlphaHintsServicesStartup();
void kvAlphaHintsServicesCleanup();

#endif
