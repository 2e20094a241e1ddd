// The parent background query (answered, filled with a colour, or painted by the parent
// itself), control colours, and the control utilities that walk and announce controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

namespace {

std::vector<std::string> commands;

// A control that answers what the tests set and paints a known picture on request.
class TProbe : public TCustomControl {
 public:
  TProbe(TWinControl* parent, const char* name) : TCustomControl(parent), name_(name) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(10, 20, 60, 40);
    SetParent(parent);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      commands.push_back(name_ + ":" + std::to_string(m.WParamHi));
      if (m.WParamHi == KV_GETBG && bgAnswer) bgAnswer(*reinterpret_cast<TkvBGInfo*>(m.LParam));
      if (m.WParamHi == KV_GETCONTROLCOLOR) m.Result = colorAnswer;
      if (m.WParamHi == KV_CTRLHANDLED) m.Result = handled;
      return;
    }
    if ((m.Msg == WM_ERASEBKGND || m.Msg == WM_PAINT) && m.WParam && paintsItself) {
      PaintPattern(reinterpret_cast<HDC>(m.WParam), m.Msg == WM_PAINT);
      m.Result = 1;
      return;
    }
    TCustomControl::WndProc(m);
  }
  // The erase fills the client red; the paint puts a blue square at (20, 10)-(40, 30).
  static void PaintPattern(HDC dc, bool paint) {
    HBRUSH b = CreateSolidBrush(paint ? RGB(0, 0, 255) : RGB(255, 0, 0));
    RECT r = paint ? RECT{20, 10, 40, 30} : RECT{0, 0, 60, 40};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  std::string name_;
  std::function<void(TkvBGInfo&)> bgAnswer;
  intptr_t colorAnswer = 0;
  intptr_t handled = 0;
  bool paintsItself = false;
};

class TGraphicProbe : public TGraphicControl {
 public:
  TGraphicProbe(TWinControl* parent, const char* name) : TGraphicControl(parent), name_(name) {
    SetBounds(5, 6, 30, 20);
    SetParent(parent);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      commands.push_back(name_ + ":" + std::to_string(m.WParamHi));
      return;
    }
    TGraphicControl::WndProc(m);
  }
  std::string name_;
};

class Background : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(MakeForm(100, 100));
    commands.clear();
    form->HandleNeeded();
  }
  // A 64 x 64 memory picture filled green, with its DC.
  struct Canvas {
    TBitmap bmp{64, 64, pf32bit};
    HDC dc;
    Canvas() {
      dc = CreateCompatibleDC(nullptr);
      SelectObject(dc, bmp.Handle());
      HBRUSH g = CreateSolidBrush(RGB(0, 255, 0));
      RECT all{0, 0, 64, 64};
      FillRect(dc, &all, g);
      DeleteObject(g);
    }
    ~Canvas() { DeleteDC(dc); }
    uint32_t At(int x, int y) { return bmp.View().At(x, y) & 0xFFFFFF; }
  };
  static constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;  // pixel order
};

HWND RawWindow(WNDPROC proc) {
  static int n = 0;
  const std::wstring cls = L"TwBgRaw" + std::to_wstring(n++);
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = cls.c_str();
  RegisterClassW(&wc);
  return CreateWindowExW(0, cls.c_str(), L"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

LRESULT CALLBACK PatternProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if ((msg == WM_ERASEBKGND || msg == WM_PAINT) && wp) {
    TProbe::PaintPattern(reinterpret_cast<HDC>(wp), msg == WM_PAINT);
    return 1;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

TEST_F(Background, UnansweredWindowGivesAFillColour) {
  HWND raw = RawWindow(DefWindowProcW);
  TkvBGInfo info;
  info.FillRect = TRect(1, 2, 3, 4);
  EXPECT_FALSE(GetBGInfo(&info, raw, false));
  EXPECT_EQ(info.BgType, btFill);
  EXPECT_EQ(info.Color, clBtnFace);  // a window of no control
  EXPECT_EQ(info.FillRect, TRect());
  EXPECT_EQ(info.Offset, GetClientPos(raw));
  DestroyWindow(raw);

  auto* probe = new TProbe(form, "p");
  probe->SetColor(clRed);
  EXPECT_FALSE(GetBGInfo(&info, probe->Handle(), false));
  EXPECT_EQ(info.Color, 0x0000FFu);  // the colour of the window's control

  DuRiruZireziv manager(nullptr);
  manager.Palette[pcMainColor] = 0x123456;
  EXPECT_FALSE(GetBGInfo(&info, probe->Handle(), false));
  EXPECT_EQ(info.Color, 0x0000FFu);  // an inactive manager is not asked
  manager.SkinCommonInfo.Active = true;
  EXPECT_FALSE(GetBGInfo(&info, probe->Handle(), false));
  EXPECT_EQ(info.Color, 0x123456u);  // the skin's global colour
}

TEST_F(Background, AnsweringParentAndTheCacheReference) {
  auto* parent = new TProbe(form, "parent");
  TBitmap cache(100, 100, pf32bit);
  parent->bgAnswer = [&](TkvBGInfo& i) {
    EXPECT_TRUE(i.PleaseDraw);
    i.BgType = btCache;
    i.Bmp = &cache;
    i.Offset = TPoint(7, 8);
  };
  TkvBGInfo info;
  EXPECT_TRUE(GetBGInfo(&info, parent->Handle(), true));
  TCacheInfo ci = BGInfoToCI(&info);
  EXPECT_TRUE(ci.Ready);
  EXPECT_EQ(ci.Bmp, &cache);
  EXPECT_EQ(ci.X, 7);
  EXPECT_EQ(ci.Y, 8);
  EXPECT_EQ(ci.FillColor, 0xFF00FFu);

  parent->bgAnswer = [&](TkvBGInfo& i) {
    i.BgType = btFill;
    i.Bmp = &cache;
    i.Color = clBtnFace;
    i.FillRect = TRect(3, 3, 50, 20);
  };
  EXPECT_TRUE(GetBGInfo(&info, static_cast<TControl*>(parent), false));
  ci = BGInfoToCI(&info);
  EXPECT_FALSE(ci.Ready);
  EXPECT_EQ(ci.FillColor, ColorToRGB(clBtnFace));  // the system colour resolved
  EXPECT_EQ(ci.FillRect, TRect(3, 3, 50, 20));
  EXPECT_EQ(ci.Bmp, &cache);
}

TEST_F(Background, UnansweredWindowPaintsItselfIntoTheGivenDC) {
  HWND raw = RawWindow(PatternProc);
  Canvas c;
  TkvBGInfo info;
  info.DrawDC = c.dc;
  info.R = TRect(10, 5, 30, 25);
  EXPECT_FALSE(GetBGInfo(&info, raw, true));
  EXPECT_EQ(info.BgType, btUnknown);
  EXPECT_EQ(c.At(12, 7), kRed);     // erased inside the rectangle
  EXPECT_EQ(c.At(25, 15), kBlue);   // painted
  EXPECT_EQ(c.At(35, 15), kGreen);  // clipped to the rectangle
  EXPECT_EQ(c.At(5, 5), kGreen);
  DestroyWindow(raw);
}

TEST_F(Background, UnansweredControlPaintsItselfAtTheCallersOffset) {
  auto* probe = new TProbe(form, "p");
  probe->paintsItself = true;
  Canvas c;
  TkvBGInfo info;
  info.DrawDC = c.dc;
  info.Offset = TPoint(10, 0);
  info.R = TRect(0, 0, 40, 40);
  EXPECT_TRUE(GetBGInfo(&info, static_cast<TControl*>(probe), true));
  EXPECT_EQ(info.BgType, btUnknown);
  // The control's (20, 10) lands at (10, 10); the clip is R moved by the offset, (10..50)
  // in the control's coordinates, so (0..40) in the picture.
  EXPECT_EQ(c.At(12, 12), kBlue);
  EXPECT_EQ(c.At(5, 5), kRed);
  EXPECT_EQ(c.At(45, 5), kGreen);
}

TEST_F(Background, TheCallersRectangleStaysSoTheRecordCanAskAgain) {
  auto* probe = new TProbe(form, "p");
  probe->paintsItself = true;
  TkvBGInfo info;
  info.Offset = TPoint(10, 0);
  info.R = TRect(0, 0, 40, 40);
  Canvas first, second;
  info.DrawDC = first.dc;
  GetBGInfo(&info, static_cast<TControl*>(probe), true);
  EXPECT_EQ(info.R, TRect(0, 0, 40, 40));
  EXPECT_EQ(info.Offset, TPoint(10, 0));
  info.DrawDC = second.dc;  // the next frame, through the same record
  GetBGInfo(&info, static_cast<TControl*>(probe), true);
  for (const TPoint p : {TPoint(12, 12), TPoint(5, 5), TPoint(45, 5), TPoint(35, 35)})
    EXPECT_EQ(second.At(p.X, p.Y), first.At(p.X, p.Y)) << p.X << "," << p.Y;
  EXPECT_EQ(second.At(12, 12), kBlue);
}

TEST_F(Background, UnansweredControlFillsWithItsColour) {
  auto* probe = new TProbe(form, "p");
  probe->SetColor(clLime);
  TkvBGInfo info;
  EXPECT_TRUE(GetBGInfo(&info, static_cast<TControl*>(probe), false));
  EXPECT_EQ(info.BgType, btFill);
  EXPECT_EQ(info.Color, 0x00FF00u);
  EXPECT_EQ(info.Bmp, nullptr);
  probe->colorAnswer = 0x445566;
  GetBGInfo(&info, static_cast<TControl*>(probe), false);
  EXPECT_EQ(info.Color, 0x445566u);  // its own answer wins
}

TEST_F(Background, ControlColours) {
  EXPECT_EQ(GetControlColor(static_cast<TControl*>(nullptr)), 0xFF00FFu);
  EXPECT_EQ(GetControlColor(HWND(nullptr)), 0xFF00FFu);
  auto* probe = new TProbe(form, "p");
  probe->SetColor(clBtnFace);
  probe->colorAnswer = 0x102030;
  EXPECT_EQ(GetControlColor(static_cast<TControl*>(probe)), ColorToRGB(clBtnFace));  // not skinned: its Color
  probe->handled = 1;
  EXPECT_EQ(GetControlColor(static_cast<TControl*>(probe)), 0x102030u);  // skinned: its answer
  EXPECT_EQ(GetControlColor(probe->Handle()), 0x102030u);
  probe->colorAnswer = 0;
  EXPECT_EQ(GetControlColor(probe->Handle()), 0u);  // answering 0 gives black
}

TEST_F(Background, ControlGeometryAndReadiness) {
  auto* panel = new TProbe(form, "panel");
  auto* g = new TGraphicProbe(panel, "g");
  panel->HandleNeeded();
  const TPoint origin = panel->ClientOrigin();
  EXPECT_EQ(GetCtrlScreenBounds(g), TRect(origin.X + 5, origin.Y + 6, origin.X + 35, origin.Y + 26));
  RECT wr;
  GetWindowRect(panel->Handle(), &wr);
  EXPECT_EQ(GetCtrlScreenBounds(panel), TRect(wr.left, wr.top, wr.right, wr.bottom));
  SetCursorPos(origin.X + 9, origin.Y + 16);
  EXPECT_EQ(kvMousePos(g), TPoint(4, 10));
  EXPECT_EQ(kvMousePos(nullptr), TPoint(origin.X + 9, origin.Y + 16));

  EXPECT_TRUE(ControlIsReady(panel));
  EXPECT_TRUE(ControlIsReady(g));
  EXPECT_FALSE(ControlIsReady(form));  // no parent
  EXPECT_FALSE(ControlIsReady(nullptr));
  auto* noWindow = new TProbe(form, "nw");
  EXPECT_FALSE(ControlIsReady(noWindow));
  noWindow->HandleNeeded();
  EXPECT_TRUE(ControlIsReady(noWindow));
  noWindow->SetLoading(true);
  EXPECT_FALSE(ControlIsReady(noWindow));
  noWindow->SetLoading(false);
  noWindow->SetControlState(noWindow->ControlState() + TControlState{csCreating});
  EXPECT_FALSE(ControlIsReady(noWindow));

  EXPECT_EQ(GetOwnerForm(g), form);
  EXPECT_EQ(GetOwnerForm(form), form);
  EXPECT_EQ(GetOwnerForm(app.get()), nullptr);
  EXPECT_EQ(kvWorkRect(form), form->Monitor()->WorkareaRect());
}

TEST_F(Background, ParentUpdatedReachesShowingAndWindowlessChildren) {
  form->Show();
  auto* shown = new TProbe(form, "shown");
  new TGraphicProbe(form, "graphic");
  auto* hidden = new TProbe(form, "hidden");
  hidden->SetVisible(false);
  auto* dying = new TProbe(form, "dying");
  shown->HandleNeeded();
  dying->HandleNeeded();
  dying->Destroying();
  SetParentUpdated(form);
  EXPECT_EQ(commands, (std::vector<std::string>{"graphic:6", "shown:6"}));
  commands.clear();
  InAnimationProcess = true;
  SetParentUpdated(form);
  InAnimationProcess = false;
  EXPECT_TRUE(commands.empty());     // postponed while a show animation runs
  SetParentUpdated(form->Handle());  // the window overload does not look at the animation
  EXPECT_FALSE(commands.empty());
}

TEST_F(Background, ALoadedControlIsAnnouncedToItsForm) {
  struct TFormProbe : TForm {
    using TForm::TForm;
    std::vector<intptr_t> loaded;
    void WndProc(TMessage& m) override {
      if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_CONTROLLOADED) loaded.push_back(m.LParam);
      TForm::WndProc(m);
    }
  };
  auto* f = new TFormProbe(app.get());
  f->AfterConstruction();
  f->HandleNeeded();
  auto* c = new TProbe(f, "c");
  AddToAdapter(c);
  c->SetLoading(true);
  AddToAdapter(c);  // while loading: nothing
  AddToAdapter(nullptr);
  EXPECT_EQ(f->loaded, (std::vector<intptr_t>{reinterpret_cast<intptr_t>(c)}));
}
