// The skinning component of a frame: it takes over the frame's window procedure, paints the
// frame's client area from its section (by default "TRANSPARENT") over the parent's
// background, gives the frame skinned scroll bars, passes the skin commands on to the frame's
// children and marks their backgrounds changed when the frame moves over a visible parent.
// The form's child-control adapter makes one for every frame it meets.
#pragma once

#include "ui/Types.h"

// The colour a frame reports to its children: its section's normal colour c; the parent's at
// transparency 100; between, each byte (c * 256 + (parent - c) * transparency) shr 8.
TColor FrameControlColor(TColor c, Integer transparency, TColor parentColor);

#ifdef _WIN32
#include <windows.h>

#include <memory>

#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"
#include "wrappers/kvSBUtils.h"

class TsFrameAdapter : public TComponent {
  TW_CLASS(TsFrameAdapter, TComponent)
  // Raises an exception when the owner is not a frame.
  explicit TsFrameAdapter(TComponent* owner);
  ~TsFrameAdapter() override;
  void AfterConstruction() override;
  void Loaded() override;

  TCustomFrame* GetFrame() const { return Frame; }
  bool OwnThirdLists() const { return FOwnThirdLists; }
  void NewWndProc(TMessage& m);
  // The frame's background: the section over the parent's picture. False when the parent
  // cannot report its background yet.
  bool PrepareCache();
  void OurPaintHandler(HDC dc);
  void KV_WMPaint(TMessage& m);
  TColor ControlColor();

  // The form the adapter is linked to (its provider keeps the adapter in its list); null while
  // unlinked.
  TCustomForm* LinkedForm() const { return linkedForm_; }

  bool FAllowSkin3rdParty = true;
  bool bRecFlag = false;
  bool FOwnThirdLists = false;
  TCustomFrame* Frame = nullptr;
  TkvScrollWnd* ListSW = nullptr;  // owned
  TWndMethod OldWndProc;
  std::unique_ptr<TsScrollWndData> FCommonData;
  TkvThirdLists ThirdLists;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Links the adapter to the frame's form, or drops the link from the form it was linked to.
  void LinkToForm();
  void UnlinkFromForm();
  // The frame's controls may be foreign ones: the form links the adapter and adapts them.
  void OfferToFormAdapter();
  void PassOn(TMessage& m) {
    if (OldWndProc) OldWndProc(m);
  }
  void BackgroundChanged(const TMessage& m);
  void ForwardToChildren(TMessage& m);
  bool installed_ = false;
  TCustomForm* linkedForm_ = nullptr;
};

// Gives a frame found on a skinned form its adapter (none when it has one); section: empty for
// the default.
void AdaptFrame(TCustomFrame* frame, const String& section);
#endif
