// The wrapper of an ownerless standard dialog ("#32770" made by DialogBox or CreateDialog, a
// message box without a class-library form): it draws the dialog's frame from the skin's
// "DIALOG" section into its cache bitmap (borders, title strip, icon, caption, border icons),
// copies the frame and client parts of that image into the window, hit-tests and presses its
// own border icons, and executes a press only when the button is released over the icon that
// was pressed. With the manager's glowing the hot and pressed icons fade in on small layered
// windows of their own; with its blend on moving the dialog turns translucent while it is dragged.
// A dialog with scroll styles gets skinned scroll bars: the wrapper is a scroll wrapper, and the
// messages it does not handle itself go through the scroll wrapper's procedure.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "base/kvntTypes.h"
#include "forms/sSkinProvider.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "wrappers/kvSBUtils.h"

class TkvSystemMenu;
class TkvMoveTimer;

class TkvDialogWnd : public TkvScrollWnd {
  TW_CLASS(TkvDialogWnd, TkvScrollWnd)
  ~TkvDialogWnd() override;
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  // Border icons, in the order they are placed from the right edge.
  enum TIcon { biClose, biMax, biMin, biHelp, biCount };
  struct TBorderIcon {
    Integer HitCode = 0;
    Integer Glyph = -1;  // TkvTitleGlyph
    Integer State = 0;   // 0 normal, 1 hot, 2 pressed
    TRect Rect;  // window coordinates (may reach out of a window whose frame the skin widens); empty when not shown
    bool Aligned = true;  // follows the skin's vertical alignment of title icons
    // What the icon's glow fade reads (rectangle, hit code, glyph, state), brought up to date
    // whenever a fade starts or changes; it links the fade while one exists.
    TsCaptionButton Glow;
  };

  // Which icons the saved styles show, and which of them act.
  bool Visible(TIcon icon) const;
  bool EnabledClose() const;
  bool EnabledMax() const;
  bool EnabledMin() const;
  bool EnabledRestore() const;
  // Restore shows only where a frame can be restored: not on dialog, borderless or tool frames.
  bool VisibleRestore() const;

  // The kind of frame, derived from the styles when the dialog is first shown.
  enum TBorderStyle { kvbsDialog, kvbsSingle, kvbsNone, kvbsSizeable, kvbsToolWindow, kvbsSizeToolWin };
  TBorderStyle BorderStyle = kvbsSingle;
  // Saves the styles, derives the border style, sets up the icons and takes WS_SYSMENU from the
  // window, so that the system draws no caption buttons of its own.
  void InitParams();
  // The icons' glyphs as the border style and the visible icons call for.
  void UpdateIconsIndexes();
  // The system's sizing and dialog frame widths for the window's PPI, and the padded border of
  // sizeable frames.
  Integer SizeFrame();
  Integer FixedFrame();
  Integer FramePadding() const;
  Integer CXSizeFrame = 0, CXFixedFrame = 0;
  // The skin commands the dialog answers itself (border width, font section, colour); False
  // hands the command on.
  bool AlphaCommand(TMessage& message);
  // A new skin (KV_SETNEWSKIN): the cached skin dropped and the border window renewed; from the
  // dialog's own manager also its sections and icons, and the direct children told.
  void NewSkin(TMessage& message);

  // Frame metrics of the window as it stands: side border, top border plus caption.
  Integer SysBorderWidth() const;
  Integer HeaderHeight() const;
  Integer CaptionHeight() const;

  // The hit code under a point in window coordinates: in the icon row a border icon, HTSYSMENU
  // over the small icon, else HTCAPTION; outside it -1 on the edge of a maximized dialog, else
  // current (the answer so far).
  Integer HTProcess(TPoint p, Integer current = -1) const;
  // The point lies in the band of the border icons.
  bool InIconRow(TPoint p) const;
  // A maximized dialog's outermost pixels, which are not the dialog's to answer.
  bool AboveBorder(TPoint p) const;
  // The hit code of the border icon under a point in window coordinates, -1 for none: a
  // disabled close icon answers HTNOWHERE, a disabled maximize or minimize icon HTCAPTION.
  Integer IconHit(TPoint p) const;
  // The small icon's place on the picture (border-window coordinates with an outer border).
  TRect IconRect() const;
  void SetHotHT(Integer code);
  void SetPressedHT(Integer code);

  // Renders the whole window image into the cache when it changed.
  void PaintAll();
  // The small icon and the caption on the title (frame's top-left at origin in target): the
  // caption in the title font, on the skin's caption plate when it has one, with its glow.
  void PaintTitle(TBitmap* target, TPoint origin, Integer frameWidth, Integer header, Integer centreOffs);
  // The system's caption font at 11 pixels for the dialog's PPI, named as the manager's font mode says.
  void SelectTitleFont(TCanvas* canvas);
  // The dialog's small icon at the small-icon size (the system's application icon when it
  // cannot be copied).
  void DrawAppIcon(TBitmap* target, TPoint at);
  // Takes the dialog's small (else big) icon, and its picture on the key colour.
  void PrepareTitleGlyph();
  // The client background painted from the picture into dc (the window's own DC when 0),
  // around the child windows.
  void Kv_WMPaint(HDC dc);
  // The frame drawn by the skin (skinned) or by the system again.
  void UpdateNCArea(bool skinned);
  // A border window that exists but is hidden is shown with the dialog's frame.
  void ShowHiddenBorderWindow();
  // The top border of the window as the skin has it (0 when the border window shows the frame).
  Integer BorderHeight() const;
  // WM_SIZE: the system's handling while the skin data is marked updating, then the picture,
  // the region and the outer border window for the new size.
  void SizeChanged(TMessage& message);
  TRect LastClientRect;  // the client rectangle after the last size change
  void PaintCaption(HDC dc);
  void PaintForm(HDC dc);
  void RepaintButton(Integer code);
  // Frees the glow fades of the border icons (their layered windows go with them).
  void KillAnimations();
  // The outer border window behind the dialog (its shadow) made or dropped.
  void InitExBorders(bool active);
  // The shadow margins of the picture (all 0 without an outer border), and where the dialog's
  // window lies in the picture.
  TRect ShadowSize() const;
  TPoint FrameOrigin() const;
  // Where the window's top-left lies on the painted frame: how much the skin's side and title
  // exceed the dialog's own (0, 0 without an outer border).
  TPoint WindowInFrame() const;
  // Where the client area lies on the picture: children take their backgrounds from there.
  TPoint ClientOffset() const;
  // The background a child asks for (the skin command): the picture with the client's offset.
  void GetBackground(TkvBGInfo& info);
  // Draws one icon's look into the cache over the clean title strip; False when it has none.
  bool DrawIcon(Integer code);

  // The manager lets forms and dialogs have skinned frames.
  bool CanDrawNCArea() const;
  // A popup without caption and border bits: the window keeps its whole rectangle.
  bool Borderless() const;
  // The frame is shown by the outer border window (it has none while the dialog is minimized,
  // and a borderless popup keeps its whole window): the dialog itself shows only its client area.
  bool FrameOnBorderWindow() const;
  // The dialog's region while the border window shows its frame: inside the system's sides, below
  // its title (window coordinates).
  TRect ClientRegionRect() const;

  // Lets go of the dialog: the window procedure goes back, the skinner frees the wrapper.
  void Uninit();
  // The skinned system menu at a screen point, its items as the dialog's state says.
  void DropSysMenu(Integer x, Integer y);
  // False for a dialog hosting the shell's item view while common dialogs are not skinned.
  bool CanSkin() const;

  std::array<TBorderIcon, biCount> Icons{};
  Integer CurrentHT = 0;
  bool Clicked = false;  // an icon was pressed and its release may execute it
  bool FFormActive = true;
  Cardinal dwStyle = 0, dwExStyle = 0;
  Integer TitleIndex = -1;
  Integer FCaptionSkinIndex = -1;       // the plate behind the caption, -1 for none
  TOwnedFont TitleFont;                 // the system's caption font
  HICON TitleIcon = nullptr;            // the dialog's own (not owned)
  std::unique_ptr<TBitmap> TitleGlyph;  // the small icon on the key colour
  std::unique_ptr<TBitmap> TitleBG;     // the title strip without border icons
  std::unique_ptr<TkvSystemMenu> SystemMenu;
  // The wrappers of the dialog's child windows; owned, let go of with the dialog.
  std::vector<TkvMainWnd*> ChildWrappers;
  TOwnedFont ItemFont;        // the skin's font put into owner-drawn items' DCs
  bool Initialized = false;   // the children have their wrappers
  bool SysMenuTaken = false;  // InitParams took WS_SYSMENU off the window
  // While set, the dialog's own WM_PAINT is only validated: the skinned background drawn on
  // erasing stays. A field, list or combo child clears it, as those need the dialog to paint.
  bool FWMPaintForbidden = false;
  // A closing command put a snapshot of the dialog over it, so that the dialog's going is not
  // seen before the hide animation; it goes with the animation, the next press or the wrapper.
  bool AnimClosing = false;
  std::unique_ptr<TkvGlowForm> CoverForm;
  void DropCover();
  // The transparent corner rectangles of the frame (window coordinates) and the region's state.
  std::vector<TRect> ArOR;
  bool RgnChanged = true;
  bool RgnChanging = false;
  // Bit 0x80: blend on moving is in progress. Bit 0x01: the skinned scroll bars are kept hidden
  // (not painted) while a size change moves the outer border window.
  Cardinal FormState = 0;

  // The skinned scroll bars: messages over them or about them handled by the scroll wrapper's
  // procedure (True when the message is done), and the bars painted over the frame.
  bool ScrollBarStep(TMessage& message);
  void PaintScrollBars();
  // The skin is on and at least one of the bars is shown.
  bool ShowsSkinnedBars();
  // The window is being destroyed: letting go of it recomputes no frame.
  bool WindowGoing = false;
  // The fade of blend on moving, while the dialog is dragged.
  std::unique_ptr<TkvMoveTimer> MoveTimer;
  // The outer border window with the manager's extended borders; null without.
  std::unique_ptr<TkvBorderForm> BorderForm;

 private:
  void LayoutIcons(Integer cacheWidth);
  void LButtonUp(TMessage& message);
  TBorderIcon* IconOf(Integer code);
};

// Gives an ownerless standard dialog its wrapper; null when it cannot be attached.
TkvDialogWnd* MakeDialogWrapper(HWND dialog);

// The window region of a skinned dialog: the corner rectangles that the skin's border images
// leave transparent (ArOR), the window's rectangle without them, and the region applied.
void FillDlgArOR(TkvDialogWnd* dlg);
HRGN GetRgnFromArOR(TkvDialogWnd* dlg, Integer x, Integer y);
void UpdateRgn(TkvDialogWnd* dlg, bool redraw);

// Takes the visible child windows of wnd out of the DC's clipping (their rectangles moved by the
// offsets), except statics that open a group and group boxes, which show the background; nothing
// for a right-to-left application.
void ExcludeControls(HDC dc, HWND wnd, Integer offsetX, Integer offsetY);

// Blend on moving of a dialog: made layered under a snapshot, the dialog fades towards the
// manager's blend value while the system's move loop drags it (toMove), and is opaque again after.
constexpr Cardinal DLG_BLENDMOVING = 0x80;
constexpr Cardinal DLG_SCROLLSHIDDEN = 0x01;
void StartBlendOnMovingDlg(TkvDialogWnd* dlg, bool toMove);
void FinishBlendOnMovingDlg(TkvDialogWnd* dlg);
#endif
