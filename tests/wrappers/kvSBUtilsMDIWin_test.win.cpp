// The MDI client wrapper keeps the background flag and the frame up to date as the edit-like
// wrappers do: the end of a move or resize marks its background changed.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/ControlSkin.h"
#include "wrappers/kvSBUtilsMDI.h"

namespace {

class MDIClient : public ControlSkin {};

}  // namespace

TEST_F(MDIClient, EndOfAMoveMarksTheBackgroundChanged) {
  Section(u"CHECKBOX", {0x405060});
  CLIENTCREATESTRUCT ccs{};
  ccs.idFirstChild = 100;
  HWND client = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 200,
                                150, form->Handle(), nullptr, GetModuleHandleW(nullptr), &ccs);
  ASSERT_NE(client, nullptr);
  windows.push_back(client);
  ShowInFront();
  auto* w = Wrap<TkvMDIWnd>(client, nullptr, u"CHECKBOX");
  ASSERT_TRUE(w->SkinData->Skinned());
  w->SkinData->BGChanged = false;
  SendMessageW(client, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_TRUE(w->SkinData->BGChanged);
  Unwrap(client, w);
}
