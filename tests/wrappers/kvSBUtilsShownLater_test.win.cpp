// Controls made inside a wrapped panel, static text or scroll box while it is hidden come up in
// the current skin when it is shown; a see-through static text repaints when it moves.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/ControlSkin.h"
#include "support/SkinCommands.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsScrollBox.h"
#include "wrappers/kvSBUtilsStatics.h"

namespace {

constexpr TColor kBox = 0x406080, kOld = 0x2080C0, kNew = 0xC08020;

class ShownLater : public ControlSkin {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ControlSkin::SetUp());
    Section(u"BOX", {kBox});
    inner = Section(u"INNER", {kOld});
    LoadForm(
        u"object F: TForm\n"
        u"  object p: TPanel\n    Left = 8\n    Top = 8\n    Width = 120\n    Height = 80\n  end\n"
        u"  object s: TStaticText\n    Left = 140\n    Top = 8\n    AutoSize = False\n    Width = 120\n"
        u"    Height = 80\n  end\n"
        u"  object b: TScrollBox\n    Left = 8\n    Top = 100\n    Width = 120\n    Height = 80\n  end\n"
        u"end\n");
    ShowInFront();
  }
  TkvMainWnd* WrapContainer(const std::string& kind, TWinControl* c) {
    if (kind == "panel") return Wrap<TkvPanelWnd>(c->Handle(), c, u"BOX");
    if (kind == "static text") return Wrap<TkvStaticTextWnd>(c->Handle(), c, u"BOX");
    return Wrap<TkvScrollBoxWnd>(c->Handle(), c, u"BOX");
  }
  void SetInnerColor(TColor c) {
    for (auto& look : skin.Section(inner).Props) look.Color = Integer(c);
  }
  Integer inner = -1;
};

}  // namespace

TEST_F(ShownLater, ChildrenMadeWhileHiddenComeUpInTheCurrentSkin) {
  const struct {
    const char* kind;
    const char16_t* component;
  } cases[] = {{"panel", u"p"}, {"static text", u"s"}, {"scroll box", u"b"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.kind);
    SetInnerColor(kOld);
    auto* box = Find<TWinControl>(k.component);
    TkvMainWnd* boxSw = WrapContainer(k.kind, box);
    box->SetVisible(false);
    Pump();
    // Made while hidden, and given its look before the skin changed.
    auto* child = new TPanel(form);
    child->SetParent(box);
    child->SetBounds(10, 10, 50, 40);
    child->SetCaption(u"");
    child->HandleNeeded();
    auto* childSw = Wrap<TkvPanelWnd>(child->Handle(), child, u"INNER");
    SendMessageW(child->Handle(), SM_ALPHACMD, TWParam{KV_PREPARECACHE} << 16, 0);
    SkinCommandLog log;
    auto* probe = new TCommandProbe(box, "probe", log);
    SetInnerColor(kNew);
    log.Clear();
    box->SetVisible(true);
    Pump();
    const std::vector<Word> heard = log.Commands("probe");
    EXPECT_NE(std::find(heard.begin(), heard.end(), Word(KV_SETNEWSKIN)), heard.end());
    EXPECT_NE(std::find(heard.begin(), heard.end(), Word(KV_REFRESH)), heard.end());
    RedrawWindow(child->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    Capture cap(50, 40);
    Grab(child->Handle(), cap);
    EXPECT_EQ(cap.At(25, 20), kNew);
    Unwrap(child->Handle(), childSw);
    delete probe;
    delete child;
    TkvMainWnd* held = boxSw;
    UninitializeKVWnd(box->Handle(), true, false, held);
  }
}

TEST_F(ShownLater, SeeThroughStaticTextRepaintsWhenMoved) {
  auto* st = Find<TStaticText>(u"s");
  // A see-through look: what shows through changes with the place.
  const Integer clear = Section(u"CLEAR", {kBox});
  skin.Section(clear).Props[0].Transparency = 50;
  auto* sw = Wrap<TkvStaticTextWnd>(st->Handle(), st, u"CLEAR");
  SendMessageW(st->Handle(), SM_ALPHACMD, TWParam{KV_PREPARECACHE} << 16, 0);
  sw->SkinData->BGChanged = false;
  st->SetBounds(st->Left() + 4, st->Top(), st->Width(), st->Height());
  EXPECT_TRUE(sw->SkinData->BGChanged);
  // An opaque look stays as it was.
  String opaque = u"BOX";
  sw->SkinData->SetSkinSection(opaque);
  SendMessageW(st->Handle(), SM_ALPHACMD, TWParam{KV_PREPARECACHE} << 16, 0);
  sw->SkinData->BGChanged = false;
  st->SetBounds(st->Left() + 4, st->Top(), st->Width(), st->Height());
  EXPECT_FALSE(sw->SkinData->BGChanged);
  Unwrap(st->Handle(), sw);
}
