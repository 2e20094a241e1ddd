// Wrappers of text and picture windows painted over the skinned background of their parent:
// dialog statics (text), icon and bitmap statics, statics with a sunken edge, link windows and
// the class library's static text control.
#pragma once

#include "base/sConst.h"

// The caption of a link window without its link tags: every "<a ...>" and "</a>", in any case.
String StripLinkTags(const String& caption);

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TkvStaticWnd : public TkvMainWnd {
  TW_CLASS(TkvStaticWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  // Added after the base's slots, in this order.
  virtual void KV_WMPaint(TMessage& message);
  virtual bool PaintContent();

  // The caption measured in the window's width (calcOnly: r receives the size) or drawn.
  void PaintText(bool calcOnly, TRect& r);
};

// A static with WS_EX_STATICEDGE: the window paints its picture, the wrapper a skinned frame
// two pixels wide.
class TkvEdgeWnd : public TkvStaticWnd {
  TW_CLASS(TkvEdgeWnd, TkvStaticWnd)
  void kvWndProc(TMessage& message) override;
  void KV_WMPaint(TMessage& message) override;
};

// Icon and bitmap statics: the picture over the skinned background.
class TkvIconWnd : public TkvStaticWnd {
  TW_CLASS(TkvIconWnd, TkvStaticWnd)
  void AfterCreation() override;
  bool PaintContent() override;

  bool IsBmp = false;
};

class TkvLinkWnd : public TkvStaticWnd {
  TW_CLASS(TkvLinkWnd, TkvStaticWnd)
  void kvWndProc(TMessage& message) override;
  bool PaintContent() override;
};

// The class library's static text control: background by its bevels, border, text by its
// Alignment.
class TkvStaticTextWnd : public TkvMainWnd {
  TW_CLASS(TkvStaticTextWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  void KV_WMPaint(HDC dc);
  void KV_WMNCPaint(HDC dc);
  bool PrepareCache();
  void WriteText(TRect r, TCanvas* canvas);

  TWinControl* Control = nullptr;
};

// The section a bevelled control takes: "GROUPBOX", "PANEL_LOW", "PANEL" or "TRANSPARENT".
String BevelSection(TWinControl* control);

#endif
