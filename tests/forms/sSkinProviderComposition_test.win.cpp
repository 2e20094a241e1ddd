// Desktop composition as the form provider drives it, both branches in one prefix: the Windows
// version and the composition state are set by the test, and every call to the window
// manager and to SetWindowCompositionAttribute goes through a recorder that calls the bound
// function on (Wine answers "not implemented" to several of them: the calls are the test).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/Resampling.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "ui/ExtCtrls.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

struct AttributeCall {
  HWND wnd;
  DWORD attribute;
  DWORD value;
};
struct BlurCall {
  DWORD flags;
  BOOL enable;
  bool region;
};
struct PictureCall {
  HWND wnd;
  SIZE size;
  uint32_t centre;  // the picture's centre pixel
  POINT offset;
  DWORD flags;
};
struct AccentCall {
  DWORD attribute;
  ULONG size;
  TkvAccentPolicy accent;
};

std::vector<AttributeCall> attributes;
std::vector<BlurCall> blurs;
std::vector<PictureCall> thumbnails, previews;
std::vector<TkvMargins> frames;
std::vector<AccentCall> accents;
// The system's answer to a picture: the recorders call the bound function and then give the
// answer the test chose (Windows takes the picture, or refuses it), whatever Wine answered.
HRESULT pictureAnswer = S_OK;

TkvDwmEntries real;

PictureCall Describe(HWND wnd, HBITMAP bmp) {
  PictureCall c{wnd, {}, 0, {}, 0};
  BITMAP info{};
  GetObjectW(bmp, sizeof info, &info);
  c.size = SIZE{info.bmWidth, info.bmHeight};
  if (info.bmBits && info.bmBitsPixel == 32) {
    // A bottom-up section: row 0 is the last one in memory.
    const auto* bits = static_cast<const uint32_t*>(info.bmBits);
    const Integer row = info.bmHeight / 2;
    c.centre = bits[size_t(row) * info.bmWidth + info.bmWidth / 2];
  }
  return c;
}

HRESULT WINAPI RecordAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size) {
  attributes.push_back({wnd, attribute, size == 4 ? *static_cast<const DWORD*>(value) : 0xFFFFFFFFu});
  return real.DwmSetWindowAttribute(wnd, attribute, value, size);
}
HRESULT WINAPI RecordBlur(HWND wnd, const TkvDwmBlurBehind* bb) {
  blurs.push_back({bb->dwFlags, bb->fEnable, bb->hRgnBlur != nullptr});
  return real.DwmEnableBlurBehindWindow(wnd, bb);
}
HRESULT WINAPI RecordThumbnail(HWND wnd, HBITMAP bmp, DWORD flags) {
  PictureCall c = Describe(wnd, bmp);
  c.flags = flags;
  thumbnails.push_back(c);
  real.DwmSetIconicThumbnail(wnd, bmp, flags);
  return pictureAnswer;
}
HRESULT WINAPI RecordPreview(HWND wnd, HBITMAP bmp, POINT* offset, DWORD flags) {
  PictureCall c = Describe(wnd, bmp);
  c.offset = offset ? *offset : POINT{-1, -1};
  c.flags = flags;
  previews.push_back(c);
  real.DwmSetIconicLivePreviewBitmap(wnd, bmp, offset, flags);
  return pictureAnswer;
}
HRESULT WINAPI RecordFrame(HWND wnd, const TkvMargins* m) {
  frames.push_back(*m);
  return real.DwmExtendFrameIntoClientArea(wnd, m);
}
BOOL WINAPI RecordAccent(HWND wnd, TkvWinCompAttrData* data) {
  AccentCall c{data->attribute, data->dataSize, {}};
  if (data->dataSize == sizeof(TkvAccentPolicy)) c.accent = *static_cast<TkvAccentPolicy*>(data->pData);
  accents.push_back(c);
  return real.SetWindowCompositionAttribute(wnd, data);
}

template <class F>
F Lookup(HMODULE lib, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

class Composition : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    aero = iAeroStatus;
    major = kvWinMajorVer;
    minor = kvWinMinorVer;
    hadAccent = kvDwm.SetWindowCompositionAttribute != nullptr;
    InitDwmApi();
    HMODULE dwm = DwmApiModule();
    ASSERT_TRUE(dwm) << "dwmapi.dll loads";
    HMODULE user = GetModuleHandleW(L"user32.dll");
    real.DwmSetWindowAttribute = Lookup<decltype(real.DwmSetWindowAttribute)>(dwm, "DwmSetWindowAttribute");
    real.DwmEnableBlurBehindWindow = Lookup<decltype(real.DwmEnableBlurBehindWindow)>(dwm, "DwmEnableBlurBehindWindow");
    real.DwmSetIconicThumbnail = Lookup<decltype(real.DwmSetIconicThumbnail)>(dwm, "DwmSetIconicThumbnail");
    real.DwmSetIconicLivePreviewBitmap =
        Lookup<decltype(real.DwmSetIconicLivePreviewBitmap)>(dwm, "DwmSetIconicLivePreviewBitmap");
    real.DwmExtendFrameIntoClientArea =
        Lookup<decltype(real.DwmExtendFrameIntoClientArea)>(dwm, "DwmExtendFrameIntoClientArea");
    real.SetWindowCompositionAttribute =
        Lookup<decltype(real.SetWindowCompositionAttribute)>(user, "SetWindowCompositionAttribute");
    // The recorders stand where the bound functions stand.
    kvDwm = TkvDwmEntries();
    if (real.DwmSetWindowAttribute) kvDwm.DwmSetWindowAttribute = &RecordAttribute;
    if (real.DwmEnableBlurBehindWindow) kvDwm.DwmEnableBlurBehindWindow = &RecordBlur;
    if (real.DwmSetIconicThumbnail) kvDwm.DwmSetIconicThumbnail = &RecordThumbnail;
    if (real.DwmSetIconicLivePreviewBitmap) kvDwm.DwmSetIconicLivePreviewBitmap = &RecordPreview;
    if (real.DwmExtendFrameIntoClientArea) kvDwm.DwmExtendFrameIntoClientArea = &RecordFrame;
    if (real.SetWindowCompositionAttribute) kvDwm.SetWindowCompositionAttribute = &RecordAccent;
    attributes.clear();
    blurs.clear();
    thumbnails.clear();
    previews.clear();
    frames.clear();
    accents.clear();
    pictureAnswer = S_OK;
    Windows7(true);
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    kvDwm = TkvDwmEntries();
    if (hadAccent) BindCompositionFunctions();
    iAeroStatus = aero;
    kvWinMajorVer = major;
    kvWinMinorVer = minor;
  }
  void Windows7(bool composition) {
    kvWinMajorVer = 6;
    kvWinMinorVer = 1;
    iAeroStatus = composition ? 1 : 0;
  }
  void Windows10() {
    kvWinMajorVer = 10;
    kvWinMinorVer = 0;
    iAeroStatus = 1;
  }
  // The blur switched on but not applied yet; waiting: marked as still needing its glass.
  void BlurOnWithoutGlass(bool waiting) {
    sp->FSystemBlur->FActive = true;
    sp->FCommonData->TranspMode = 0;
    if (waiting)
      sp->FFormState |= FS_GLASSNEEDED;
    else
      sp->FFormState &= ~FS_GLASSNEEDED;
  }
  Integer aero = -1;
  Byte major = 0, minor = 0;
  bool hadAccent = false;
};

}  // namespace

TEST_F(Composition, SkinnedWindowsLoseTheSystemTransitionsOnlyWithComposition) {
  ASSERT_TRUE(real.DwmSetWindowAttribute);
  const HWND h = form->Handle();
  InitDwm(h, true, false);
  InitDwm(h, false, false);
  ASSERT_EQ(attributes.size(), 2u);
  EXPECT_EQ(attributes[0].wnd, h);
  EXPECT_EQ(attributes[0].attribute, 3u);  // DWMWA_TRANSITIONS_FORCEDISABLED
  EXPECT_EQ(attributes[0].value, 1u);
  EXPECT_EQ(attributes[1].value, 0u);
  Windows7(false);
  InitDwm(h, true, false);
  EXPECT_EQ(attributes.size(), 2u);
  // Before Vista every wrapper is "not implemented" and calls nothing.
  kvWinMajorVer = 5;
  const DWORD on = 1;
  EXPECT_EQ(kvDwmSetWindowAttribute(h, 3, &on, sizeof on), E_NOTIMPL);
  EXPECT_EQ(attributes.size(), 2u);
}

// Every showing of a skinned form turns the system's transitions off again, with composition on.
TEST_F(Composition, ShowingASkinnedFormTurnsTheSystemTransitionsOff) {
  ASSERT_TRUE(real.DwmSetWindowAttribute);
  const HWND h = form->Handle();
  Skin();
  for (const bool composition : {true, false}) {
    SCOPED_TRACE(composition ? "composition on" : "composition off");
    Windows7(composition);
    attributes.clear();
    ShowForm();
    if (composition) {
      // The show and the pictures its animation prints each turn them off; nothing turns
      // them on again.
      ASSERT_FALSE(attributes.empty());
      for (const auto& a : attributes) {
        EXPECT_EQ(a.wnd, h);
        EXPECT_EQ(a.attribute, 3u);  // DWMWA_TRANSITIONS_FORCEDISABLED
        EXPECT_EQ(a.value, 1u);
      }
    } else {
      EXPECT_TRUE(attributes.empty());
    }
    form->Hide();
    Application->ProcessMessages();
  }
}

// A dialog procedure is stdcall on 32-bit Windows: a lambda does not convert to one.
static INT_PTR CALLBACK PassiveDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A standard dialog the engine skins loses the system's transitions when it is made and each time
// it is shown, with composition on.
TEST_F(Composition, ShowingASkinnedDialogTurnsTheSystemTransitionsOff) {
  ASSERT_TRUE(real.DwmSetWindowAttribute);
  kvDialsStartup();
  skin->skin.Manager.InstallHook();
  struct Template {
    DLGTEMPLATE t;
    WORD menu, cls, title;
  } tmpl{};
  tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  tmpl.t.cx = 120;
  tmpl.t.cy = 60;
  HWND dlg = nullptr;
  const auto cleanup = TScopeExit([&] {
    if (dlg) DestroyWindow(dlg);
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
  });
  for (const bool composition : {true, false}) {
    SCOPED_TRACE(composition ? "composition on" : "composition off");
    Windows7(composition);
    attributes.clear();
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &PassiveDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(WndIsSkinned(dlg));
    auto transitionsOff = [&] {
      Integer n = 0;
      for (const auto& a : attributes) n += a.wnd == dlg && a.attribute == 3u && a.value == 1u;
      return n;
    };
    EXPECT_EQ(transitionsOff(), composition ? 1 : 0);  // when made
    attributes.clear();
    ShowWindow(dlg, SW_SHOW);
    Application->ProcessMessages();
    EXPECT_EQ(transitionsOff(), composition ? 1 : 0);  // when shown
    DestroyWindow(dlg);
    dlg = nullptr;
  }
}

TEST_F(Composition, BlurBehindOnWindows7AndNotOnWindows10) {
  ASSERT_TRUE(real.DwmEnableBlurBehindWindow);
  const HWND h = form->Handle();
  struct Case {
    const char* name;
    bool win10, composition, region, enabled;
    bool called;
    DWORD flags;
  };
  const Case cases[] = {
      {"Windows 7, a region", false, true, true, true, true, 3},
      {"Windows 7, no region", false, true, false, true, true, 1},
      {"Windows 7, switched off", false, true, false, false, true, 1},
      {"Windows 7 without composition", false, false, true, true, false, 0},
      {"Windows 10", true, true, true, true, false, 0},
  };
  for (const Case& c : cases) {
    blurs.clear();
    if (c.win10)
      Windows10();
    else
      Windows7(c.composition);
    HRGN rgn = c.region ? CreateRectRgn(0, 0, 10, 10) : nullptr;
    SetBlurBehindWindow(h, c.enabled, rgn);
    // The region was given up: it is deleted whatever happened.
    if (rgn) { EXPECT_EQ(GetObjectType(rgn), 0u) << c.name; }
    ASSERT_EQ(blurs.size(), c.called ? 1u : 0u) << c.name;
    if (!c.called) continue;
    EXPECT_EQ(blurs[0].flags, c.flags) << c.name;
    EXPECT_EQ(blurs[0].enable != 0, c.enabled) << c.name;
    EXPECT_EQ(blurs[0].region, c.region) << c.name;
  }
}

TEST_F(Composition, FunctionsAreBoundOnlyIntoALoadedLibrary) {
  const HWND h = form->Handle();
  FreeDwmApi();
  kvDwm = TkvDwmEntries();
  kvDwmInvalidateIconicBitmaps(h);
  kvDwmExtendFrameIntoClientArea(h, TkvMargins{});
  EXPECT_EQ(DwmApiModule(), nullptr);
  EXPECT_EQ(kvDwm.DwmInvalidateIconicBitmaps, nullptr);
  EXPECT_EQ(kvDwm.DwmExtendFrameIntoClientArea, nullptr);
  // Setting an attribute loads the library and binds the blur call with it.
  const DWORD on = 1;
  kvDwmSetWindowAttribute(h, 3, &on, sizeof on);
  EXPECT_NE(DwmApiModule(), nullptr);
  EXPECT_NE(kvDwm.DwmSetWindowAttribute, nullptr);
  EXPECT_NE(kvDwm.DwmEnableBlurBehindWindow, nullptr);
  kvDwmInvalidateIconicBitmaps(h);
  EXPECT_NE(kvDwm.DwmInvalidateIconicBitmaps, nullptr);
  // The accent call counts only on Windows 10.
  kvDwm.SetWindowCompositionAttribute = real.SetWindowCompositionAttribute;
  EXPECT_FALSE(IsFluentOS());
  Windows10();
  EXPECT_EQ(IsFluentOS(), real.SetWindowCompositionAttribute != nullptr);
}

TEST_F(Composition, TaskbarThumbnailKeepsTheFormsRatio) {
  ASSERT_TRUE(real.DwmSetIconicThumbnail);
  struct Case {
    Integer width, height;
    LONG thumbW, thumbH;
  };
  const Case cases[] = {{400, 300, 133, 100}, {300, 400, 75, 100}};
  for (const Case& c : cases) {
    form->SetBounds(120, 110, c.width, c.height);
    Skin();
    sp->PaintAll();
    ASSERT_EQ(sp->FCommonData->FCacheBmp->Width(), c.width);
    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    const uint32_t pictureCentre = picture->View().At(c.width / 2, c.height / 2);
    // The taskbar gets the window picture resampled with the triangle filter; its 16.16 weights
    // are not renormalised, so a flat area may come out a level or two darker: the picture
    // handed over is compared with that resampling, read back the same way.
    std::unique_ptr<TBitmap> scaled(CreateBmp32(c.thumbW, c.thumbH));
    Stretch(picture, scaled.get(), c.thumbW, c.thumbH, ftTriangle);
    const uint32_t centre = Describe(nullptr, scaled->Handle()).centre;
    for (int shift : {0, 8, 16}) {
      const int want = int(pictureCentre >> shift & 0xFF), got = int(centre >> shift & 0xFF);
      EXPECT_LE(std::abs(want - got), 3) << "channel at bit " << shift;
    }
    // A refused picture: the answer is False, the state flag is gone again.
    thumbnails.clear();
    pictureAnswer = E_FAIL;
    EXPECT_FALSE(SetThumbIcon(form->Handle(), sp, 200, 100));
    ASSERT_EQ(thumbnails.size(), 1u);
    EXPECT_EQ(thumbnails[0].size.cx, c.thumbW);
    EXPECT_EQ(thumbnails[0].size.cy, c.thumbH);
    EXPECT_EQ(thumbnails[0].centre & 0xFFFFFF, centre & 0xFFFFFF);
    EXPECT_FALSE(sp->FormState() & FS_THUMBDRAWING);
    // A taken picture: the whole form follows in a second picture of the same size.
    thumbnails.clear();
    pictureAnswer = S_OK;
    EXPECT_TRUE(SetThumbIcon(form->Handle(), sp, 200, 100));
    ASSERT_EQ(thumbnails.size(), 2u);
    EXPECT_EQ(thumbnails[1].size.cx, c.thumbW);
    EXPECT_EQ(thumbnails[1].size.cy, c.thumbH);
    EXPECT_FALSE(sp->FormState() & FS_THUMBDRAWING);
    delete sp;
    sp = nullptr;
  }
  // No picture, no size: nothing is handed over.
  Skin();
  thumbnails.clear();
  EXPECT_FALSE(SetThumbIcon(form->Handle(), sp, 0, 100));
  sp->FCommonData->FCacheBmp.reset();
  EXPECT_FALSE(SetThumbIcon(form->Handle(), sp, 200, 100));
  EXPECT_TRUE(thumbnails.empty());
}

TEST_F(Composition, LivePreviewIsTheWholeForm) {
  ASSERT_TRUE(real.DwmSetIconicLivePreviewBitmap);
  Skin();
  sp->PaintAll();
  pictureAnswer = S_OK;
  EXPECT_TRUE(SetPreviewBmp(form->Handle(), sp));
  ASSERT_EQ(previews.size(), 1u);
  EXPECT_EQ(previews[0].size.cx, form->Width());
  EXPECT_EQ(previews[0].size.cy, form->Height());
  EXPECT_EQ(previews[0].offset.x, 0);
  EXPECT_EQ(previews[0].offset.y, 0);
  EXPECT_EQ(previews[0].flags, 1u);  // DWM_SIT_DISPLAYFRAME
  pictureAnswer = E_FAIL;
  EXPECT_FALSE(SetPreviewBmp(form->Handle(), sp));
  EXPECT_FALSE(sp->FormState() & FS_THUMBDRAWING);
}

// A minimized form's window picture is its minimized caption: the taskbar gets the picture the
// minimize took of the whole form instead, as it is, both as thumbnail and as live preview.
TEST_F(Composition, AMinimizedFormShowsThePictureTakenAtTheMinimize) {
  ASSERT_TRUE(real.DwmSetIconicThumbnail);
  ASSERT_TRUE(real.DwmSetIconicLivePreviewBitmap);
  Skin();
  sp->PaintAll();
  pictureAnswer = S_OK;
  // Not minimized: the window picture, and the whole form after it.
  thumbnails.clear();
  EXPECT_TRUE(SetThumbIcon(form->Handle(), sp, 200, 100));
  ASSERT_EQ(thumbnails.size(), 2u);
  EXPECT_EQ(thumbnails[0].size.cx, MulDiv(100, form->Width(), form->Height()));

  ShowWindow(form->Handle(), SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(IsIconic(form->Handle()));
  // The minimize's picture, told apart by its size and colour.
  auto* mt = dynamic_cast<TkvMinTimer*>(sp->FormTimer.get());
  if (!mt) {
    mt = TkvThreadedTimer::CreateOwned<TkvMinTimer>(sp, true);
    mt->sp = sp;
    sp->FormTimer.reset(mt);
  }
  mt->SavedImage = std::make_unique<TBitmap>(120, 90, pf32bit);
  FillRect32(mt->SavedImage.get(), TRect(0, 0, 120, 90), TColor(0x002010C0), 255);
  thumbnails.clear();
  EXPECT_TRUE(SetThumbIcon(form->Handle(), sp, 200, 100));
  ASSERT_EQ(thumbnails.size(), 1u);  // the picture has the whole form already
  EXPECT_EQ(thumbnails[0].size.cx, 133);
  EXPECT_EQ(thumbnails[0].size.cy, 100);
  // The triangle filter may leave a flat area a level or two darker.
  for (int shift : {0, 8, 16}) {
    EXPECT_LE(std::abs(int(thumbnails[0].centre >> shift & 0xFF) - int(0xC01020u >> shift & 0xFF)), 3) << shift;
  }
  EXPECT_FALSE(sp->FormState() & FS_THUMBDRAWING);
  previews.clear();
  EXPECT_TRUE(SetPreviewBmp(form->Handle(), sp));
  ASSERT_EQ(previews.size(), 1u);
  EXPECT_EQ(previews[0].size.cx, 120);
  EXPECT_EQ(previews[0].size.cy, 90);
  EXPECT_EQ(previews[0].centre & 0xFFFFFF, 0xC01020u);
  EXPECT_FALSE(sp->FormState() & FS_THUMBDRAWING);
  // A minimize without a picture gives the taskbar nothing.
  mt->SavedImage = std::make_unique<TBitmap>(0, 0, pf32bit);
  thumbnails.clear();
  EXPECT_FALSE(SetThumbIcon(form->Handle(), sp, 200, 100));
  EXPECT_TRUE(thumbnails.empty());
  ShowWindow(form->Handle(), SW_RESTORE);
}

TEST_F(Composition, SystemBlurSetsTheAccentOnWindows10) {
  ASSERT_TRUE(real.SetWindowCompositionAttribute) << "user32 has SetWindowCompositionAttribute";
  Windows10();
  Skin();
  ShowForm();
  ASSERT_TRUE(IsFluentOS());
  TkvSystemBlur& blur = *sp->FSystemBlur;
  blur.SetActive(true);
  ASSERT_EQ(accents.size(), 1u);
  EXPECT_EQ(accents[0].attribute, 19u);
  EXPECT_EQ(accents[0].size, 16u);
  EXPECT_EQ(accents[0].accent.AccentState, 3);
  EXPECT_EQ(accents[0].accent.GradientColor, 1);
  EXPECT_EQ(sp->FCommonData->TranspMode, 2);
  EXPECT_TRUE(sp->FUWPMode);
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_EQ(sp->FluentBorderStyle, bsSizeable);
  // A new mode applies at once, although the blur was on already.
  blur.SetMode(bmAcrylicBlurBehind);
  ASSERT_EQ(accents.size(), 2u);
  EXPECT_EQ(accents[1].accent.AccentState, 4);
  blur.SetActive(false);
  ASSERT_EQ(accents.size(), 3u);
  EXPECT_EQ(accents[2].accent.AccentState, 0);
  EXPECT_EQ(sp->FCommonData->TranspMode, 0);
  EXPECT_FALSE(sp->FUWPMode);
  EXPECT_EQ(form->BorderStyle(), bsSizeable);
  // Nothing of the window manager's own glass is asked for on Windows 10.
  EXPECT_TRUE(frames.empty());
  EXPECT_TRUE(blurs.empty());
}

TEST_F(Composition, SystemBlurMakesGlassOfItsControlsOnWindows7) {
  ASSERT_TRUE(real.DwmExtendFrameIntoClientArea);
  Windows7(true);
  Skin();
  ShowForm();
  auto* top = new TPanel(form);
  top->AfterConstruction();
  top->SetParent(form);
  top->SetAlign(alTop);
  top->SetHeight(30);
  top->HandleNeeded();
  SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(1, KV_FLUENTHANDLE), LPARAM(top->Handle()));
  ASSERT_EQ(sp->FluentHandles.size(), 1u);
  sp->FSystemBlur->SetActive(true);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].cyTopHeight, 30);
  EXPECT_EQ(frames[0].cxLeftWidth, 0);
  EXPECT_EQ(frames[0].cxRightWidth, 0);
  EXPECT_EQ(frames[0].cyBottomHeight, 0);
  ASSERT_EQ(blurs.size(), 1u);
  EXPECT_TRUE(blurs[0].enable);
  EXPECT_FALSE(blurs[0].region);
  EXPECT_EQ(sp->FCommonData->TranspMode, 2);
  EXPECT_TRUE(accents.empty());
  // A client-aligned control makes the whole window glass.
  top->SetAlign(alClient);
  sp->FSystemBlur->UpdateBlurMode(true);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].cxLeftWidth, -1);
  EXPECT_EQ(frames[1].cyTopHeight, -1);
  EXPECT_EQ(frames[1].cxRightWidth, -1);
  EXPECT_EQ(frames[1].cyBottomHeight, -1);
  // Removed from the list, it asks for nothing.
  SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_FLUENTHANDLE), LPARAM(top->Handle()));
  EXPECT_TRUE(sp->FluentHandles.empty());
  sp->FSystemBlur->SetActive(false);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[2].cyTopHeight, 0);
  EXPECT_FALSE(blurs.back().enable);
  EXPECT_EQ(sp->FCommonData->TranspMode, 0);
}

TEST_F(Composition, TheFormAnswersTheTaskbarsRequests) {
  ASSERT_TRUE(real.DwmSetIconicThumbnail);
  ASSERT_TRUE(real.DwmSetIconicLivePreviewBitmap);
  form->SetBounds(120, 110, 400, 300);
  Skin();
  sp->PaintAll();
  const bool was = kv_ChangeThumbPreviews;
  kv_ChangeThumbPreviews = true;
  // Width in the high word, height in the low word.
  EXPECT_EQ(SendMessageW(form->Handle(), WM_DWMSENDICONICTHUMBNAIL, 0, MAKELPARAM(100, 200)), 1);
  ASSERT_EQ(thumbnails.size(), 2u);
  EXPECT_EQ(thumbnails[0].size.cx, 133);
  EXPECT_EQ(thumbnails[0].size.cy, 100);
  EXPECT_EQ(SendMessageW(form->Handle(), WM_DWMSENDICONICLIVEPREVIEWBITMAP, 0, 0), 1);
  ASSERT_EQ(previews.size(), 1u);
  pictureAnswer = E_FAIL;
  EXPECT_EQ(SendMessageW(form->Handle(), WM_DWMSENDICONICLIVEPREVIEWBITMAP, 0, 0), 0);
  // Without the switch the requests go on to the form unanswered.
  kv_ChangeThumbPreviews = false;
  thumbnails.clear();
  SendMessageW(form->Handle(), WM_DWMSENDICONICTHUMBNAIL, 0, MAKELPARAM(100, 200));
  EXPECT_TRUE(thumbnails.empty());
  kv_ChangeThumbPreviews = was;
}

TEST_F(Composition, AStoredSystemBlurIsAppliedWhenTheFormShows) {
  ASSERT_TRUE(real.DwmEnableBlurBehindWindow);
  Windows7(true);
  Skin();
  for (const bool stored : {false, true}) {
    SCOPED_TRACE(stored ? "blur stored" : "no blur");
    // As a form description leaves it: the blur's field set, nothing applied yet.
    sp->FSystemBlur->FActive = stored;
    sp->FCommonData->TranspMode = 0;
    sp->Loaded();
    EXPECT_EQ((sp->FFormState & FS_GLASSNEEDED) != 0, stored);
    blurs.clear();
    ShowForm();
    EXPECT_EQ(sp->FCommonData->TranspMode, stored ? 2 : 0);
    EXPECT_EQ(sp->FFormState & FS_GLASSNEEDED, 0u);
    ASSERT_EQ(blurs.size(), stored ? 1u : 0u);
    if (stored) { EXPECT_TRUE(blurs[0].enable); }
    form->Hide();
    Application->ProcessMessages();
  }
}

// A new skin reaching a form that is not skinned yet marks a blur that is on: the form takes
// its glass when it shows.
TEST_F(Composition, ANewSkinForAnUnskinnedFormLeavesTheGlassForTheShowing) {
  ASSERT_TRUE(real.DwmEnableBlurBehindWindow);
  Windows7(true);
  Skin();
  DuRiruZireziv& m = skin->skin.Manager;
  for (const bool blur : {false, true}) {
    SCOPED_TRACE(blur ? "blur on" : "no blur");
    sp->FSystemBlur->FActive = blur;
    sp->FCommonData->TranspMode = 0;
    sp->FFormState &= ~FS_GLASSNEEDED;
    // A section the skin lacks: the form stays unskinned through the command.
    sp->FCommonData->SetSkinSection(u"NOSUCHSECTION");
    ASSERT_FALSE(sp->Skinned());
    SendMessageW(form->Handle(), SM_ALPHACMD, KV_SETNEWSKIN_HI, reinterpret_cast<LPARAM>(&m));
    sp->FCommonData->SetSkinSection(u"FORM");
    ASSERT_TRUE(sp->Skinned());
    EXPECT_EQ((sp->FFormState & FS_GLASSNEEDED) != 0, blur);
    EXPECT_EQ(sp->FCommonData->TranspMode, 0);
    blurs.clear();
    ShowForm();
    EXPECT_EQ(sp->FCommonData->TranspMode, blur ? 2 : 0);
    EXPECT_EQ(sp->FFormState & FS_GLASSNEEDED, 0u);
    ASSERT_EQ(blurs.size(), blur ? 1u : 0u);
    if (blur) { EXPECT_TRUE(blurs[0].enable); }
    form->Hide();
    Application->ProcessMessages();
  }
}

// A new skin for a skinned form applies a blur that is on at once.
TEST_F(Composition, ANewSkinForASkinnedFormAppliesTheBlur) {
  Windows7(true);
  Skin();
  ShowForm();
  sp->FSystemBlur->FActive = true;
  sp->FCommonData->TranspMode = 0;
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_SETNEWSKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_EQ(sp->FCommonData->TranspMode, 2);
  EXPECT_EQ(sp->FFormState & FS_GLASSNEEDED, 0u);
}

// A PPI change applies the glass a blur still waits for, and only then.
TEST_F(Composition, APpiChangeAppliesTheGlassABlurWaitsFor) {
  ASSERT_TRUE(real.DwmEnableBlurBehindWindow);
  Windows7(true);
  Skin();
  ShowForm();
  Integer ppi = GetPPI(sp->FCommonData.get());
  for (const bool waiting : {false, true}) {
    SCOPED_TRACE(waiting ? "glass waited for" : "nothing waiting");
    BlurOnWithoutGlass(waiting);
    blurs.clear();
    ppi = ppi == 120 ? 144 : 120;
    RECT suggested{120, 110, 420, 310};
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(ppi, ppi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(sp->FCommonData->TranspMode, waiting ? 2 : 0);
    EXPECT_EQ(sp->FFormState & FS_GLASSNEEDED, 0u);
    ASSERT_EQ(blurs.size(), waiting ? 1u : 0u);
    if (waiting) { EXPECT_TRUE(blurs[0].enable); }
  }
}

// A refresh of the skin applies the glass a blur still waits for, and only then.
TEST_F(Composition, ARefreshAppliesTheGlassABlurWaitsFor) {
  Windows7(true);
  Skin();
  ShowForm();
  for (const bool waiting : {false, true}) {
    SCOPED_TRACE(waiting ? "glass waited for" : "nothing waiting");
    BlurOnWithoutGlass(waiting);
    SendMessageW(form->Handle(), SM_ALPHACMD, KV_REFRESH_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
    EXPECT_EQ(sp->FCommonData->TranspMode, waiting ? 2 : 0);
    EXPECT_EQ(sp->FFormState & FS_GLASSNEEDED, 0u);
  }
}
