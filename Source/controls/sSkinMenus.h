// Skinned menus: the menu painter that takes over the measure and draw events of the
// program's popup menu items, the cache of popup backgrounds (one picture per open popup,
// built at its first item and kept until the popup closes or the skin changes), and the popup
// window's frame and region applied from that picture.
//
// Sections: the painter (metrics, hooking, measuring, drawing); the background cache; the
// menu services the skin manager reaches; start-up.
//
// Every item is composed in a 32-bit bitmap of its own size (its slice of the popup
// background, the "MENUITEM" section, check mark or glyph, texts) and reaches the menu's
// device context in one copy.
#pragma once

#ifdef _WIN32

#include <memory>
#include <vector>

#include "controls/sSkinMenusLayout.h"
#include "controls/sSkinMenusLine.h"
#include "skin/sSkinManager.h"
#include "ui/Menus.h"

class DuRiruZireziv;
class TkvSkinData;

// One open popup: keyed by item 0 of the popup's parent item.
struct TkvMenuInfo {
  TMenuItem* FirstItem = nullptr;
  std::unique_ptr<TBitmap> Bmp;  // the whole popup window, frame included
  HWND Wnd = nullptr;            // the popup window when it was known as the picture was built
  bool HaveExtraLine = false;
  bool ItemsIterated = false;  // the popup's last item has been drawn once
  bool FrameApplied = false;   // the window got its region and frame (once per popup)
  bool LineDataAsked = false;  // the extra-line request was made when the popup was measured
};

// Set whenever the painter measures a popup item; the popup-menu window wrapper reads and
// clears it.
extern bool& kvCanHookMenu;
// Glyph column width at 96 PPI when a menu has no images.
constexpr Integer iDefIcoWidth = 16;

using TsMenuDrawItemEvent =
    TEvent<void(TMenuItem* Item, TCanvas* Canvas, TsMenuItemType ItemType, TOwnerDrawState State, TRect R)>;

class TsSkinableMenus {
 public:
  explicit TsSkinableMenus(DuRiruZireziv* owner);
  ~TsSkinableMenus();

  // ---- metrics (pixels at the current menu's PPI) ----
  Integer Margin() const;
  Integer Spacing() const;
  Integer BorderWidth() const;
  // The frame's width as the background picture holds it (unscaled).
  Integer RealBorderWidth() const { return FBorderWidth; }
  // The skin's "MAINMENU" has neither border image nor radius.
  bool NoBorder() const;
  // The glyph size that reserves the glyph column (common: for the whole menu).
  TSize GlyphSize(TMenuItem* item, bool common) const;

  // ---- hooking ----
  void HookPopupMenu(TMenu* menu, bool active);
  void HookItem(TMenuItem* item, bool active);
  void InitItem(TMenuItem* item, bool active);
  void InitItems(bool active);
  void SetActive(bool active);
  void UpdateMenus();
  bool Active() const { return FActive; }
  DuRiruZireziv* Owner() const { return FOwner; }

  // ---- the item handlers ----
  void sMeasureItem(TObject* sender, TCanvas* canvas, Integer& width, Integer& height);
  void sAdvancedDrawItem(TObject* sender, TCanvas* canvas, TRect rect, TOwnerDrawState state);

  // ---- the menu line of a form ----
  // Gives a main menu's bar to the painter (its top-level items measured and drawn by the
  // handlers below) or takes it back.
  void InitMenuLine(TMainMenu* menu, bool active);
  void sMeasureLineItem(TObject* sender, TCanvas* canvas, Integer& width, Integer& height);
  void sAdvancedDrawLineItem(TObject* sender, TCanvas* canvas, TRect rect, TOwnerDrawState state);
  // The form whose bar items are drawing themselves into its window picture; otherwise null
  // and the form is asked from the menu's window.
  TkvMenuLineHost* MenuProvider = nullptr;

  // ---- the background cache ----
  // The record of the item's popup (added when missing; the picture is built when a canvas is
  // given and it has none); by window when item is null.
  TkvMenuInfo* GetMenuInfo(TMenuItem* item, TCanvas* canvas, HWND wnd);
  void PrepareMenuBG(TkvMenuInfo& info, TMenuItem* firstItem, HWND wnd, Integer height, Integer width);
  // Region and frame of a popup window from its picture; never re-entrantly.
  void DrawWndBorder(HWND wnd, TBitmap* menuBmp);
  // Frees every record (a popup closed, the skin changed).
  void DeleteUnusedBmps();
  void ClearCache() { DeleteUnusedBmps(); }
  size_t CachedPopups() const { return MenuInfoArray.size(); }
  // The extra line's width at the menu's PPI when the popup shows it, else 0.
  Integer ExtraWidth(const TkvMenuInfo* info) const;
  // The extra line of the popup being prepared: its section, caption and glyph, as the
  // manager's OnGetPopupLineData gave them.
  String ExtraSection = u"EXTRALINE";
  String ExtraCaption;
  std::unique_ptr<TBitmap> ExtraGlyph;
  // Forgets the skin data of the last menu (the skin is being cleared).
  void ForgetSkinData() { sd = nullptr; }
  void ResetSkinBorderWidth() { FSkinBorderWidth = -1; }

  TsMenuDrawItemEvent OnDrawItem;
  TAlignment FAlignment = taLeftJustify;
  Integer FMargin = 2, FSpacing = 8, FBorderWidth = 3, FSkinBorderWidth = -1;
  Integer PPI = 96;
  TsMenuItemType it = smNormal;
  std::vector<TRect> ArOR;    // transparent corner rectangles of the current popup frame
  Integer FramesApplied = 0;  // popup windows that got their frame (diagnostics)

 private:
  DuRiruZireziv* Manager() const;
  void RefreshSkinData(TMenuItem* item);
  void UpdateFont(TCanvas* canvas, TMenuItem* item, bool isCaption, bool bold);
  Integer ItemHeight(TCanvas* canvas, TMenuItem* item);
  Integer IndexOf(TkvSection section) const;
  void PaintDivider(TCanvas* canvas, const TRect& rect, TkvMenuInfo& info, TMenuItem* item);
  void PaintCaption(TCanvas* canvas, const TRect& rect, TkvMenuInfo& info, TMenuItem* item);
  void PaintNormal(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, TkvMenuInfo& info, TMenuItem* item);
  void DrawServiceGlyph(TBitmap* bmp, const TRect& iRect, Integer index, bool selected);
  void CollectCorners(TBitmap* bmp);
  // Asks the manager whether the popup of firstItem shows the extra line, and with what.
  void RequestExtraLine(TkvMenuInfo& info, TMenuItem* firstItem);
  // The extra line's glyph at its foot and its caption read upwards, over the band.
  void DrawExtraLineContent(TBitmap* bmp, TkvSkinData* data, TCustomForm* form, Integer band, Integer border);
  // The owner's per-item font and colour; true when the handler changed the font's colour.
  bool AskItemData(TMenuItem* item, TOwnerDrawState state, TFont* font);

  DuRiruZireziv* FOwner;
  TkvSkinData* sd = nullptr;
  bool FActive = false;
  bool BorderDrawing = false;
  bool Measuring = false;  // an extra-line request is under way (its handler may measure menus)
  std::vector<std::unique_ptr<TkvMenuInfo>> MenuInfoArray;
  Integer IcoLineWidth = 0;
};

// The painter of the default manager (made on first use; null without a default manager).
TsSkinableMenus* SkinableMenus();

// Start-up: the painter is offered to the skin manager as its menu services, and the popup
// cache is cleared whenever a popup of the program closes. Clean-up takes both back.
void sSkinMenusStartup();
void sSkinMenusCleanup();

#endif
