// The skinned track bar's position tooltip: while the light-circle effect is shown on a track
// bar, the bar's position stands in a small layered window beside the effect's spot, drawn as
// an alpha hint when the skin has a hint section and a hints component is active, else as a
// framed box in the window colours. The track bar here carries only what the tooltip reads.
#pragma once

#ifdef _WIN32

#include <memory>

#include "base/kvntTypes.h"
#include "controls/kvAlphaHintsLayout.h"
#include "ui/ComCtrls.h"

class TsCommonData;

// What the tooltip shows; OnGetToolTipInfo may change both.
struct TkvToolTipInfo {
  String Text;
  TFont* Font = nullptr;
};
using TkvToolTipInfoEvent = TEvent<void(TObject* Sender, TkvToolTipInfo& Info)>;

class TsTrackBar : public TTrackBar {
  TW_CLASS(TsTrackBar, TTrackBar)
  explicit TsTrackBar(TComponent* owner);
  ~TsTrackBar() override;
  // Answers KV_GETMOUSEAREA with the thumb on the screen (where its light circle shines).
  void WndProc(TMessage& message) override;

  TkvToolTipInfoEvent OnGetToolTipInfo;
  std::unique_ptr<TsCommonData> FCommonData;
  std::unique_ptr<TkvGlowForm> ToolTipForm;  // made on first use
};

// Shows the position beside spot (screen coordinates); nothing with ptNone or at design time.
void ShowToolTip(TsTrackBar* trackBar, const TRect& spot);
// Frees the tooltip window.
void HideToolTip(TsTrackBar* trackBar);

#endif
