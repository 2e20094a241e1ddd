// What a skinned form hands to the system and what a skin gives and takes back: a caption text
// change handled under the caption cover, the menu images a removed skin gives back, the blur
// windows registered only while skinned, the MDI child buttons' kinds, the caption halo copied
// from the skin, and the dialog skinner's list of entries.
#include <windows.h>

#include <algorithm>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/kvTitleBar.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

class SkinResources : public SkinnedForm {};

}  // namespace
namespace {

// Records what reaches the form's previous window procedure: the skin commands, the main
// menu's image list at each menu change, and what a caption text change found.
class OldProcLog {
 public:
  explicit OldProcLog(TsSkinProvider* sp) : sp_(sp), old_(sp->OldWndProc) {
    sp->OldWndProc = TWndMethod(this, &OldProcLog::Proc);
  }
  ~OldProcLog() { sp_->OldWndProc = old_; }
  OldProcLog(const OldProcLog&) = delete;
  OldProcLog& operator=(const OldProcLog&) = delete;
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD) commands.push_back(m.WParamHi);
    if (m.Msg == CM_MENUCHANGED && sp_->Form->Menu()) menuImages.push_back(sp_->Form->Menu()->Images());
    if (m.Msg == WM_SETTEXT) {
      ++textChanges;
      const HWND cover = sp_->CaptForm ? sp_->CaptForm->WindowHandle() : nullptr;
      coverShown = cover && IsWindowVisible(cover);
      if (cover) GetWindowRect(cover, &coverRect);
      formVisible = GetWindowLongW(sp_->Form->WindowHandle(), GWL_STYLE) & WS_VISIBLE;
    }
    old_(m);
  }
  std::vector<Word> commands;
  std::vector<TCustomImageList*> menuImages;
  // At the last caption text change: the caption cover up, and the form's visible style.
  Integer textChanges = 0;
  bool coverShown = false, formVisible = false;
  RECT coverRect{};

 private:
  TsSkinProvider* sp_;
  TWndMethod old_;
};

LRESULT Command(TForm* form, Word code, LPARAM lParam, Word low = 0) {
  return SendMessageW(form->Handle(), SM_ALPHACMD, WPARAM(code) << 16 | low, lParam);
}

}  // namespace

// A new caption text is handled by the system under the caption cover, with and without
// desktop composition; the form keeps its visible style throughout, the cover goes afterwards
// and the skinned caption shows again.
TEST_F(SkinResources, NewCaptionTextIsHandledUnderTheCover) {
  const Integer savedAero = iAeroStatus;
  const TScopeExit restore([savedAero] { iAeroStatus = savedAero; });
  form->SetPosition(poDesigned);
  SkinAndShow();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  const TPoint title(sp->ButtonMin.cpRect.Left - 12, sp->VCenter);
  for (Integer aero : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "composition " << aero);
    iAeroStatus = aero;
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    OldProcLog spy(sp);
    const String text = aero ? u"Second" : u"First";
    form->SetCaption(text);
    ASSERT_EQ(spy.textChanges, 1);
    EXPECT_TRUE(spy.coverShown);
    EXPECT_TRUE(spy.formVisible);
    EXPECT_TRUE(EqualRect(&spy.coverRect, &wr)) << "the cover lies over the whole window";
    EXPECT_FALSE(sp->CaptForm);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    wchar_t now[32]{};
    GetWindowTextW(form->Handle(), now, 32);
    EXPECT_EQ(String(reinterpret_cast<const char16_t*>(now)), text);
    EXPECT_EQ(WindowShot(form->Handle())->PixelColor(title.X, title.Y), kTitleActive);
  }
}

// The skin goes: the main menu is rebuilt without its image list, which it gets back afterwards
// (its pictures then drawn as the system draws them).
TEST_F(SkinResources, RemovedSkinRebuildsTheMenuWithoutItsImagesAndGivesThemBack) {
  auto* menu = new TMainMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption(u"&File");
  menu->Items()->Add(item);
  auto* images = new TImageList(form);
  menu->SetImages(images);
  form->SetMenu(menu);
  SkinAndShow();
  OldProcLog log(sp);
  Command(form, KV_REMOVESKIN, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  ASSERT_GE(log.menuImages.size(), 2u);
  const auto detached = std::find(log.menuImages.begin(), log.menuImages.end(), nullptr);
  EXPECT_NE(detached, log.menuImages.end()) << "the rebuild runs without the images";
  EXPECT_EQ(log.menuImages.back(), images) << "attaching them again rebuilds the menu with them";
  EXPECT_EQ(menu->Images(), images);
}

// Windows that take the form's blur are registered only while the form is skinned; without the
// skin the command goes on to the form's own code.
TEST_F(SkinResources, BlurWindowsAreRegisteredOnlyWhileSkinned) {
  SkinAndShow();
  const HWND a = form->Handle(), b = GetDesktopWindow();
  OldProcLog log(sp);
  for (HWND w : {a, a, b}) Command(form, KV_FLUENTHANDLE, reinterpret_cast<LPARAM>(w), 1);
  EXPECT_EQ(sp->FluentHandles, (std::vector<HWND>{a, b}));
  Command(form, KV_FLUENTHANDLE, reinterpret_cast<LPARAM>(a), 0);
  Command(form, KV_FLUENTHANDLE, reinterpret_cast<LPARAM>(a), 0);
  EXPECT_EQ(sp->FluentHandles, (std::vector<HWND>{b}));
  EXPECT_TRUE(log.commands.empty()) << "handled by the provider alone";

  sp->FCommonData->SkinIndex = -1;  // the skin does not apply to the form any more
  ASSERT_FALSE(sp->Skinned());
  Command(form, KV_FLUENTHANDLE, reinterpret_cast<LPARAM>(a), 1);
  Command(form, KV_FLUENTHANDLE, reinterpret_cast<LPARAM>(b), 0);
  EXPECT_EQ(sp->FluentHandles, (std::vector<HWND>{b}));
  EXPECT_EQ(log.commands, (std::vector<Word>{KV_FLUENTHANDLE, KV_FLUENTHANDLE}));
}

// The caption-button kinds come with the skin: the MDI main form's child buttons get the small
// kinds without alignment; another form's are left alone.
TEST_F(SkinnedMdiFrame, SkinGivesTheChildButtonsTheirSmallKinds) {
  for (TsCaptionButton* b : {&sp->MDIMin, &sp->MDIMax, &sp->MDIClose}) {
    b->cpGlyphType = tgNone;
    b->cpHaveAlignment = true;
  }
  sp->UpdateIconsIndexes();
  EXPECT_EQ(sp->MDIMin.cpGlyphType, tgSmallMin);
  EXPECT_EQ(sp->MDIMax.cpGlyphType, tgSmallMax);
  EXPECT_EQ(sp->MDIClose.cpGlyphType, tgSmallClose);
  for (TsCaptionButton* b : {&sp->MDIMin, &sp->MDIMax, &sp->MDIClose}) EXPECT_FALSE(b->cpHaveAlignment);
  // The big form buttons keep theirs.
  EXPECT_EQ(sp->ButtonClose.cpGlyphType, tgClose);
  EXPECT_TRUE(sp->ButtonClose.cpHaveAlignment);

  TForm* child = MakeChild(u"Child");
  TsSkinProvider* childSp = ProviderOf(child->Handle());
  if (!childSp) {
    childSp = new TsSkinProvider(child);
    childSp->AfterConstruction();
  }
  childSp->MDIMax.cpGlyphType = tgNone;
  childSp->UpdateIconsIndexes();
  EXPECT_EQ(childSp->MDIMax.cpGlyphType, tgNone);
}

namespace {

// The window-position changes the thread's windows are asked for, as their procedures see them.
std::vector<std::pair<HWND, UINT>> positionChanges;
LRESULT CALLBACK RecordPositionChange(int code, WPARAM w, LPARAM l) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && msg->message == WM_WINDOWPOSCHANGING)
    positionChanges.emplace_back(msg->hwnd, reinterpret_cast<const WINDOWPOS*>(msg->lParam)->flags);
  return CallNextHookEx(nullptr, code, w, l);
}

}  // namespace

// The close button's halo is the skin's glow image copied as it is, alpha included; its window
// is put in the z-order alone and placed and sized with the picture.
TEST_F(SkinResources, TheHaloIsTheSkinsGlowImageAsItIs) {
  TkvSkinData& d = *skin->skin.Data;
  const TRect haloRect(0, 100, 40, 128);
  const Integer halo = skin->skin.AddImage(haloRect, 1, 0);
  auto haloPixel = [](Integer x, Integer y) {
    const uint32_t a = uint32_t(x * 6 + y) & 0xFF;
    return a << 24 | (a / 2) << 16 | (a / 3) << 8 | a / 4;
  };
  for (Integer y = 0; y < haloRect.Height(); ++y)
    for (Integer x = 0; x < haloRect.Width(); ++x) skin->skin.Put(halo, 0, x, y, haloPixel(x, y));
  d.TitleGlows[tgClose] = {halo};
  d.GlowMargins[tgClose] = 6;
  d.Reindex();
  SkinAndShow();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  layered::LayeredCalls rec;
  positionChanges.clear();
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordPositionChange, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  const TScopeExit unhook([hook] { UnhookWindowsHookEx(hook); });
  const TPoint close = Screen(Centre(sp->ButtonClose).X, Centre(sp->ButtonClose).Y);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(close.X, close.Y));
  TkvSBAnimation* fade = sp->ButtonClose.cpTimer;
  ASSERT_NE(fade, nullptr);
  ASSERT_TRUE(fade->ABmp && fade->AForm);
  const HWND glow = fade->AForm->WindowHandle();
  const auto shown = layered::LayeredCalls::UpdatesOf(glow);
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_EQ(shown[0].size.cx, haloRect.Width());
  ASSERT_EQ(shown[0].size.cy, haloRect.Height());
  Integer differing = 0;
  for (Integer y = 0; y < haloRect.Height(); ++y)
    for (Integer x = 0; x < haloRect.Width(); ++x) differing += shown[0].At(x, y) != haloPixel(x, y);
  EXPECT_EQ(differing, 0);
  // Placed by the picture: the halo reaches the margin beyond the button's top-left.
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  ASSERT_TRUE(shown[0].hasPos);
  EXPECT_EQ(shown[0].pos.x, wr.left + sp->ButtonClose.cpRect.Left - 6);
  EXPECT_EQ(shown[0].pos.y, wr.top + sp->ButtonClose.cpRect.Top - 6);
  RECT gr{};
  GetWindowRect(glow, &gr);
  EXPECT_EQ(gr.left, shown[0].pos.x);
  EXPECT_EQ(gr.right - gr.left, haloRect.Width());
  // Every z-order change of the halo's window leaves its place and size alone.
  Integer zOrderCalls = 0;
  for (const auto& [wnd, flags] : positionChanges) {
    if (wnd != glow || (flags & SWP_NOZORDER)) continue;
    ++zOrderCalls;
    EXPECT_TRUE((flags & SWP_NOMOVE) && (flags & SWP_NOSIZE)) << std::hex << flags;
  }
  EXPECT_GE(zOrderCalls, 1);
}

namespace {

// Cleans the skinner's list whenever the form is sent a frame paint, as a message handled while
// an entry is made may do.
HWND cleanOnPaintOf = nullptr;
Integer cleansDuringPaint = 0;
LRESULT CALLBACK CleanOnFramePaint(int code, WPARAM w, LPARAM l) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && msg->message == WM_NCPAINT && msg->hwnd == cleanOnPaintOf) {
    CleanSupportedList();
    ++cleansDuringPaint;
  }
  return CallNextHookEx(nullptr, code, w, l);
}

class SkinnerList : public SkinResources {
 protected:
  void TearDown() override {
    iAeroStatus = savedAero;
    CleanSupportedList();
    SkinResources::TearDown();
  }
  Integer savedAero = iAeroStatus;
};

BOOL WINAPI DebuggerAttached() { return TRUE; }
BOOL WINAPI NoDebugger() { return FALSE; }

}  // namespace

// A form's entry has done its work once the form has its provider: cleaning the list frees it
// (the provider stays with the form, which a later activation finds skinned), unless the list
// is cleaned while entries are being made.
TEST_F(SkinnerList, CleaningFreesFormEntriesButNotWhileTheyAreMade) {
  form->Show();
  Application->ProcessMessages();
  iAeroStatus = 1;  // the entry's initialisation sends the visible form a frame paint
  cleanOnPaintOf = form->Handle();
  cleansDuringPaint = 0;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CleanOnFramePaint, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  {
    const TScopeExit unhook([hook] { UnhookWindowsHookEx(hook); });
    ASSERT_TRUE(AddSupportedFormEx(form->Handle()));
  }
  EXPECT_GE(cleansDuringPaint, 1);
  TkvProvider* entry = FindFormInList(form->Handle());
  ASSERT_NE(entry, nullptr) << "kept while it was being made";
  TsSkinProvider* provider = entry->sp;
  ASSERT_NE(provider, nullptr);
  EXPECT_EQ(GetFormProvider(form->Handle()), provider);
  EXPECT_FALSE(provider->FMakeSkinMenu);
  auto entriesOnForm = [&] {
    Integer n = 0;
    for (Integer i = 0; i < form->ComponentCount(); ++i)
      n += dynamic_cast<TkvProvider*>(form->Components(i)) != nullptr;
    return n;
  };
  EXPECT_EQ(entriesOnForm(), 1);

  CleanSupportedList();
  EXPECT_EQ(FindFormInList(form->Handle()), nullptr);
  EXPECT_EQ(entriesOnForm(), 0);
  EXPECT_EQ(GetFormProvider(form->Handle()), provider);
  const size_t left = kvSupportedList->size();
  EXPECT_FALSE(AddSupportedFormEx(form->Handle())) << "skinned already";
  EXPECT_EQ(kvSupportedList->size(), left);
}

// Without composition a visible form is repainted at once when it gets its provider, unless a
// debugger is attached.
TEST_F(SkinnerList, AFormIsRepaintedAtOnceUnlessADebuggerWatches) {
  iAeroStatus = 0;
  const TkvIsDebuggerPresent savedDebugger = kvIsDebuggerPresent;
  const TScopeExit restore([savedDebugger] { kvIsDebuggerPresent = savedDebugger; });
  for (bool debugger : {true, false}) {
    SCOPED_TRACE(debugger ? "debugger" : "no debugger");
    kvIsDebuggerPresent = debugger ? &DebuggerAttached : &NoDebugger;
    TForm* f = new TForm(app.get());
    f->AfterConstruction();
    f->SetBounds(150, 130, 200, 120);
    f->Show();
    Application->ProcessMessages();
    const HWND h = f->Handle();
    ValidateRect(h, nullptr);
    ASSERT_FALSE(GetUpdateRect(h, nullptr, FALSE));
    auto* entry = new TkvProvider(f);
    entry->InitForm(f);
    EXPECT_NE(entry->sp, nullptr);
    EXPECT_EQ(GetUpdateRect(h, nullptr, FALSE) != 0, !debugger);
    delete f;
  }
}
