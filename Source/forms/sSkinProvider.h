// Form skinning: the skin provider of a form. It takes over the form's window procedure,
// paints the frame, caption and caption buttons from the skin into one picture of the whole
// window, answers hit tests and the non-client mouse, and answers the engine's skin commands
// for the form.
//
// Sections (files):
//   1. Model and lifecycle, window procedure and skin commands (sSkinProvider.win.cpp)
//   2. Frame metrics: system and skin metrics for the form's PPI (sSkinProviderMetrics.win.cpp)
//   3. Caption layout, caption buttons, hit testing, the non-client mouse and the system-menu
//      queries (sSkinProviderCaption.win.cpp); the system commands, setting changes and menu
//      loops (sSkinProviderSysCommand.win.cpp)
//   4. The window picture, the window region and the paint handlers (sSkinProviderPaint.win.cpp)
//   5. Size, position, showing, closing and the other form messages (sSkinProviderState.win.cpp)
//   6. The child-control adapter (sSkinProviderAdapter.win.cpp)
//   7. The outer border and shadow window: its geometry (sSkinProviderBorder.cpp), the window
//      and its picture (sSkinProviderBorder.win.cpp), its input (sSkinProviderBorderInput.win.cpp)
//   8. The caption-button glow over the outer border window (sSkinProviderButtonGlow.cpp, .win.cpp)
//   9. Desktop composition: the window manager bound by name, blur, taskbar pictures, the system
//      blur (sSkinProviderComposition.win.cpp)
//  10. The own move and size frame, blend on moving, the disabled-form layer and animated
//      scaling (sSkinProviderMotion.win.cpp; their arithmetic in sSkinProviderMotion.cpp)
//  11. The minimize and restore animation, cover windows and the form image
//      (sSkinProviderMinimize.win.cpp)
//  12. Glued forms and screen snapping (sSkinProviderGlue.win.cpp, sSkinProviderGlue.cpp)
//  13. The menu line: the form's menu bar drawn into the picture by the menu painter
//      (sSkinProviderMenuLine.win.cpp)
//  14. The form's own skinned scroll bars: its scroll wrapper (sSkinProviderScrolls.win.cpp)
//
// The desktop-composition query lives in base/Composition.h (the layers below ask it too).
#pragma once

#include "base/Composition.h"

#ifdef _WIN32
#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "controls/sSkinMenusLine.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sSkinManagerOptions.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/Hints.h"
#include "ui/Menus.h"
#include "ui/Timers.h"

// The form layer's start-up registers its services for the layers below (the dialog skinner
// behind the thread hook); the clean-up takes them back and frees the composition library.
void sSkinProviderStartup();
void sSkinProviderCleanup();

class TsSkinProvider;
class TkvTitleBarItem;
class TsTitleBar;
class TsMDIForm;
class TkvBorderForm;
class TkvSystemBlur;
class TkvScaleThread;
class TkvMinTimer;

// ---- Constants and state bits ----------------------------------------------------------------

enum TsGripMode : Byte { gmNone, gmRightBottom };
TW_ENUM_NAMES(TsGripMode, gmNone, gmRightBottom)
enum TsResizeMode : Byte { rmStandard, rmBorder };
enum TkvAnimEvent : Byte { aeShowing, aeHiding, aeSkinChanging };

// FS_BLENDMOVING, FS_ANIMMINIMIZING, FS_ANIMCLOSING, FS_CHANGING and FS_LOCKED are in
// skin/FormServices.h, which the skin layer reads.
constexpr Cardinal FS_SIZING = 0x1;
constexpr Cardinal FS_ANIMRESTORING = 0x400;
constexpr Cardinal FS_THUMBDRAWING = 0x800;
constexpr Cardinal FS_ANIMSHOWING = 0x2000;
constexpr Cardinal FS_MAXHEIGHT = 0x4000;
constexpr Cardinal FS_MAXWIDTH = 0x8000;
constexpr Cardinal FS_SCROLLUPDATING = 0x20000;
constexpr Cardinal FS_POSCHANGING = 0x40000;
constexpr Cardinal FS_ZOOMING = 0x80000;
constexpr Cardinal FS_DISABLED = 0x100000;
constexpr Cardinal FS_ACTIVATE = 0x200000;
constexpr Cardinal FS_RESTORING = 0x400000;
constexpr Cardinal FS_RECREATING = 0x800000;
constexpr Cardinal FS_SCALING = 0x1000000;
constexpr Cardinal FS_GLASSNEEDED = 0x2000000;
constexpr Cardinal FS_ANIMMINREST = 0x500;
constexpr Cardinal FS_ANIMATING = 0x580;
constexpr Cardinal FS_FULLPAINTING = 0x1180;
constexpr Cardinal FS_MAXBOUNDS = 0xC000;

// Hit codes of the engine's caption elements.
// HTCHILDCLOSE, HTCHILDMAX and HTCHILDMIN (101 to 103) are in base/sConst.h.
constexpr Integer HTUDBTN = 1000;  // + index of a user title button
constexpr Integer HTITEM = 2000;   // + index of a title bar item
// The largest number of user title buttons and of title bar items a hit code can name.
constexpr Integer kvMaxCaptionItems = 256;

constexpr Integer ScrollWidth = 18;
constexpr Integer IconicHeight = 26;
constexpr Integer iMinBorderSize = 6;
constexpr Integer iUWPBorderWidth = 2;
constexpr Integer wScreenOffset = 90;
constexpr Integer BtnSpacing = 1;

// The probe by which the engine leaves alone a window that another skinning engine owns: a
// form answers BE_ID to CM_BEWAIT_FORM; a dialog is asked with CM_BEWAIT_DIALOG.
constexpr Cardinal CM_BEWAIT_FORM = 4448;      // 0x1160
constexpr Cardinal CM_BEWAIT_DIALOG = 0xBC4D;  // the dialog skinner's probe
constexpr Integer BE_ID = 16802;

// ---- Caption buttons -------------------------------------------------------------------------

class TkvSBAnimation;

struct TsCaptionButton {
  Integer cpState = 0;  // 0 normal, 1 hot, 2 pressed; -1 never drawn
  Integer cpGlowID = -1;
  TRect cpRect;  // picture coordinates
  Cardinal cpHitCode = 0;
  bool cpHaveAlignment = false;
  TkvTitleGlyph cpGlyphType = tgNone;
  // The fade of the button's hot or pressed look while one exists (owned by the provider).
  TkvSBAnimation* cpTimer = nullptr;
};

// A user caption button of the provider's TitleButtons.
class TsTitleButton : public TCollectionItem {
  TW_CLASS(TsTitleButton, TCollectionItem)
  explicit TsTitleButton(TCollection* collection);
  ~TsTitleButton() override;
  String DisplayName() const override { return Name; }

  bool Enabled = true;
  bool Visible = true;  // read freely; changed through SetVisible
  bool UseSkinData = true;
  String Hint;
  String Name = u"TsTitleButton";
  std::unique_ptr<TBitmap> Glyph;  // empty 32-bit until given one
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TsCaptionButton Data;
  // The plain hint window shown while the mouse is over the button; null otherwise.
  std::unique_ptr<THintWindow> HintWnd;

  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);

  // The provider of the collection the button is in; null outside one.
  TsSkinProvider* Provider() const;
  // Shows or hides the button; the caption is laid out and painted anew.
  void SetVisible(bool value);

 protected:
  // Copies Enabled, Glyph, Hint, Name, UseSkinData and both mouse events into another title
  // button; any other destination (or none) cannot take them.
  void AssignTo(TPersistent* dest) const override;

 private:
  // A new glyph makes the running fade's pictures stale: the fade goes.
  void GlyphChanged(TObject* sender);
};

class TsTitleButtons : public TCollection {
  TW_CLASS(TsTitleButtons, TCollection)
  explicit TsTitleButtons(TsSkinProvider* owner);
  TsTitleButton* Add() { return static_cast<TsTitleButton*>(TCollection::Add()); }
  TsTitleButton* Items(Integer i) const { return ItemsAs<TsTitleButton>(i); }
  TsSkinProvider* FOwner;
};

// ---- Title icon, added title, header band --------------------------------------------------------

// The caption icon of a provider's form: the program's own glyph, or without one the form's or
// the application's icon. Width and Height 0 take the glyph's size, or the skin's without one.
class TsTitleIcon : public TPersistent {
  TW_CLASS(TsTitleIcon, TPersistent)
  explicit TsTitleIcon(TsSkinProvider* owner = nullptr);
  ~TsTitleIcon() override;
  TBitmap* Glyph() const { return FGlyph.get(); }
  // Copies the picture (null empties the glyph).
  void SetGlyph(const TBitmap* value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  Integer Width = 0;
  Integer Height = 0;
  TsSkinProvider* FOwner;

 private:
  void GlyphChanged(TObject* sender);
  // The caption shows the change, unless the provider is loading, designed or its skin data
  // is being updated.
  void Repaint();
  std::unique_ptr<TBitmap> FGlyph;  // empty 32-bit until given one
  bool FVisible = true;
};

// The added title's font colour that means "the title section's font colour".
constexpr TColor clFromSkinTitle = TColor(0x1FFFFFFF);

// A second text in the caption, after the form's caption (or in its place).
class TkvAddedTitle : public TPersistent {
  TW_CLASS(TkvAddedTitle, TPersistent)
  explicit TkvAddedTitle(TsSkinProvider* owner = nullptr);
  ~TkvAddedTitle() override;
  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* value);
  const String& Text() const { return FText; }
  void SetText(const String& value);
  bool ShowMainCaption() const { return FShowMainCaption; }
  void SetShowMainCaption(bool value);
  TsSkinProvider* FOwner;

 private:
  void FontChanged(TObject* sender);
  void Repaint();
  std::unique_ptr<TFont> FFont;
  String FText;
  bool FShowMainCaption = true;
};

// A band of the skin's "FORMHEADER" section under the caption, AdditionalHeight high.
class TkvFormHeader : public TPersistent {
  TW_CLASS(TkvFormHeader, TPersistent)
  explicit TkvFormHeader(TsSkinProvider* owner = nullptr) : FOwner(owner) {}
  Integer AdditionalHeight() const { return FAdditionalHeight; }
  void SetAdditionalHeight(Integer value);
  // The height at the form's PPI.
  Integer ScaledAddHeight() const;
  TsSkinProvider* FOwner;

 private:
  Integer FAdditionalHeight = 0;
};

// ---- The system menu -------------------------------------------------------------------------

// A skinned system menu: a popup menu painted by the menu painter, with the queries that decide
// which commands it shows and allows (the caption buttons, the hit test and the mouse follow
// them too).
class TsCustomSysMenu : public TPopupMenu {
  TW_CLASS(TsCustomSysMenu, TPopupMenu)
  explicit TsCustomSysMenu(TComponent* owner) : TPopupMenu(owner) {}
  virtual bool VisibleClose() const = 0;
  virtual bool VisibleMax() const = 0;
  virtual bool VisibleMin() const = 0;
  virtual bool EnabledMax() const = 0;
  virtual bool EnabledMin() const = 0;
  virtual bool EnabledRestore() const = 0;
};

// Where the provider's user sub-menu stands in its system menu.
enum TkvMenuItemPos : Byte { ipTop, ipBottom, ipBeforeClose };

// A sub-menu of the program's own items in the system menu of a skinned form.
class TkvSysSubMenu : public TPersistent {
  TW_CLASS(TkvSysSubMenu, TPersistent)
  TkvSysSubMenu() = default;
  String Caption;
  TkvMenuItemPos Position = ipBeforeClose;
  TPopupMenu* PopupMenu = nullptr;  // the program's items (not owned)
};

// The system menu of a provider's form, built from the window's own system menu: its captions,
// shortcuts and extra commands, the program's sub-menu and, on request, a list of the skins.
class TsSystemMenu : public TsCustomSysMenu {
  TW_CLASS(TsSystemMenu, TsCustomSysMenu)
  explicit TsSystemMenu(TsSkinProvider* owner);
  bool VisibleClose() const override;
  bool VisibleMax() const override;
  bool VisibleMin() const override;
  bool VisibleRestore() const;
  bool VisibleSize() const;
  bool EnabledClose() const;
  bool EnabledMax() const override;
  bool EnabledMin() const override;
  bool EnabledMove() const;
  bool EnabledRestore() const override;
  bool EnabledSize() const;

  // The items anew from the window's system menu (none without one).
  void Generate();
  // Rebuilt when full or without a close item yet; then every command shown and enabled as
  // the queries say.
  void UpdateItems(bool full);
  // The skin list at the top: one radio item per skin, the current one checked.
  void MakeSkinItems();
  // The items carry no glyphs of their own.
  void UpdateGlyphs() {}

  void RestoreClick(TObject* sender);
  void MoveClick(TObject* sender);
  void SizeClick(TObject* sender);
  void MinClick(TObject* sender);
  void MaxClick(TObject* sender);
  void CloseClick(TObject* sender);
  void ExtClick(TObject* sender);
  void SkinSelect(TObject* sender);

  TMenuItem* SubMenu = nullptr;
  TMenuItem* ItemMove = nullptr;
  TMenuItem* ItemSize = nullptr;
  TMenuItem* ItemClose = nullptr;
  TMenuItem* ItemRestore = nullptr;
  TMenuItem* ItemMinimize = nullptr;
  TMenuItem* ItemMaximize = nullptr;
  Integer ExtItemsCount = 0;
  TsSkinProvider* FOwner;
  TCustomForm* FForm;

 private:
  void TrySubMenu(TkvMenuItemPos position);
  void SendCommand(WPARAM command);
};

class TkvDialogWnd;

// The fixed system menu of a skinned standard dialog: restore, move, size, minimize, maximize
// and close, shown and enabled as the dialog's wrapper says.
class TkvSystemMenu : public TsCustomSysMenu {
  TW_CLASS(TkvSystemMenu, TsCustomSysMenu)
  explicit TkvSystemMenu(TComponent* owner);
  bool VisibleClose() const override;
  bool VisibleMax() const override;
  bool VisibleMin() const override;
  bool EnabledMax() const override;
  bool EnabledMin() const override;
  bool EnabledRestore() const override;
  bool VisibleRestore() const;
  bool VisibleSize() const;
  bool EnabledMove() const;
  bool EnabledSize() const;
  void UpdateItems();

  void RestoreClick(TObject* sender);
  void MoveClick(TObject* sender);
  void SizeClick(TObject* sender);
  void MinClick(TObject* sender);
  void MaxClick(TObject* sender);
  void CloseClick(TObject* sender);

  TkvDialogWnd* FOwner = nullptr;
  TMenuItem* ItemMove = nullptr;
  TMenuItem* ItemSize = nullptr;
  TMenuItem* ItemClose = nullptr;
  TMenuItem* ItemRestore = nullptr;
  TMenuItem* ItemMinimize = nullptr;
  TMenuItem* ItemMaximize = nullptr;

 private:
  void SendCommand(WPARAM command);
};

// Enables (MF_ENABLED) or greys and disables (MF_GRAYED | MF_DISABLED) a command of a menu.
void EnableCommandItem(UINT command, bool enabled, HMENU menu);

// ---- The child-control adapter ---------------------------------------------------------------

class TkvMainWnd;
class TkvScrollWnd;
struct TkvSkinParams;
class TSpeedButton;
class TkvSpeedButtonHandler;

// Makes the window wrapper of one kind of foreign control for a window (no skin data of its
// own, the manager, the parameters, repaint); the wrappers layer gives one per kind it has.
using TkvWrapperMaker = TkvMainWnd* (*)(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params);
// The wrapper maker of each of the 23 kinds of class-name lists; a kind without one leaves its
// controls unwrapped.
extern std::array<TkvWrapperMaker, kvLastSupportedType + 1> WndTypes;

class TkvCtrlAdapter;

// One adapted windowed control and its wrapper.
class TkvAdapterItem {
 public:
  TkvAdapterItem(TkvCtrlAdapter* adapter, TWinControl* ctrl) : Adapter(adapter), WinCtrl(ctrl) {}
  ~TkvAdapterItem();
  void DoHook(TWinControl* ctrl, TkvSkinParams& params, const TkvThirdLists& lists);
  bool Initializing = false;
  TkvCtrlAdapter* Adapter;
  TWinControl* WinCtrl;
  TkvMainWnd* ScrollWnd = nullptr;  // owned
};

// One adapted speed button: its own skin data and the handler that paints it from the skin.
class TkvGraphItem {
 public:
  explicit TkvGraphItem(TkvCtrlAdapter* adapter);
  ~TkvGraphItem();
  void DoHook(TControl* ctrl);
  TkvCtrlAdapter* Adapter;
  TControl* Ctrl = nullptr;
  std::unique_ptr<TsCommonData> SkinData;
  TkvSpeedButtonHandler* Handler = nullptr;  // owned
};

// A label's own colours, kept while the skin colours it.
struct TkvLabelColor {
  TColor Color = clNone;
  TControl* Control = nullptr;
  bool ParentFont = false;
};

// True while an adapter frees all of its items (RemoveAllItems): the wrappers freed meanwhile
// leave their windows' look alone unless the skin is being removed.
extern bool ItemsRemoving;

// Hands the provider's form's class-library controls to the wrappers and colours its plain
// labels from the skin.
class TkvCtrlAdapter {
 public:
  explicit TkvCtrlAdapter(TsSkinProvider* provider) : Provider(provider) { ItemsRemoving = false; }
  ~TkvCtrlAdapter();
  // Walks a form or container (null: the provider's form). A call made while a walk runs (from
  // an event of the walk) returns at once; the walk's own descent into containers goes on.
  void AddAllItems(TWinControl* owner = nullptr);
  void AddNewItem(TWinControl* ctrl, const String& section, const TkvThirdLists* lists);
  // Gives a speed button its handler (flat ones the small section); none for a button that
  // is skinned already, excepted, unparented or refused by the skin events.
  void AddNewItem(TSpeedButton* button);
  bool IsControlSupported(TComponent* component, const TkvThirdLists& lists);
  void CleanItems();
  void RemoveAllItems();
  // Passes a message to every live wrapper.
  void WndProc(TMessage& m);
  Integer ItemCount() const { return Integer(Items.size()); }
  bool Walking() const { return walkDepth_ > 0; }

  std::vector<std::unique_ptr<TkvAdapterItem>> Items;
  std::vector<std::unique_ptr<TkvGraphItem>> GraphItems;
  TsSkinProvider* Provider;

 private:
  // One container to walk and the class-name lists that apply inside it.
  struct OwnerEntry {
    TWinControl* Ctrl;
    const TkvThirdLists* Lists;
  };
  std::vector<OwnerEntry> OwnersToWalk(TWinControl* owner);
  void Walk(TWinControl* owner, const TkvThirdLists& lists);
  bool CheckSkinEvent(TComponent* component, TkvSkinParams& params);
  Integer walkDepth_ = 0;  // nesting of the walk that runs
};

// ---- The provider ----------------------------------------------------------------------------

// One element of the caption that reacts to the mouse, in the order the layout places them.
struct TkvCaptionElement {
  TsCaptionButton* Button;  // the button record (its rectangle and state)
  Integer HitCode;          // the code it answers when enabled
  Integer UserIndex;        // the user title button's index; -1 for a system button
};

class TsSkinProvider : public TComponent, public TkvFormProvider, public TkvMenuLineHost {
  TW_CLASS(TsSkinProvider, TComponent)
  explicit TsSkinProvider(TComponent* owner);
  // The dialog skinner's run-time provider: its initialisation waits for the first frame
  // paint, hit test or visibility change.
  static TsSkinProvider* CreateRT(TForm* form, bool doInitRT = true);
  ~TsSkinProvider() override;
  void AfterConstruction() override;
  void Loaded() override;
  // The provider (or its form) is going: it leaves the form's window chain while the form is
  // still whole.
  void Destroying() override;

  // -- Lifecycle.
  void LoadInit();
  void PrepareForm();
  void InitIndexes();
  void SetFormState(Cardinal value);
  Cardinal FormState() const { return FFormState; }
  TsResizeMode ResizeMode() const { return FResizeMode; }
  // The provider's own frame is not offered: it stays rmStandard.
  void SetResizeMode(TsResizeMode) { FResizeMode = rmStandard; }
  // Runs a message through the provider's window procedure, without the system.
  TLResult ProcessMessage(Cardinal msg, TWParam wParam = 0, TLParam lParam = 0);
  // The skin applies: skin data with a manager and a valid section, the form not going.
  bool Skinned();
  // The skin data stops updating whatever its count (the form's first show and activation end
  // the update its construction began).
  void StopUpdating();
  bool CanDrawNCArea() const;
  DuRiruZireziv* SkinManager() const { return FCommonData ? FCommonData->GetSkinManager() : nullptr; }
  TkvSkinData* SkinDataFor();  // the per-PPI skin data; never null while a manager exists
  // The provider installed itself in the form's window chain (and registered the form).
  bool Installed() const { return installedProc_; }

  // -- Window procedure.
  void NewWndProc(TMessage& m);
  bool KV_SMAlphaCmd_Common(TMessage& m);
  bool KV_SMAlphaCmd_Unskinned(TMessage& m);
  bool KV_SMAlphaCmd_Skinned(TMessage& m);
  // KV_REMOVESKIN from the provider's own manager: the form gets its standard look back.
  void RemoveSkin(TMessage& m);
  // WM_DPICHANGED: the metrics and skin data of the new PPI, the form rescaled when the
  // provider scales it.
  void KV_WMDpiChanged(TMessage& m);

  // -- Frame metrics (section 2).
  Integer FormPPI();
  Integer BorderWidth(bool checkSkin);
  Integer BorderHeight(bool checkSkin);
  Integer CaptionHeight(bool checkSkin);
  Integer ActualTitleHeight(bool max);
  Integer ActualTitleHeight() override { return ActualTitleHeight(false); }
  virtual Integer GetTopCoord();
  Integer HeaderHeight();
  Integer OffsetX();
  Integer OffsetY();
  Integer FramePadding();
  Integer FixedFrame();
  Integer SizeFrame();
  void InitSysParams(Integer ppi);
  bool HaveSysMenu() const;
  Integer SysButtonsCount();
  Integer SysButtonWidth(const TsCaptionButton& btn);
  Integer ButtonHeight();
  Integer SmallButtonWidth();
  Integer SmallButtonHeight();
  Integer UserButtonWidth(const TsTitleButton& btn);
  Integer TitleBtnsWidth();
  Integer BarWidth(Integer imageIndex);
  bool SysRTLAllowed() const;
  bool IconVisible();
  Integer CaptionWidth();
  bool FormChanged();
  void UpdateIconsIndexes();
  void UpdateNCArea(bool skinned);
  void FormLeftTop(TPoint& p);
  Integer LinesCount() { return GetLinesCount(); }
  bool HaveBorder();
  // Windows registered as blur-through areas and a glass look, or the system blur on.
  bool IsBlurred();
  // The captionless look (UWPMode): the client area alone with the skin's window shadow around
  // it. UWPClientRect is that client area in picture coordinates; a sizeable form without an
  // outer border keeps a 2-pixel frame around it. UWPNoBorderMode: the look without an outer
  // border window (the form's own window shows it).
  TRect UWPClientRect();
  bool UWPNoBorderMode();
  // Takes the caption bits away from the window style (hide) or gives them back.
  void UWPCaptionUpdate(bool hide);
  // Renews the picture, the outer border or the window region after the look changed.
  void UpdateUWPMode();
  // Opaque alpha over the client part of a picture of the form (outer border or system blur
  // only: their pictures keep alpha elsewhere), leaving out the blur-through controls.
  void FillAlphaClient(TBitmap* bmp) override;
  bool IsZoomed() const;
  bool IsIconicForm() const;

  // -- Caption (section 3).
  void CalcItems();
  // The mouse-reactive caption elements in layout order: what the layout placed, what the
  // hit test searches and what the hot and pressed states name are one list.
  std::vector<TkvCaptionElement> VisibleElements();
  // The same elements whether or not an outer border window tests them.
  std::vector<TkvCaptionElement> CaptionElements();
  // The hit code an element answers in its present state (0 for a disabled user button).
  Integer CaptionElementCode(const TkvCaptionElement& e);
  TPoint CursorToPoint(Integer x, Integer y);
  Integer HTProcess(TMessage& m);
  // The hit code of a mouse message that the outer border window handed on (-1): that
  // window's own hit test where it exists, else the form's.
  Integer ForwardedHitTest(TMessage& m);
  // True for a point (form coordinates) right of and below where the skin's size grip is
  // drawn; False when the skin has no grip image.
  bool InGripCorner(const TPoint& p);
  void KV_WMNCHitTest(TMessage& m);
  void SetHotHT(Integer value, bool repaint = true);
  void SetPressedHT(Integer value);
  void RepaintButton(Integer ht);
  // Draws one caption button (its glyph for its state, the user glyph) into the picture. Drawn
  // with the whole title, a system button is dimmed as a user button is; repainted alone, a
  // hot or pressed one keeps its full look on an inactive form.
  void PaintCaptionButton(TBitmap* bmp, const TsCaptionButton& btn, Integer ht, bool withTitle = false);
  TsCaptionButton* ButtonByHT(Integer ht);
  void KV_WMNCMouseMove(TMessage& m);
  // Drops the skinned system menu under the title icon after a press on it (with or without
  // the skinned frame drawn).
  void DropSysMenuOnPress(bool nonClientDrawn);
  void KV_WMNCLButtonDown(TMessage& m);
  void KV_WMLButtonUp(TMessage& m);
  void KV_WMNCLButtonDblClick(TMessage& m);
  void KV_WMNCRButtonDown(TMessage& m);
  void KV_WMNCRButtonUp(TMessage& m);
  void KV_WMMouseMove(TMessage& m);
  void KV_WMMouseLeave(TMessage& m);
  void KV_CMMouseEnter(TMessage& m);
  // WM_SIZING: the outer border window follows every step of a system sizing drag.
  void KV_WMSizing(TMessage& m);
  bool DropSysMenu(Integer x, Integer y) override;
  void CheckSysMenu(bool skinned);
  // Hints of the caption (sSkinProviderHints.win.cpp): a user button's at once, a title bar
  // item's after the application's hint pause, counted on the application's clock.
  void ShowHint(TsTitleButton* btn);
  void HideHint(TsTitleButton* btn);
  void StartHintTimer(TkvTitleBarItem* item);
  void OnHintTimer(TObject* sender);
  std::unique_ptr<TkvTimer> FHintTimer;
  TRect FHintRect;        // the screen rectangle of the item whose hint is pending
  uint64_t FHintDue = 0;  // when it may show, on the application's clock

  // -- Picture and painting (section 4).
  bool PaintAll();
  void PaintTitleContent(TBitmap* bmp);
  // The caption text over the title: its plate section and glow when the skin has them,
  // written with alpha into a picture that an outer border window shows.
  void PaintText(TBitmap* bmp, const TRect& rForm);
  // The glow masks of the caption text go when the text changes: the next picture makes them
  // anew (a mask is reused while its size fits).
  void FreeCaptionGlows();
  // The title icon in FIconRect of the picture, its pixels made opaque.
  void DrawAppIcon(TBitmap* bmp);
  // The title icon's size before PPI scaling; 0 while the icon is not visible.
  Integer TitleIconWidth();
  Integer TitleIconHeight();
  Integer TitleIconSize(Integer own, Integer glyph);
  void SaveBGForBtns(Integer captWidth, bool full);
  void RestoreBtnsBG(Integer captWidth);
  // The top-left corner of the size grip image in the picture; (0, 0) without a picture.
  TPoint RBGripPoint(Integer imgIndex);
  // The same corner in the form window's coordinates (the picture of a form with an outer
  // border window holds the shadow and the border window's frame around the form).
  TPoint GripPointInWindow(Integer imgIndex);
  // The picture column where the saved strip behind the caption buttons starts.
  Integer BtnsBGLeft(Integer captWidth);
  // An MDI main form whose active child is maximized and still being shown.
  bool MaximizedChildShowing();
  // The status bar's section painted from the bar's top over the form's bottom border, when
  // the skin merges them.
  void PaintMergedStatusBar(TBitmap* cache, const TCacheInfo& ci, const TRect& rForm, Integer offsetY);
  // The skin's MDI client background where the MDI client lies.
  void PaintMDIArea(TBitmap* cache, const TCacheInfo& ci, const TRect& rForm, Integer captionBottom);
  // The form's OnPaint into the picture at the client's place.
  void PaintClientEvent(TBitmap* cache, Integer offsetX, Integer offsetY);
  void KV_WMNCPaint(TMessage& m);
  void KV_WMNCPaintHandler();
  void PaintCaption(HDC dc);
  // The client part of the picture and the graphic controls into paintRect (client
  // coordinates); sendUpdated tells the children their background is ready.
  void PaintForm(HDC dc, const TRect& paintRect, bool sendUpdated = false);
  void KV_WMEraseBkGnd(TMessage& m);
  void KV_WMEraseBkGndHandler(HDC aDC);
  void KV_WMPaint(TMessage& m);
  void OurPaintHandler(TMessage& m);
  // The frame ring of a sizeable form without a border of its own, w wide; wholePicture: the
  // sides reach the picture's bottom and right edge (a print), else the form's.
  void CopyFrameRing(HDC dc, TBitmap* picture, Integer w, bool wholePicture);
  // With an outer border window: the menu line and the form's inner border strips.
  void CopyStripsBesideOuterBorder(HDC dc);
  void PrintScrollBars(HDC dc);
  // WM_PRINT: the skinned frame and client into the given device context.
  void KV_WMPrint(TMessage& m);
  // -- Activation and the caption cover (sSkinProviderActivate.win.cpp).
  void KV_WMNCActivate(TMessage& m);
  // The background-changed and updating rules of an activation change.
  void NCActivateLook(bool active, bool changed);
  // The activation of a visible form: the system's caption painting hidden under the caption
  // cover (or with redraw off), the skinned frame painted after it.
  void NCActivateVisible(TMessage& m, HWND h, bool active);
  void KV_WMActivate(TMessage& m);
  void KV_WMActivateApp(TMessage& m);
  void KV_WMChildActivate(TMessage& m);
  void KV_WMMDIDestroy(TMessage& m);
  // A popup form of the popup controller that belongs to this form is open.
  bool CheckPopupForms();
  // Shows the caption cover over the form (only its menu line with an outer border window).
  void MakeCaptForm(bool full);
  void KillCaptForm();
  // The caption cover while it exists.
  std::unique_ptr<TkvGlowForm> CaptForm;
  void KV_WMSize(TMessage& m);
  // The client areas under the section's right-hand corner images repaint.
  void InvalidateRightCorners(HWND h);
  // The part of a size step after the old procedure (picture, region, border window, children,
  // OnResize); False when the skin data is still updating and the step is not complete.
  bool SizeStepFollows(HWND h, bool borderUpdated);
  void FollowSizeWithBorder(HWND h, bool barShown, bool borderUpdated);
  void KV_WMSetText(TMessage& m);
  void KV_WMSysCommand(TMessage& m);
  // The parts of a system command (sSkinProviderSysCommand.win.cpp): for forms other than MDI
  // children (True when it carried the command out), then by the form's style.
  bool SysCommandBeforeStyle(TMessage& m);
  void MDIChildSysCommand(TMessage& m);
  void MDIMainSysCommand(TMessage& m);
  void OtherFormSysCommand(TMessage& m);
  void KV_WMSysColorChange(TMessage& m);
  void KV_WMSettingChange(TMessage& m);
  void KV_WMEnterMenuLoop(TMessage& m);
  void KV_WMExitMenuLoop(TMessage& m);
  void KV_WMNotify(TMessage& m);
  void UpdateSkinCaption();

  // -- Size, position, showing and the other messages (section 5).
  void KV_WMWindowPosChanging(TMessage& m);
  // The outer border window follows a position, size, z-order or visibility change; a hidden
  // form fades out through the hide animation.
  void KV_WMWindowPosChanged(TMessage& m);
  // Whether the skin's title of a maximized form with an outer border is taller than the
  // system caption plus 4.
  void UpdateSysExHeight();
  void KV_WMGetMinMaxInfo(TMessage& m);
  // The maximized form's distance below the work area's top (0 without an outer border).
  Integer MaximizedTitleOffset(HWND h);
  void KV_WMMove(TMessage& m);
  // The end of a drag: the skinned dialogs repaint (their outer borders may lie over the
  // moved form's border window).
  void KV_WMExitSizeMove(TMessage& m);
  // After the window went: an MDI child's main form repaints its menu line and client; the
  // cover window goes unless the hide animation still shows it.
  void KV_WMNCDestroy(TMessage& m);
  void KV_WMShowWindow(TMessage& m);
  void KV_WMVisibleChanged(TMessage& m);
  void KV_WMCreate(TMessage& m);
  void KV_WMNCCreate(TMessage& m);
  void KV_WMClose(TMessage& m);
  void KV_WMQueryEndSession(TMessage& m);
  void KV_WMSetRedraw(TMessage& m);
  void KV_WMSetIcon(TMessage& m);
  void KV_WMStyleChanged(TMessage& m);
  void KV_WMParentNotify(TMessage& m);
  // The unskinned state: a form hidden while it is being destroyed or left unskinned still
  // fades out when the manager's hide animation is on.
  void KV_WMWindowPosChanged_Unskinned(TMessage& m);
  void KV_CMShowingChanged_Unskinned(TMessage& m);
  void KV_CMVisibleChanged_Unskinned(TMessage& m);
  // Keeps the form's picture on screen while it is hidden, for the hide animation that
  // follows: the outer border window shows it, else a cover window over the form does.
  // freshImage: the picture is rendered anew (the position change); the unskinned handlers
  // use the cache as it is. False when the preparation does not apply.
  bool PrepareHiding(bool freshImage);
  // The picture in the cache, shown by the outer border window at the form's alpha, on top.
  void ShowPictureInBorder();
  // The window is minimized but the form does not know it yet (x -32000): the form follows and
  // the minimize animation starts. False when that is not the case.
  bool CatchUpMinimize(TMessage& m, const WINDOWPOS& wp);
  // The snapshot window that keeps the form's picture on screen until the hide animation
  // takes it over.
  std::unique_ptr<TkvGlowForm> CoverForm;

  // -- Child-control adapter (section 6).
  void AdapterCreate();
  void AdapterRemove();
  void SendToAdapter(TMessage& m);
  // Colours a plain label from the skin (skinned) or gives it its own colours back.
  void InitLabel(TControl* ctrl, bool skinned);
  // The class-name lists that apply: the provider's own when it has any, else the manager's.
  const TkvThirdLists* ActiveThirdLists();
  std::unique_ptr<TkvCtrlAdapter> Adapter;
  std::vector<TkvLabelColor> SavedLabelColors;
  TkvThirdLists ThirdLists;
  bool OwnThirdLists = false;
  TEvent<void(TComponent* Item, bool& CanBeAdded, String& SkinSection)> OnSkinItem;
  TEvent<void(TComponent* Item, bool& CanBeAdded, TkvSkinParams* SkinParams)> OnSkinItemEx;
  // Lets the application answer a hit test of the outer border window: a non-zero Result it
  // leaves in the message is the answer.
  TEvent<void(TMessage& Msg)> OnExtHitTest;
  // The class-library control whose window is wnd, among the application's forms; null when
  // none has it.
  static TWinControl* FindControlOfWindow(HWND wnd);
  // The longest animation the manager may run (show, hide, minimize, dialog show) plus a
  // margin: the end of a session waits no longer than that for animations to finish.
  Cardinal AnimationWaitLimit();
  // Lets running animations end, at most AnimationWaitLimit long.
  void WaitForAnimations();
  void FillArOR() override;
  // The corner radius of the form's section; 0 without one.
  Integer SectionBorderRadius();
  void UpdateRgn() override { UpdateRgn(true, false); }
  void UpdateRgn(bool doRepaint, bool allChildren);
  HRGN GetRgnFromArOR(Integer x, Integer y) override;

  // -- Own move and size frame, minimize and restore, glued forms, blend on moving, animated
  //    scaling and the disabled-form layer (sSkinProviderMotion.win.cpp,
  //    sSkinProviderMinimize.win.cpp, sSkinProviderGlue.win.cpp).
  void StartMove(Integer x, Integer y);
  void StopMove(Integer x, Integer y);
  void DrawFormBorder(Integer x, Integer y);
  void StartMoveForm();
  // The own frame's share of a left press on the caption or a border, of a mouse move and of
  // a size or move command; True when the own frame took the message.
  bool OwnFrameNCLButtonDown(TMessage& m, Integer ht);
  void OwnFrameMouseMove(TMessage& m);
  bool OwnFrameSysCommand(TMessage& m);
  // Ends a running own-frame drag at the message's point (a release or a double click).
  void OwnFrameRelease(TMessage& m, bool clientPoint);
  bool StartMinimizing() override;
  bool StartRestoring() override;
  std::unique_ptr<TkvGlowForm> TakeCoverForm() override { return std::move(CoverForm); }
  // The minimize picture of a form with an outer border, which then flies on the border window.
  void TakeBorderPicture(TkvMinTimer& mt);
  void CheckNewPosition(Integer& x, Integer& y);
  bool Linked(TForm* form) const;
  void UpdateSlaveFormsList();
  void MoveGluedForms(bool blendMoving);
  void SetGluedForms(const std::vector<String>& value) { GluedForms = value; }
  void AnimChangeScale(Integer newPPI, bool doRecreate);
  void OnScaleTimer(TObject* sender);
  void UpdateLayerForm();
  void SetDisabledBlendValue(Byte value);
  void SetDisabledBlendColor(TColor value);
  void KV_CMEnabledChanged(TMessage& m);
  std::vector<String> GluedForms;  // component names of the forms glued to this one
  TkvOwnedTimer FormTimer;         // the minimize timer or the blend-on-moving timer
  std::unique_ptr<TkvGlowForm> LayerForm;
  // The worker of a running or finished scale change; owned. StopScaleThread ends its loop,
  // waits for it and frees it (the provider does so before it goes).
  TkvScaleThread* FScaleThread = nullptr;
  void StopScaleThread();
  bool bFlag1 = false;  // FinishBlendOnMoving runs
  // -- The form's own scroll bars (section 14).
  // Skinned: the form's flat scroll bars are switched off and it gets a scroll wrapper (one
  // whose window went is made anew); not skinned: the wrapper goes and the flat scroll bars come
  // back. Nothing while the provider goes, without a window or when called from within itself.
  void RefreshFormScrolls();
  // Frees the scroll wrapper; the form's window chain and frame are the provider's again.
  void FreeFormScrolls();
  // The thickness of the form's skinned bar (SB_HORZ, SB_VERT) while the wrapper shows it; 0.
  Integer SkinnedScrollThickness(Integer bar) const;
  // The size box where both skinned bars meet, in window coordinates; empty unless both show.
  TRect ScrollSizeBox() const;
  TWndMethod ScrollWrapperProc() override;
  TkvScrollWnd* ListSW = nullptr;  // owned

  // -- Menu line (section 13).
  bool IsMenuVisible();
  bool MenuPresent();
  Integer MenuHeight();
  // Lines the menu bar takes (measured once, until FLinesCount is reset); 0 without a bar.
  Integer GetLinesCount();
  // Rebuilds the menu bar (false while another rebuild runs, or without items).
  bool UpdateMenu();
  void RepaintMenu();
  void RepaintMenuItem(TMenuItem* item, const TRect& r, TOwnerDrawState state);
  void TryInitMenu();
  void InitMenuItems(bool active);
  void KV_WMInitMenuPopup(TMessage& m);
  void KV_WMMeasureItem(TMessage& m);
  void KV_WMDrawItem(TMessage& m);
  void KV_WMContextMenu(TMessage& m);
  void KV_CMMenuChanged(TMessage& m);
  // The window-menu item of an MDI child: brings that child to the front.
  void OnChildMnuClick(TObject* sender);
  // While an MDI main form is skinned: mouse messages over its bar right of the items are eaten
  // during menu tracking (a maximized child's buttons are there).
  void MDIMenuHook();
  void MDIMenuUnhook();
  // The menu line in the picture: its section, its clean background and the bar's items.
  void PaintMenuLine(TBitmap* cache, Integer state, Integer top, Integer width);
  TBitmap* MenuLineCache() override { return FCommonData ? FCommonData->FCacheBmp.get() : nullptr; }
  TBitmap* MenuLineBackground() override { return MenuLineBmp.get(); }
  TPoint MenuLineOrigin(bool onCache) override;
  bool MenuLineKeepsAlpha() override { return OuterBorder() != nullptr; }
  bool MenuLineRightToLeft() override;
  bool MenusInitialized = false;
  TRect LastMenuItemRect;  // the bar's last item, screen coordinates
  std::unique_ptr<TBitmap> MenuLineBmp;

  // -- TkvFormProvider.
  TForm* ProviderForm() override { return Form; }
  TsCommonData* SkinData() override { return FCommonData.get(); }
  Cardinal& FormStateBits() override { return FFormState; }
  bool& AnimatingMark() override { return FInAnimation; }
  bool PaintsNonClientArea() override { return FDrawNonClientArea; }
  TkvBorderWindow* OuterBorder() override;
  std::unique_ptr<TBitmap>& Snapshot() override { return CoverBmp; }
  std::unique_ptr<TBitmap> GetFormImage() override;
  bool TransparencyCallback(TControl*, Integer&) override { return false; }
  bool& SkipAnimationMark() override { return SkipAnimation; }
  bool AllowsAnimation() override { return FAllowAnimation; }
  bool RaiseAfterAnimation(Byte event) override;
  // The manager's form-hide animation may play for this form: the manager is not minimizing
  // the application, the animation is allowed, active with a time, and the form is neither
  // parented nor an MDI child (sSkinProviderAnim.win.cpp).
  bool HideAnimationAllowed();
  void RunHideAnimation(TMessage& m);
  // Raised when the form's show animation ended (aeShowing) and when its hide animation ended
  // (aeHiding).
  TEvent<void(TkvAnimEvent AnimType)> OnAfterAnimation;
  bool SetThumbIcon(HWND wnd, Integer width, Integer height) override;
  bool SetPreviewBmp(HWND wnd) override;

  // -- Outer border window and desktop composition (sSkinProviderBorder.win.cpp,
  //    sSkinProviderComposition.win.cpp).
  // The skin and the manager want an outer border for the form (maximized: as if it were).
  bool ExtBordersNeeded(bool maximized);
  // Creates the border object when the form may have one and active is set; frees it otherwise.
  void InitExBorders(bool active);
  // The shadow margins of the outer border (left, top, right, bottom); zero without one.
  TRect ShadowSize();
  // The UWP look's shadow templates (0 inactive, 1 active), made on first use.
  TBitmap* UWPTemplate(bool active);
  void DropUWPTemplates();
  // Draws the outer border's shadow around the form's picture (rForm: the form inside it).
  void PaintOuterBorder(TBitmap* cache, const TRect& rForm);
  void CheckCorners(TBitmap* cache, const TRect& rForm, TBitmap* shadowTemplate);
  // The frame drawn by the outer window from the skin's extended-border image (ExDrawMode 1
  // while the manager's extended-borders mode is off): the picture's margins from the shadow
  // template, then the title's header, icon, button plate and text over them.
  bool ExtendedFrameDrawing();
  void PaintExtendedFrame(TBitmap* cache, TBitmap* tpl);
  // The border window follows the form after a change of its picture or geometry.
  void UpdateOuterBorder(bool redraw);
  // Frees the fades of the caption buttons and of the user title buttons
  // (sSkinProviderButtonGlow.win.cpp).
  void KillAnimations();
  std::unique_ptr<TkvBorderForm> BorderForm;
  std::unique_ptr<TkvSystemBlur> FSystemBlur;
  std::array<std::unique_ptr<TBitmap>, 2> UWPTemplates;
  TRect UWPShadowSize;
  // Windows registered with KV_FLUENTHANDLE: they show the system blur through the form.
  std::vector<HWND> FluentHandles;
  std::vector<TObject*> FrameAdapters;  // objects linked by KV_LINKOBJ (not owned)

  // -- Persistent properties (storage) and their setters.
  bool FAllowAnimation = true;
  bool FAllowBlendOnMoving = true;
  bool FAllowSkin3rdParty = true;
  bool FMakeSkinMenu = false;
  bool FScreenSnap = false;
  bool FDisabledBlured = false;
  bool FAllowExtBorders = true;
  bool FDrawNonClientArea = true;
  bool FShowAppIcon = true;
  bool FUseGlobalColor = true;
  bool FUWPMode = false;
  bool FDrawClientArea = true;
  String FTitleSkin;
  String FMenuLineSkin;
  TAlignment FCaptionAlignment = taLeftJustify;
  Byte FDisabledBlendValue = 255;
  TColor FDisabledBlendColor = 0;
  TsGripMode FGripMode = gmNone;
  Integer FSnapBuffer = 10;
  // The caption icon, the added title, the header band and the provider's own class-name
  // lists (empty unless the program gives names: then they are used instead of the manager's).
  std::unique_ptr<TsTitleIcon> FTitleIcon;
  std::unique_ptr<TkvAddedTitle> FAddedTitle;
  std::unique_ptr<TkvFormHeader> FFormHeader;
  std::unique_ptr<TsThirdPartyList> FThirdParty;
  // The form's title bar component (not owned): the first one at design time, the last one a
  // run-time provider finds, and one inserted later while none is linked.
  TsTitleBar* FTitleBar = nullptr;
  void SetTitleBar(TsTitleBar* value);
  // The header band is drawn: a height, the skin's header section, and that section has
  // looks for both states.
  bool HeaderUsed();
  // The lists' texts back into the class-name strings.
  void UpdateProviderThirdNames();
  // The class-name strings into the lists; OwnThirdLists tells whether any is set.
  void LoadOwnThirdNames();
  void SetBoolean(Integer index, bool value);
  void SetSkinSection(Integer index, const String& value);
  void SetCaptionAlignment(TAlignment value);
  // The user title buttons become copies of the given ones; null raises EConvertError.
  void SetTitleButtons(const TsTitleButtons* value);

  // -- Fields.
  Integer CurrentHT = 0;
  // The element a left press started on; the release acts only over it.
  Integer PressedHT = 0;
  Integer UserBtnIndex = -1;
  bool ControlsChanged = false;
  bool FirstInitialized = false;
  TRect FIconRect;
  bool bCapture = false;
  bool DoReinit = false;
  bool bInProcess = false;
  bool MaxRestore = false;
  bool FSysExHeight = false;
  bool ClearButtons = false;
  bool FMenuOwnerDraw = false;  // the form's menu was drawn by the program before skinning
  Integer LockCount = 0;
  Integer CYCaption = -1, CXSizeFrame = -1, CXFixedFrame = -1, CXPaddedBorder = -1;
  Integer FLinesCount = -1;
  Integer FHeaderIndex = -1, FHeaderHeight = 0, FTitleSkinIndex = -1, FCaptionSkinIndex = -1;
  TsGeneralData* FGenData = nullptr;
  std::unique_ptr<TBitmap> TempBmp;
  // The glow masks of the caption text for the active (1) and the inactive (2) look.
  std::unique_ptr<TBitmap> FGlow1, FGlow2;
  std::unique_ptr<TBitmap> CoverBmp;
  TsCaptionButton MDIMin, MDIMax, ButtonMin, ButtonMax, ButtonHelp, ButtonClose, MDIClose;
  std::vector<TRect> Rects;
  bool RTInit = false;
  bool RTEmpty = false;
  bool InAero = false;
  bool InMenu = false;
  bool fAnimating = false;
  bool BigButtons = false;
  bool FormActive = true;
  bool MenuChanged = true;
  bool RgnChanging = false;
  bool RgnChanged = true;
  bool RightPressed = false;
  Integer VCenter = 0;
  // Left, top, width and height of the form saved while it is stretched to the work area
  // (FS_MAXHEIGHT, FS_MAXWIDTH), in Left, Top, Right and Bottom.
  TRect NormalBounds;
  TRect LastClientRect;  // the client rectangle of the last size step
  // The control of the last child window made on the form (WM_PARENTNOTIFY); null when the
  // new window belongs to no control. The child-control adapter takes it from here.
  TWinControl* LastNewChild = nullptr;
  TControl* StatusBar = nullptr;      // the status bar announced by KV_STATUSBAR
  TShowAction ShowAction = saIgnore;  // the show action a system command left pending
  TFormBorderStyle FluentBorderStyle = bsNone;
  bool FluentUWPMode = false;
  TWndMethod OldWndProc;
  bool biClicked = false;
  bool AllowScale = true;
  bool FInAnimation = false;
  bool SkipAnimation = false;
  TForm* Form = nullptr;
  Cardinal FFormState = 0;
  TsResizeMode FResizeMode = rmStandard;
  std::unique_ptr<TsScrollWndData> FCommonData;
  std::unique_ptr<TsTitleButtons> FTitleButtons;
  std::unique_ptr<TsSystemMenu> SystemMenu;
  // The program's sub-menu in the system menu.
  std::unique_ptr<TkvSysSubMenu> SysSubMenu = std::make_unique<TkvSysSubMenu>();
  std::unique_ptr<TsMDIForm> MDIForm;  // MDI support of an MDI main form
  // The MDI main form's frame, menu line and client redrawn after a child's maximized state
  // changed what they show; repaint also repaints the client at once and moves the outer border.
  static void UpdateMainForm(bool repaint);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void PassOn(TMessage& m) {
    if (OldWndProc) OldWndProc(m);
  }
  void KV_CMShowingChanged(TMessage& m);
  // A form other than an MDI child becomes showing: through the form-show animation when the
  // manager has it on.
  void ShowAnimated(TMessage& m, HWND h, DuRiruZireziv* manager);
  // A form coming up is scaled from 96 PPI to the manager's scale and takes the manager's
  // application font (its children are told).
  void ScaleAndFontOnShow(DuRiruZireziv* manager);
  void ShowWithSystemFrame(TMessage& m, HWND h, DuRiruZireziv* manager);
  void KeepPictureForHiding(DuRiruZireziv* manager);
  void KV_CMMouseWheel(TMessage& m);
  void DetachFromForm();
  bool detached_ = false;
  bool installedProc_ = false;  // this provider put NewWndProc into the form's chain
  bool registered_ = false;     // this provider registered the form (IntSkinForm)
};

// The provider of a form window; null when none or when the form's provider is inert.
TsSkinProvider* ProviderOf(HWND form);
// The provider's form window; null while the form has none.
inline HWND FormWnd(const TsSkinProvider* sp) {
  return sp && sp->Form && sp->Form->HandleAllocated() ? sp->Form->WindowHandle() : nullptr;
}
// The window that keeps a maximized MDI child's icons over the main form's menu bar during a
// menu loop; null outside one.
TCustomForm* MDIIconsForm();

// ---- The caption cover -------------------------------------------------------------------------

// A borderless tool window that shows the provider's picture over the form's caption while
// the system paints its own caption; it never activates.
class TkvCaptForm : public TkvGlowForm {
  TW_CLASS(TkvCaptForm, TkvGlowForm)
  explicit TkvCaptForm(TComponent* owner);
  void WndProc(TMessage& m) override;
  TsSkinProvider* SP = nullptr;  // not owned
};

struct TEnumRgnData {
  HRGN Rgn;          // the region being cut
  HWND OwnerHandle;  // the covered form
};
// Cuts every visible top-level window above curWnd out of data.Rgn (in the covered form's
// window coordinates).
void kvCheckTopWindows(HWND curWnd, TEnumRgnData& data);
// How long the cover stays on screen before the system paints and after it (ms); 0: no wait.
constexpr Cardinal kDefaultCaptionCoverDelay = 40;
extern Cardinal CaptionCoverDelay;
// The wait itself (Sleep); a test may record it instead.
extern void (*CaptionCoverWait)(Cardinal ms);
// The provider of the MDI child that was activated, maximized or destroyed last.
inline TsSkinProvider* ChildProvider = nullptr;

// ---- Frame metrics: plain routines -----------------------------------------------------------

// The system metric at a PPI: GetSystemMetricsForDpi where the system has it (looked up once),
// else GetSystemMetrics unscaled. A test may replace the lookup.
Integer kv_GetSysMetrics(Integer index, Integer ppi);
using TkvSysMetricsFn = int(WINAPI*)(int index, UINT dpi);
extern TkvSysMetricsFn kvSysMetricsForDpi;  // null: GetSystemMetrics unscaled
Integer SysBorderWidth(HWND h, TkvBorderWindow* bf, bool checkSkin);
// Where the system put the client area of window h, from the window's top-left.
TPoint ClientOrigin(HWND h);
// The manager of an outer border window's skin data; null without one.
DuRiruZireziv* BorderManagerOf(TkvBorderWindow* bf);
Integer SysBorderHeight(HWND h, TkvBorderWindow* bf, bool checkSkin);
Integer SysCaptHeight(TsSkinProvider* sp, Integer ppi = 0);
bool IsBorderUnchanged(Integer imageIndex, TkvSkinData* skinData);
// An MDI child is being created: frames wait for it.
extern bool MDICreating;
bool IsGripVisible(TsSkinProvider* sp);
// Draws icon stretched over r of bmp; the pixels it changed become opaque.
void DrawIconOpaque(TBitmap* bmp, const TRect& r, HICON icon);
bool InAnimation(TsSkinProvider* sp);
Integer MaxBtnOffset(TsSkinProvider* sp, bool max);
// The skin's size grip on a device context whose origin is the picture's origin, over the
// form's background (with the frame's inner edges where the skin's border reaches the client).
void PaintGrip(HDC dc, TsSkinProvider* sp);
// A user caption button's glyph at `at` of dst: a 32-bit glyph through its alpha, any other
// with the colour of its bottom-left pixel transparent.
void DrawUserGlyph(TBitmap* dst, TBitmap* glyph, const TPoint& at);
Integer GetWindowWidth(HWND h);
Integer GetWindowHeight(HWND h);
Integer GetClientWidth(HWND h);
Integer GetClientHeight(HWND h);
bool IsSizeBox(HWND h);
// 16 for sizes up to 47, 24 up to 64, 32 above.
Integer GetNearestSize(Integer max);

#endif

// ---- Outer border window and desktop composition: portable geometry ---------------------------
// (sSkinProviderBorder.cpp; the windows themselves are in sSkinProviderBorder*.win.cpp and
// sSkinProviderComposition.win.cpp.)

#include <vector>

#include "ui/Bitmap.h"
#include "ui/Types.h"

// The frame of an outer border window as its hit test and shadow test see it, in border-window
// coordinates (the window is the form's picture with its shadow margins).
struct TkvBorderFrame {
  Integer Width = 0, Height = 0;  // the border window's size
  TRect Shadow;                   // shadow margins: left, top, right, bottom
  // Offset mode (the skin draws its border with offsets, ExDrawMode 1, in full mode): the
  // frame's zones lie at the shadow offsets; band mode otherwise: bands around the body.
  bool OffsetMode = false;
  Integer BandWidth = 0;  // the skin's border width (band mode; at least 6 pixels count)
  TRect ShadowOffs;       // the skin's shadow offsets left, top, right, bottom (offset mode)
  Integer SysBorder = 0;  // the owner's system border width (offset mode)
};

// The sizing zone under p (HTTOP .. HTBOTTOMRIGHT), 0 for none.
Integer FrameSizingHit(const TkvBorderFrame& f, TPoint p);
// The frame's outer rectangle, edges inclusive: points outside it lie in the pure shadow.
TRect FrameOuterRect(const TkvBorderFrame& f);
bool InsideInclusive(const TRect& r, TPoint p);

// The shadow template drawn around a picture: the eight border parts of the template (source
// margins srcMargins) stretched into the margins dstMargins of dstRect; the centre is left alone.
// A side whose mode (sideModes, per side) has bit 0 clear is tiled along its length in the
// template's own length instead of stretched; its thickness is always stretched.
void DrawFrameTemplate(const TPixelView& dst, const TRect& dstRect, const TPixelView& tpl, const TRect& srcMargins,
                       const TRect& dstMargins, const TRect& sideModes = TRect(1, 1, 1, 1));

// Paints the rim pixels of the four rounded corners of rect (radius, the round mask's partly
// covered pixels) in edge (0xAARRGGBB), before the rounding blends them with what shows through.
void PaintCornerEdges(const TPixelView& v, const TRect& rect, Integer radius, uint32_t edge);

// The pixels the blur behind an outer border leaves out: in each corner square (side
// cornerSide) of body, the pixels of picture whose red, green and blue are all 0.
std::vector<TPoint> BlurRegionHoles(const TPixelView& picture, const TRect& body, Integer cornerSide);

// The size of a taskbar picture: the source's aspect ratio fitted into box; 0 x 0 when the
// source or the box is empty or the fit rounds to nothing.
TSize FitThumbnail(TSize source, TSize box);

// One control that shows the system blur through the form, by its alignment (alTop .. alClient
// of the class library's TAlign, as an Integer) and its bounds in the form's client area.
struct TkvGlassControl {
  Integer Align = 0;
  TRect Bounds;
};
// The glass margins (left, top, right, bottom; -1 everywhere for the whole window) that the
// controls ask for.
TRect GlassMargins(const std::vector<TkvGlassControl>& controls, Integer formHeight, Integer clientWidth);

#ifdef _WIN32
// ---- Desktop composition (sSkinProviderComposition.win.cpp) ----------------------------------
// Every function of the desktop window manager is bound by name when first needed, so the
// program starts where dwmapi is missing and every wrapper then does nothing.

// The data of SetWindowCompositionAttribute, which is not part of the published interface:
// the layouts are what the call takes.
struct TkvWinCompAttrData {
  DWORD attribute;
  void* pData;
  ULONG dataSize;
};
struct TkvAccentPolicy {
  Integer AccentState;
  Integer AccentFlags;
  Integer GradientColor;
  Integer AnimationId;
};
constexpr Integer KV_ACCENT_DISABLED = 0, KV_ACCENT_BLURBEHIND = 3, KV_ACCENT_ACRYLIC = 4;
// The published blur-behind record and its flags.
struct TkvDwmBlurBehind {
  DWORD dwFlags;
  BOOL fEnable;
  HRGN hRgnBlur;
  BOOL fTransitionOnMaximized;
};
constexpr DWORD kvDWM_BB_ENABLE = 1, kvDWM_BB_BLURREGION = 2;
struct TkvMargins {
  int cxLeftWidth, cxRightWidth, cyTopHeight, cyBottomHeight;
};

// The bound entry points; null until bound. A test may wrap one with a recorder that calls
// the bound function on.
struct TkvDwmEntries {
  HRESULT(WINAPI* DwmSetIconicThumbnail)(HWND, HBITMAP, DWORD) = nullptr;
  HRESULT(WINAPI* DwmSetIconicLivePreviewBitmap)(HWND, HBITMAP, POINT*, DWORD) = nullptr;
  HRESULT(WINAPI* DwmSetWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = nullptr;
  HRESULT(WINAPI* DwmEnableBlurBehindWindow)(HWND, const TkvDwmBlurBehind*) = nullptr;
  HRESULT(WINAPI* DwmInvalidateIconicBitmaps)(HWND) = nullptr;
  HRESULT(WINAPI* DwmExtendFrameIntoClientArea)(HWND, const TkvMargins*) = nullptr;
  BOOL(WINAPI* SetWindowCompositionAttribute)(HWND, TkvWinCompAttrData*) = nullptr;
};
extern TkvDwmEntries kvDwm;

// Start-up: binds user32's SetWindowCompositionAttribute; clean-up: unbinds everything (the
// library itself is freed by FreeDwmApi).
void BindCompositionFunctions();
void UnbindCompositionFunctions();

// The system's DwmSetWindowAttribute and DwmInvalidateIconicBitmaps keep their names for the
// linked library; these are the bound forms. E_NOTIMPL without the library or the function.
HRESULT kvDwmSetWindowAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size);
void kvDwmInvalidateIconicBitmaps(HWND wnd);
void kvDwmExtendFrameIntoClientArea(HWND wnd, const TkvMargins& margins);
// The skinned frame draws its own transitions: the system's are off while a window is skinned.
void InitDwm(HWND handle, bool skinned, bool repaint);
// Blur behind a layered window on Vista to 8 (Windows 10 has the accent instead). The region is
// deleted in every case: the caller gives it up.
void SetBlurBehindWindow(HWND handle, bool enabled, HRGN rgn);
// Windows 10 or later with the accent call bound.
bool IsFluentOS();
// The taskbar's thumbnail and live preview of a skinned form; True when handed to the system.
bool SetThumbIcon(HWND wnd, TsSkinProvider* sp, Integer width, Integer height);
bool SetPreviewBmp(HWND wnd, TsSkinProvider* sp);

enum TkvBlurMode : Byte { bmBlurBehind, bmAcrylicBlurBehind };

// The provider's system blur: blur behind or acrylic behind the whole form on Windows 10, a
// glass area elsewhere.
class TkvSystemBlur : public TPersistent {
  TW_CLASS(TkvSystemBlur, TPersistent)
  explicit TkvSystemBlur(TsSkinProvider* owner = nullptr) : FOwner(owner) {}
  bool Active() const { return FActive; }
  TkvBlurMode Mode() const { return FMode; }
  void SetActive(bool value);
  void SetMode(TkvBlurMode value);
  void UpdateBlurMode(bool force);
  TsSkinProvider* FOwner;
  bool FActive = false;
  TkvBlurMode FMode = bmBlurBehind;

 private:
  void UpdateGlassArea();
};

// ---- Outer border window (sSkinProviderBorder.win.cpp, sSkinProviderBorderInput.win.cpp) -----

// The layered window around and behind a form whose skin draws extended borders: it shows the
// form's whole picture (frame, title, buttons, shadow), hit-tests the frame and the shadow and
// hands the mouse to the form.
class TkvBorderForm : public TkvBorderWindow {
 public:
  explicit TkvBorderForm(TsSkinProvider* owner);
  // A skinned standard dialog's border: the window behind the dialog shows the dialog's
  // picture (its frame as wide and its title as high as the skin says) with the shadow around.
  explicit TkvBorderForm(TkvDialogWnd* owner);
  ~TkvBorderForm() override;
  TkvBorderForm(const TkvBorderForm&) = delete;
  TkvBorderForm& operator=(const TkvBorderForm&) = delete;

  // TkvBorderWindow.
  HWND LayeredWindow() override;
  bool IsLocked() override { return Locked; }
  bool& ShowingFlag() override { return ExBorderShowing; }
  void FreeLayeredWindow() override;
  HRGN MakeRgn() override { return MakeRgn(0, 0); }
  void UpdateExBordersPos(bool redraw, Byte blend) override;
  std::unique_ptr<TkvGlowForm> ReleaseLayeredForm() override;

  // The owner's side.
  HWND OwnerHandle();
  Integer CaptionHeight(bool checkSkin);
  Integer MenuHeight();
  TRect IconRect();
  void PaintAll();
  void SetHotHT(Integer ht, bool repaint);
  void KillAnimations();
  Cardinal FormState();
  TRect ShadowSize();
  bool CanBringForm();
  // The owner window's place inside the border window.
  Integer OffsetX() override;
  Integer OffsetY() override;
  HWND GetTopWnd();
  Integer MinTopCoord();
  HRGN MakeRgn(Integer newWidth, Integer newHeight);
  void UpdateRgn();
  void CreateNewForm() override;
  // The frame as the hit test sees it.
  TkvBorderFrame Frame();
  // Where the form's frame starts inside the border window, as snapping and glued forms
  // measure a dragged border window.
  TPoint FrameOffset();

  // Input (sSkinProviderBorderInput.win.cpp).
  Integer Ex_WMNCHitTest(TMessage& m);
  bool MouseAboveTheShadow(TMessage& m);
  bool Ex_WMSetCursor();
  void BorderProc(TMessage& m);

  TPoint LastTopLeft;
  TPoint LastMousePos{-9999, -9999};
  bool MainRgnReady = false;
  bool kvInMouseMsg = false;
  bool MovRgnChanged = false;
  bool MaxMoving = false;
  TsSkinProvider* FOwner;
  TsSkinProvider* sp;
  TkvDialogWnd* Dlg = nullptr;  // the owner when it is a dialog's wrapper
  bool ResetRgn = false;
  bool Locked = false;
  bool ExBorderShowing = false;
  TsCommonData* SkinData;
  std::unique_ptr<TkvGlowForm> AForm;
  TWndMethod OldBorderProc;
  TBitmap* ShadowTemplate = nullptr;  // not owned: the skin's or the provider's template

 private:
  HRGN ClientRgn(Integer newWidth, Integer newHeight);
  Integer DialogHitTest(TPoint p);
  HRGN BlurRgn(TBitmap* picture);
  void UpdateDialogBorder(bool redraw, Byte blend);
  void CopyDialogClient(TBitmap* picture);
  void CopyClientFromScreen(TBitmap* picture);
  void PassOn(TMessage& m) {
    if (OldBorderProc) OldBorderProc(m);
  }
  void SendToOwner(UINT msg, WPARAM wParam, LPARAM lParam);
  void DoubleClickStretch(Integer ht);
};

// How many border-window messages are being handled: a border window is not freed under them.
extern Integer BorderProcDepth;

// The shadow around a form's or dialog's picture: the body made opaque (its key-coloured pixels
// clear), the margins cleared and the shadow template drawn into them (sides as DrawFrameTemplate's
// sideModes say).
void PaintShadowAround(TBitmap* cache, const TRect& body, TBitmap* tpl, const TRect& srcMargins, const TRect& shadow,
                       const TRect& sideModes = TRect(1, 1, 1, 1));
// The body made opaque and the margins cleared, for a frame drawn over them (extended drawing).
void PaintBodyWithClearMargins(TBitmap* cache, const TRect& body);
// The shadow margins of a form's or dialog's picture without extended drawing: from the
// template's halves with the frame's corners rounded into it, or, when the skin has its own
// border image and the full extended-borders mode, with that image's margins.
void PaintShadowMargins(TkvSkinData* data, Integer extBordersMode, Integer section, bool active, TBitmap* cache,
                        const TRect& rForm, TBitmap* tpl, const TRect& shadow);
// The frame's corners that its border images leave transparent (their key-colour pixels) show
// the shadow template: the top corners by the title section's border image when it has one, else
// by the frame section's (at most formTopLimit x formTopLimit pixels of it when that is above 0),
// the bottom corners by the frame section's. rForm is the frame in the picture; each corner takes
// the template's pixels at the same corner inside the template's shadow margins.
void FillFrameCornersFromTemplate(TkvSkinData* data, Integer formSection, Integer titleSection, TBitmap* cache,
                                  const TRect& rForm, TBitmap* tpl, const TRect& shadow, Integer formTopLimit = 0);
// Extended drawing: the skin draws frame and title from its extended-border image (its
// ExDrawMode 1 in the full extended-borders mode); the section paints only the background.
bool ExtendedFrameDrawing(TkvSkinData* data, DuRiruZireziv* manager);
// That frame, drawn from the shadow template with the extended-border image's margins over the
// picture's shadow, side and title (captionHeight: the title with its top border; headerHeight:
// the form's header band under it).
void PaintExtendedFrame(TkvSkinData* data, TBitmap* cache, TBitmap* tpl, Integer captionHeight, const TRect& shadow,
                        Integer borderWidth, Integer headerHeight = 0);
// A frame whose section has a corner radius gets its corners rounded against the shadow
// template (they show the template, not the square frame).
void RoundFrameCorners(TkvSkinData* data, Integer section, bool active, TBitmap* cache, const TRect& rForm,
                       TBitmap* tpl);

// The skin's border width for the outer border window (0 without one or without a manager), its
// title height, and how far the skinned frame is wider and taller than the system's. A dialog
// keeps its own side or title where the skin's metric is 0 (its difference is then 0).
Integer SkinBorderWidth(TkvBorderWindow* bf);
Integer SkinTitleHeight(TkvBorderWindow* bf);
Integer DiffBorder(TkvBorderWindow* bf);
Integer DiffTitle(TkvBorderWindow* bf);
#endif

// ---- Caption-button glow: the fade's levels (portable, sSkinProviderButtonGlow.cpp) -----------

// The level arithmetic of one caption button's fade: how far the picture is faded in, and the
// alpha each step shows. The window side (sSkinProviderButtonGlow.win.cpp) shows the alphas.
struct TkvButtonFade {
  Integer CurrentLevel = 0;
  Integer CurrentState = 0;   // 0 normal, 1 hot, 2 pressed; -1 after a finished fade-out
  Integer MaxIterations = 1;  // -1 once a fade-in completed
  bool Up = false;
  bool TimerOn = false;

  // What one step asks of the window side.
  enum TAction { faNone, faShow, faWatchMouse, faFinish };
  struct TStep {
    TAction Action = faNone;
    Integer Alpha = 0;  // for faShow, and for the first faWatchMouse
  };
  // 255 div MaxIterations, or 0 when that is not positive.
  Integer Step() const;
  // A new state for a new fade: the alpha to show at once, or -1 when nothing changes.
  Integer Start(Integer newState, bool toUp);
  // One timer step.
  TStep Tick();
};

#ifdef _WIN32
// ---- Caption-button glow (sSkinProviderButtonGlow.win.cpp) ------------------------------------

class TkvBorderForm;

// The fade of one caption button's hot or pressed look on a small layered window over the
// button (over the outer border window's picture): ten 12 ms steps in, ten out.
class TkvSBAnimation : public TTimer {
  TW_CLASS(TkvSBAnimation, TTimer)
  explicit TkvSBAnimation(TComponent* owner);
  ~TkvSBAnimation() override;
  void StartAnimation(Integer newState, bool toUp);
  // The glow margin the picture reaches outside the button; 0 without a glow image.
  Integer Offset();
  // Where the layered window goes, on the screen.
  TRect GetFormBounds();
  void MakeForm();
  void MakeImg();
  void UpdateForm(Integer blend);
  // The mouse left the button: the timer stops and the form hears of it.
  void CheckMouseLeave();
  // One step of the fade (the timer's event; a test may call it as its clock).
  void OnAnimTimer(TObject* sender = nullptr);

  std::unique_ptr<TBitmap> ABmp;
  std::unique_ptr<TkvGlowForm> AForm;
  TkvBorderForm* BorderForm = nullptr;
  TkvButtonFade Fade;
  TsCommonData* SkinData = nullptr;
  HWND FormHandle = nullptr;
  TsCaptionButton* PBtnData = nullptr;
  TsSkinProvider* Provider = nullptr;  // null for the fade of a dialog's border icon

 private:
  void SyncTimer() { SetEnabled(Fade.TimerOn); }
};

// Starts or retargets the fade of a button of the provider's caption, or of a border icon of a
// skinned standard dialog.
void StartSBAnimation(TsCaptionButton* btn, Integer state, Integer iterations, bool toUp, TsSkinProvider* sp);
void StartSBAnimation(TsCaptionButton* btn, Integer state, Integer iterations, bool toUp, TkvDialogWnd* dlg);
#endif
