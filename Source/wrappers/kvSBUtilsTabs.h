// Wrappers of tab controls ("systabcontrol32", the class library's tab and page controls): the
// page area in the skin's page-control section, every tab in the tab section of its side, tab
// texts (turned for side tabs) and images, the tab scroller skinned as an up-down; the pages of
// page controls painted as transparent surfaces over the page-control background.
#pragma once

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TkvSpinWnd;

class TkvTabControlWnd : public TkvMainWnd {
  TW_CLASS(TkvTabControlWnd, TkvMainWnd)
  ~TkvTabControlWnd() override;
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  // Added after the base's slots, in this order.
  virtual TRect ClientRect();
  virtual TRect PageRect();

  Integer TabCount();
  Integer ActiveTabIndex();
  TRect TabRect(Integer index);
  TRect TabsRect();
  TRect SkinTabRect(Integer index, bool active);
  Integer TabRow(Integer index);
  // 0 top, 1 bottom, 2 left, 3 right.
  Integer TabPosition() const;
  // 0 tabs, 1 buttons, 2 flat buttons.
  Integer Style() const;
  // Keeps BtnSW in step with the tab scroller: kept while the scroller is the same window,
  // made for a new one, freed when there is none.
  void CheckUpDown();
  void KV_WMPaint(TMessage& message);
  void DrawSkinTabs(const TCacheInfo& ci);
  void DrawSkinTab(Integer index, Integer state, HDC dc);
  void DrawSkinTab(Integer index, Integer state, TPoint offset, TBitmap* bmp);

  TkvSpinWnd* BtnSW = nullptr;  // owned

 protected:
  void BeforeDestruction() override;
  void FreeBtnSW();

 private:
  Integer FLastWidth = 0, FLastHeight = 0;
};

class TkvPageControlWnd : public TkvTabControlWnd {
  TW_CLASS(TkvPageControlWnd, TkvTabControlWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  TRect ClientRect() override;
  TRect PageRect() override;
  // Gives every page that is not skinned yet its page wrapper.
  void InitPages();
};

class TTabSheet;

class TkvPageWnd : public TkvMainWnd {
  TW_CLASS(TkvPageWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  // Paints the page from its tab control's picture; false when the tab control has none yet.
  bool KV_WMEraseBKGnd(HDC dc);
  Integer TabPosition() const;

  TTabSheet* Page = nullptr;
  // The wrapper of the tab control whose page this is; the page wrapper goes with it.
  TkvTabControlWnd* Tabs = nullptr;
};

// The page wrappers made so far (the list is made on first use); their count.
Integer PageWrapperCount();
// Frees every page wrapper (the module's clean-up at exit).
void FreePageWrappers();

#endif
