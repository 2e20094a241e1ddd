// The small skin of the scroll-bar tests: one flat colour per part of the bars (track halves,
// arrow buttons, thumbs), so every expected pixel is known, and the scroll wrapper made on a
// window with bars 17 thick and arrows 15 long.
#pragma once

#include <windows.h>

#include "skin/sCommonData.h"
#include "support/SkinFixture.h"
#include "wrappers/kvSBUtils.h"

// The colours of the parts (TColor: 0x00BBGGRR).
constexpr TColor kTrackLeft = 0x000080, kTrackTop = 0x008000, kTrackRight = 0x800000, kTrackBottom = 0x808000;
constexpr TColor kBtnLeft = 0x0000C0, kBtnTop = 0x00C000, kBtnRight = 0xC00000, kBtnBottom = 0xC0C000;
constexpr TColor kThumbH = 0x204060, kThumbV = 0x604020, kWindow = 0x303030;

// The colours of the bars' parts; by default the ones above.
struct ScrollPartColors {
  TColor trackLeft = kTrackLeft, trackTop = kTrackTop, trackRight = kTrackRight, trackBottom = kTrackBottom;
  TColor btnLeft = kBtnLeft, btnTop = kBtnTop, btnRight = kBtnRight, btnBottom = kBtnBottom;
  TColor thumbH = kThumbH, thumbV = kThumbV;
};
// One colour for all tracks, one for all arrow buttons, one for both thumbs.
inline ScrollPartColors UniformScrollParts(TColor track, TColor btn, TColor thumb) {
  return {track, track, track, track, btn, btn, btn, btn, thumb, thumb};
}

// Gives a skin the bars' parts, one section of one flat colour each.
inline void AddScrollParts(SkinFixture& skin, const ScrollPartColors& c = {}) {
  TkvSkinData& d = *skin.Data;
  auto element = [&](const char16_t* name, TColor color) {
    TkvConstElementData e;
    e.SkinIndex = skin.AddSection(PlainSection(name, 0, color, 3));
    return e;
  };
  d.Scrolls = {element(u"SCROLLH1", c.trackLeft), element(u"SCROLLV1", c.trackTop), element(u"SCROLLH2", c.trackRight),
               element(u"SCROLLV2", c.trackBottom)};
  d.ScrollBtns = {element(u"BTNL", c.btnLeft), element(u"BTNT", c.btnTop), element(u"BTNR", c.btnRight),
                  element(u"BTNB", c.btnBottom)};
  d.Sliders = {element(u"THUMBH", c.thumbH), element(u"THUMBV", c.thumbV)};
}

struct ScrollSkin {
  ScrollSkin() {
    AddScrollParts(skin);
    ownSection = skin.AddSection(PlainSection(u"WINDOW", 0, kWindow, 3));
  }

  // Wraps the window with a skinned scroll wrapper and lets it compute the frame.
  TkvScrollWnd* Wrap(HWND wnd, Byte coc = 0) {
    TkvSkinParams params;
    auto* sw = TkvMainWnd::MakeWrapper<TkvScrollWnd>(wnd, nullptr, &skin.Manager, params, false);
    auto* sd = static_cast<TsScrollWndData*>(sw->SkinData);
    sd->SetSkinManager(&skin.Manager);
    sd->SkinIndex = ownSection;
    sd->COC = coc;
    sd->FHorzScrollData->FScrollWidth = sd->FVertScrollData->FScrollWidth = 17;
    sd->FHorzScrollData->FButtonsSize = sd->FVertScrollData->FButtonsSize = 15;
    sd->Loading = false;
    Kv_RedrawNonClient(wnd, true);
    return sw;
  }

  // The look of a state of an element's section (0 normal, 1 hot, 2 pressed).
  TsGenState& Look(const TkvConstElementData& e, Integer state) {
    return skin.Section(e.SkinIndex).Props[size_t(state)];
  }

  SkinFixture skin;
  Integer ownSection = -1;
};
