// List view and tree view wrappers: skin colours pushed into the control through its own
// messages, skinned thumb tracking turned into list-view scrolling, the column header of report
// view painted from the skin with hot and pressed columns, and the tree view's erase.
#pragma once
#ifdef _WIN32

#include "wrappers/kvSBUtilsEdit.h"

class TkvListViewWnd : public TkvEditWnd {
  TW_CLASS(TkvListViewWnd, TkvEditWnd)
  ~TkvListViewWnd() override;
  void AfterCreation() override;
  void SaveStdParams() override;
  void RestoreStdParams() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;

  // The view in the class library's numbering: icon 0, small icon 1, list 2, report 3.
  Integer ViewStyle();
  bool HotTrack() const { return true; }
  // The rectangle (header client coordinates) of the item at display position index.
  TRect GetHeaderColumnRect(Integer index);
  // The display position of the column under a screen point packed as in WM_NCHITTEST; -2.
  Integer MouseToColIndex(TLParam pos);
  // Repaints the whole header (report view only); dc 0: the header's window DC.
  void PaintHeader(HDC dc);
  // One header item (cIndex: item index) or, with -2, the area right of the last item.
  void ColumnSkinPaint(const TRect& controlRect, Integer cIndex, HDC dc);
  // The procedure in front of the header's.
  void HeaderWndProc(TMessage& message);

  HWND FhWndHeader = nullptr;
  Integer FPressedColumn = -1;
  Integer HoverColIndex = -1;

 private:
  void HookHeader(HWND header);
  void UnhookHeader();
  void ClearHotColumns();
  bool Scroll(TMessage& message);
  TWindowSubclass FHeaderHook;
};

class TkvTreeViewWnd : public TkvEditWnd {
  TW_CLASS(TkvTreeViewWnd, TkvEditWnd)
  // A raw tree's own colours are read from it (-1: the system's), to be given back exactly.
  void SaveStdParams() override;
  void RestoreStdParams() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;
};

#endif
