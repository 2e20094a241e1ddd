// The wrapper utilities: system and skin fonts, properties by name, the window geometry, the hot
// test, the control-loaded notice, the corners of a border image with key-coloured pixels and the
// generic cache painter.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "wrappers/kvSBUtils.h"

namespace {

std::vector<WPARAM> gCommands;
LRESULT CALLBACK CommandLog(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == SM_ALPHACMD) gCommands.push_back(HIWORD(w));
  return DefWindowProcW(wnd, msg, w, l);
}

class WrapperTools : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    static const ATOM cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = CommandLog;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"TwToolsProbe";
      return RegisterClassW(&wc);
    }();
    parent = CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_POPUP, 50, 60, 300, 200, nullptr, nullptr, nullptr, nullptr);
    child = CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_CHILD | WS_VISIBLE, 20, 30, 64, 40, parent, nullptr, nullptr,
                            nullptr);
    ASSERT_TRUE(parent && child);
    gCommands.clear();
  }
  void TearDown() override {
    DestroyWindow(parent);
    skin.Manager.Fonts.MainMode = fmDefault;
    app.reset();
  }
  TkvMainWnd* Wrap(HWND wnd) {
    TkvSkinParams params;
    TkvMainWnd* w = TkvMainWnd::MakeWrapper<TkvMainWnd>(wnd, nullptr, &skin.Manager, params, false);
    w->SkinData->SetSkinManager(&skin.Manager);
    return w;
  }
  static void Unwrap(TkvMainWnd* w) { UninitializeKVWnd(w->CtrlHandle, true, false, w); }

  std::unique_ptr<TApplication> app;
  SkinFixture skin;
  HWND parent = nullptr, child = nullptr;
};

}  // namespace

TEST_F(WrapperTools, SystemFontsAndTheSkinsFontName) {
  ASSERT_EQ(DefaultManager, &skin.Manager);
  LOGFONTW message{}, caption{}, other{};
  kv_GetSysFont(FONT_MESSAGE, message);
  kv_GetSysFont(FONT_CAPTION, caption);
  kv_GetSysFont(77, other);  // any other kind is the message font
  EXPECT_NE(message.lfHeight, 0);
  EXPECT_EQ(std::wstring(other.lfFaceName), std::wstring(message.lfFaceName));
  EXPECT_EQ(other.lfHeight, message.lfHeight);

  EXPECT_EQ(SkinMainFontName(), u"");
  skin.Manager.Fonts.MainMode = fmCustom;
  skin.Manager.Fonts.MainFont = u"An Extremely Long Font Face Name Beyond Limits";
  EXPECT_EQ(SkinMainFontName(), skin.Manager.Fonts.MainFont);
  LOGFONTW lf = message;
  CheckSkinFont(lf);
  EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(L"An Extremely Long Font Face Nam"));  // 31 characters
  skin.Manager.SkinCommonInfo.MainFont = u"Skin Font";
  skin.Manager.Fonts.MainMode = fmFromSkin;
  EXPECT_EQ(SkinMainFontName(), u"Skin Font");
  TFont font;
  CheckSkinFont(&font);
  EXPECT_EQ(font.Name(), u"Skin Font");
}

TEST_F(WrapperTools, ControlFontOfARawWindowWithoutFontIsTheMessageFont) {
  skin.Manager.Fonts.MainMode = fmCustom;
  skin.Manager.Fonts.MainFont = u"Tahoma";
  TkvMainWnd* w = Wrap(child);
  ASSERT_EQ(SendMessageW(child, WM_GETFONT, 0, 0), 0);
  LoadCtrlFont(w, true);
  LOGFONTW message{};
  kv_GetSysFont(FONT_MESSAGE, message);
  TFont* font = w->SkinData->FCacheBmp->Canvas()->Font();
  EXPECT_EQ(font->Name(), u"Tahoma");
  EXPECT_EQ(font->Height(), message.lfHeight);
  EXPECT_EQ(SendMessageW(child, WM_GETFONT, 0, 0), 0);  // nothing was given to the window
  Unwrap(w);
}

TEST_F(WrapperTools, PropertiesByName) {
  auto* form = new TForm(app.get());
  form->AfterConstruction();
  TryChangeIntProp(form, u"Width", 321);
  EXPECT_EQ(form->Width(), 321);
  EXPECT_EQ(TryGetIntProp(form, u"Width"), 321);
  TryChangeIntProp(form, u"NoSuchProperty", 5);  // skipped quietly
  EXPECT_EQ(TryGetIntProp(form, u"NoSuchProperty"), 0);
  EXPECT_EQ(TryGetIntProp(nullptr, u"Width"), 0);
  form->SetColor(clBtnFace);
  EXPECT_EQ(TryGetColorProp(form, u"Color"), ColorToRGB(clBtnFace));
  EXPECT_EQ(TryGetColorProp(form, u"NoSuchProperty"), TColor(0));
  delete form;
}

TEST_F(WrapperTools, WindowGeometry) {
  HWND p = nullptr;
  TRect wr, pr;
  TPoint pos;
  TSize size;
  InitCtrlData(child, p, wr, pos, size, pr);
  EXPECT_EQ(p, parent);
  EXPECT_EQ(wr, TRect(70, 90, 134, 130));
  EXPECT_EQ(pr, TRect(50, 60, 350, 260));
  EXPECT_EQ(pos, TPoint(20, 30));
  EXPECT_EQ(size, TSize(64, 40));
}

TEST_F(WrapperTools, ControlLoadedGoesToTheTopLevelWindow) {
  SendControlLoaded(child);
  EXPECT_EQ(gCommands, std::vector<WPARAM>{KV_CONTROLLOADED});
  gCommands.clear();
  SendControlLoaded(parent);  // no parent: the window itself
  EXPECT_EQ(gCommands, std::vector<WPARAM>{KV_CONTROLLOADED});
}

TEST_F(WrapperTools, HotLookNeedsABorderWithStates) {
  TsGeneralData section = PlainSection(u"EDIT", 0, clWhite, 2);
  section.BorderIndex = skin.AddImage(TRect(0, 0, 18, 6), 3, 0, 0, 2);
  const Integer withStates = skin.AddSection(section);
  section.BorderIndex = -1;
  const Integer noBorder = skin.AddSection(section);
  TsCommonData sd(nullptr, true);
  sd.SetSkinManager(&skin.Manager);
  sd.SkinIndex = withStates;
  EXPECT_TRUE(MayBeHot(&sd, true));
  sd.COC = 3;  // an edit: no hover look unless hot edits are allowed
  EXPECT_FALSE(MayBeHot(&sd, true));
  EXPECT_TRUE(MayBeHot(&sd, false));
  kv_AllowHotEdits = true;
  EXPECT_TRUE(MayBeHot(&sd, true));
  kv_AllowHotEdits = false;
  sd.COC = 0;
  skin.Manager.Options.NoMouseHover = true;
  EXPECT_FALSE(MayBeHot(&sd, true));
  skin.Manager.Options.NoMouseHover = false;
  sd.SkinIndex = noBorder;
  EXPECT_FALSE(MayBeHot(&sd, true));
  EXPECT_FALSE(MayBeHot(nullptr, false));
}

// Key-coloured corner pixels of the border image show the parent's background; other pixels
// stay as painted.
TEST_F(WrapperTools, CornersShowTheParentThroughKeyPixels) {
  TsGeneralData section = PlainSection(u"PANEL", 0, TColor(0x336699), 1);
  const Integer border = skin.AddImage(TRect(0, 0, 18, 6), 3, 0, 0, 2);
  skin.Fill(border, 0, 0xFF112233);
  skin.Put(border, 0, 0, 0, 0x00FF00FF);  // top-left corner pixel
  skin.Put(border, 0, 5, 5, 0x00FF00FF);  // bottom-right corner pixel
  section.BorderIndex = border;
  const Integer index = skin.AddSection(section);
  TkvMainWnd* w = Wrap(child);
  w->SkinData->SkinIndex = index;
  InitCtrlData(child, w->ParentWnd, w->WndRect, w->WndPos, w->WndSize, w->ParentRect);
  w->SkinData->InitCacheBmp();
  TBitmap* cache = w->SkinData->FCacheBmp.get();
  cache->SetPixelFormat(pf32bit);
  cache->SetSize(64, 40);
  for (Integer y = 0; y < 40; ++y)
    for (Integer x = 0; x < 64; ++x) cache->View().At(x, y) = 0xFF010203;
  const TCacheInfo bg = GetParentCacheHwnd(child);
  ASSERT_FALSE(bg.Ready);  // a plain parent answers with its colour
  UpdateWndCorners(w->SkinData, 0, w);
  const uint32_t fill = uint32_t(ColorToRGB(bg.FillColor));
  const uint32_t expected = 0xFF000000u | ((fill & 0xFF) << 16) | (fill & 0xFF00) | ((fill >> 16) & 0xFF);
  EXPECT_EQ(cache->View().At(0, 0), expected);
  EXPECT_EQ(cache->View().At(63, 39), expected);
  EXPECT_EQ(cache->View().At(1, 0), 0xFF010203u);
  EXPECT_EQ(cache->View().At(62, 39), 0xFF010203u);
  EXPECT_EQ(cache->View().At(63, 0), 0xFF010203u);
  // In dialog mode nothing is repaired.
  cache->View().At(0, 0) = 0xFF010203;
  w->DlgMode = true;
  UpdateWndCorners(w->SkinData, 0, w);
  EXPECT_EQ(cache->View().At(0, 0), 0xFF010203u);
  Unwrap(w);
}

TEST_F(WrapperTools, CachePainterRendersTheSectionOnce) {
  const Integer index = skin.AddSection(PlainSection(u"PANEL", 0, TColor(0x336699), 1));
  TkvMainWnd* w = Wrap(child);
  w->SkinData->SkinIndex = index;
  w->SkinData->BGChanged = true;
  PrepareCache(w->SkinData, child, false);
  TBitmap* cache = w->SkinData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->Width(), 64);
  EXPECT_EQ(cache->Height(), 40);
  EXPECT_EQ(cache->PixelColor(10, 10) & 0xFFFFFF, TColor(0x336699));
  EXPECT_FALSE(w->SkinData->BGChanged);
  // Without a change nothing is painted again.
  cache->View().At(10, 10) = 0xFF000000;
  PrepareCache(w->SkinData, child, false);
  EXPECT_EQ(cache->View().At(10, 10), 0xFF000000u);
  // Dialog mode with a border colour: the window colour framed in it.
  skin.Manager.Palette[pcBorder] = TColor(0x0000FF);
  w->SkinData->BGChanged = true;
  PrepareCache(w->SkinData, child, true);
  EXPECT_EQ(cache->PixelColor(0, 0) & 0xFFFFFF, TColor(0x0000FF));
  EXPECT_EQ(cache->PixelColor(10, 10) & 0xFFFFFF, ColorToRGB(clWindow));
  Unwrap(w);
}
