// A frame embedded in a skinned form: the form's child-control adapter gives it a frame adapter,
// a clear section shows exactly the form's background behind the frame, an own section paints
// the frame and colours what it tells its children, and the skin's removal gives the frame its
// system background back.
#include "forms/sFrameAdapter.h"

#include "base/sMessages.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "ui/GdiScopes.h"
#include "ui/StdCtrls.h"

using namespace formskin;

namespace {

constexpr TColor kFrameOwn = 0x00305090;

class SkinnedFrame : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    skin->skin.Manager.SkinCommonInfo.Sections[ssTransparent] =
        skin->skin.AddSection(PlainSection(u"TRANSPARENT", 100, 0, 1));
    own = skin->skin.AddSection(PlainSection(u"FRAMEOWN", 0, kFrameOwn, 1));
    half = skin->skin.AddSection(PlainSection(u"FRAMEHALF", 50, 0, 1));
    skin->skin.Data->Reindex();
    frame = new TFrame(form);
    frame->SetParent(form);
    frame->SetBounds(40, 30, 150, 90);
    auto* edit = new TEdit(frame);
    edit->SetParent(frame);
    edit->SetBounds(5, 5, 60, 20);
  }
  TsFrameAdapter* AdapterOf() {
    for (Integer i = 0; i < frame->ComponentCount(); ++i)
      if (auto* a = dynamic_cast<TsFrameAdapter*>(frame->Components(i))) return a;
    return nullptr;
  }
  void Start() {
    Skin();
    ShowForm();
    sp->LoadInit();  // the provider's first initialisation walks the form's controls
    PumpMessages();
  }
  // The frame's area as the form's window shows it.
  TColor FramePixel(Integer x, Integer y) {
    RedrawWindow(form->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    RECT fw{};
    GetWindowRect(frame->Handle(), &fw);
    const TWindowDC dc(frame->Handle());
    TBitmap shot(fw.right - fw.left, fw.bottom - fw.top, pf32bit);
    BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), dc, 0, 0, SRCCOPY);
    return shot.PixelColor(x, y);
  }
  TFrame* frame = nullptr;
  Integer own = -1, half = -1;
};

}  // namespace

TEST_F(SkinnedFrame, TheFormsAdapterGivesTheFrameAFrameAdapter) {
  Start();
  TsFrameAdapter* a = AdapterOf();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetFrame(), frame);
  EXPECT_TRUE(WndIsSkinned(frame->Handle()));
  EXPECT_EQ(SendMessageW(frame->Handle(), SM_ALPHACMD, KV_CTRLHANDLED_HI, 0), 1);
  EXPECT_EQ(a->FCommonData->SkinIndex, skin->skin.Manager.SkinCommonInfo.Sections[ssTransparent]);
}

TEST_F(SkinnedFrame, AClearSectionShowsExactlyTheFormsBackground) {
  Start();
  ASSERT_NE(AdapterOf(), nullptr);
  // What the form shows just left of the frame, from the form's own window.
  const TColor inFrame = FramePixel(100, 60), nearCorner = FramePixel(140, 85);
  RECT fw{}, ff{};
  GetWindowRect(form->Handle(), &ff);
  GetWindowRect(frame->Handle(), &fw);
  const TWindowDC dc(form->Handle());
  const TColor beside = TColor(GetPixel(dc, fw.left - ff.left - 5, fw.top - ff.top + 60));
  EXPECT_TRUE(beside == kClientActive || beside == kClientInactive) << std::hex << beside;
  // Away from the edit, in the frame's middle and near its corner.
  EXPECT_EQ(inFrame, beside);
  EXPECT_EQ(nearCorner, beside);
}

TEST_F(SkinnedFrame, AnOwnSectionPaintsTheFrameAndColoursItsChildren) {
  Start();
  TsFrameAdapter* a = AdapterOf();
  ASSERT_NE(a, nullptr);
  a->FCommonData->SetSkinSection(u"FRAMEOWN");
  a->FCommonData->UpdateIndexes(true);
  a->FCommonData->BGChanged = true;
  EXPECT_EQ(FramePixel(100, 60), kFrameOwn);
  EXPECT_EQ(SendMessageW(frame->Handle(), SM_ALPHACMD, uintptr_t{KV_GETCONTROLCOLOR} << 16, 0), LRESULT(kFrameOwn));
  // Half transparent: mixed with what the form reports.
  a->FCommonData->SetSkinSection(u"FRAMEHALF");
  a->FCommonData->UpdateIndexes(true);
  const auto parent = TColor(SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t{KV_GETCONTROLCOLOR} << 16, 0));
  EXPECT_EQ(SendMessageW(frame->Handle(), SM_ALPHACMD, uintptr_t{KV_GETCONTROLCOLOR} << 16, 0),
            LRESULT(FrameControlColor(0, 50, parent == TColor(0xFF00FF) ? ColorToRGB(form->Color()) : parent)));
}

// The frame's window class is shared by every frame of the class, skinned or not: skinning the
// frame and removing its skin leave the class's background brush as it was.
TEST_F(SkinnedFrame, RemovingTheSkinLeavesTheFramesWindowClassAlone) {
  frame->HandleNeeded();
  const ULONG_PTR before = GetClassLongPtrW(frame->Handle(), GCLP_HBRBACKGROUND);
  ASSERT_NE(reinterpret_cast<HBRUSH>(before), GetSysColorBrush(COLOR_BTNFACE));
  Start();
  ASSERT_NE(AdapterOf(), nullptr);
  EXPECT_EQ(GetClassLongPtrW(frame->Handle(), GCLP_HBRBACKGROUND), before);
  SendMessageW(frame->Handle(), SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_EQ(GetClassLongPtrW(frame->Handle(), GCLP_HBRBACKGROUND), before);
}

TEST_F(SkinnedFrame, OnlyAFrameTakesAnAdapter) {
  EXPECT_THROW({ TsFrameAdapter bad(form); }, Exception);
}
