// The skin editor's link on a skinned form: records of the right size, too short, too long,
// and sent to a form that is not in preview mode; the greeting and the editor's commands.
#include "forms/sSkinProviderPreview.h"

#include <cstring>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "support/FormSkin.h"
#include "ui/Menus.h"

using namespace formskin;

namespace {

// A stand-in for the editor: a top-level window with the editor's caption that counts the
// greetings it gets and answers them with a set value.
struct EditorWindow {
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == KPE_MSG && w == KPE_HELLO) {
      auto* self = reinterpret_cast<EditorWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
      ++self->greetings;
      self->greeter = reinterpret_cast<HWND>(l);
      if (self->watched) {
        self->menuReadyAtGreeting = self->watched->MenusInitialized;
        self->visibleAtGreeting = IsWindowVisible(self->greeter) != FALSE;
      }
      return self->answer;
    }
    return DefWindowProcW(h, msg, w, l);
  }
  explicit EditorWindow(LRESULT answerWith) : answer(answerWith) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TestSkinEditor";
    RegisterClassW(&wc);
    wnd = CreateWindowExW(0, L"TestSkinEditor", reinterpret_cast<LPCWSTR>(kvEditorCaption), WS_POPUP, 0, 0, 10, 10,
                          nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~EditorWindow() { DestroyWindow(wnd); }
  HWND wnd = nullptr;
  LRESULT answer;
  int greetings = 0;
  HWND greeter = nullptr;
  // The provider whose state the editor notes when it is greeted.
  TsSkinProvider* watched = nullptr;
  bool menuReadyAtGreeting = false;
  bool visibleAtGreeting = false;
};

class PreviewLink : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    Skin();
    record = std::make_unique<TkvSkinEditorData>();
    std::memset(record.get(), 'A', sizeof *record);  // no terminator in any field
    record->Magic = int32_t(KPE_MSG);
  }
  void TearDown() override {
    kvPreviewHandle = nullptr;
    kvPreviewNeeded = false;
    SkinnedForm::TearDown();
  }
  LRESULT Send(size_t size, WPARAM w = 2) {
    block.assign(reinterpret_cast<const unsigned char*>(record.get()),
                 reinterpret_cast<const unsigned char*>(record.get()) + sizeof *record);
    block.resize(size, 'B');
    COPYDATASTRUCT cds{0, DWORD(size), block.data()};
    return SendMessageW(form->Handle(), WM_COPYDATA, w, reinterpret_cast<LPARAM>(&cds));
  }
  // Takes the command posted to the application window; true when there was one.
  bool TakePostedCopyCommand() {
    MSG msg{};
    const bool posted = PeekMessageW(&msg, Application->Handle(), SM_ALPHACMD, SM_ALPHACMD, PM_REMOVE);
    return posted && HIWORD(msg.wParam) == KV_COPYDATA;
  }
  // Marks the manager's buffer, so that a test can see whether a record reached it.
  void MarkBuffer() {
    DuRiruZireziv* m = DefaultManager;
    if (!m->PreviewBuffer) m->PreviewBuffer = std::make_unique<TkvSkinEditorData>();
    std::memset(m->PreviewBuffer.get(), 0, sizeof(TkvSkinEditorData));
    m->PreviewBuffer->Magic = 5;
  }
  std::unique_ptr<TkvSkinEditorData> record;
  std::vector<unsigned char> block;
};

}  // namespace

TEST_F(PreviewLink, RecordOfTheRightSizeIsTakenWithItsTextFieldsTerminated) {
  ASSERT_EQ(DefaultManager, &skin->skin.Manager);
  kvPreviewHandle = form->Handle();
  MarkBuffer();
  EXPECT_EQ(Send(sizeof(TkvSkinEditorData)), 1);
  const TkvSkinEditorData& got = *DefaultManager->PreviewBuffer;
  EXPECT_EQ(got.Magic, int32_t(KPE_MSG));
  EXPECT_EQ(got.Name1[0], 'A');
  EXPECT_EQ(got.Name1[127], 0);
  EXPECT_EQ(got.Name2[127], 0);
  EXPECT_EQ(got.Data1[511], 0);
  EXPECT_EQ(got.Data2[40000], 0);
  EXPECT_TRUE(TakePostedCopyCommand());
}

TEST_F(PreviewLink, RecordsOfAnotherSizeOrFromTheWrongModeAreIgnored) {
  struct Case {
    const char* name;
    bool previewForm;
    size_t size;
    WPARAM w;
  };
  const size_t n = sizeof(TkvSkinEditorData);
  const Case cases[] = {
      {"too short", true, n - 1, 2},        {"far too short", true, 16, 2}, {"too long", true, n + 1, 2},
      {"not in preview mode", false, n, 2}, {"wrong WParam", true, n, 3},
  };
  for (const Case& c : cases) {
    kvPreviewHandle = c.previewForm ? form->Handle() : nullptr;
    MarkBuffer();
    EXPECT_EQ(Send(c.size, c.w), 0) << c.name;
    EXPECT_EQ(DefaultManager->PreviewBuffer->Magic, 5) << c.name;
    EXPECT_FALSE(TakePostedCopyCommand()) << c.name;
  }
  // Another form greeted the editor: this one takes nothing either.
  kvPreviewHandle = Application->Handle();
  MarkBuffer();
  EXPECT_EQ(Send(n), 0);
  EXPECT_EQ(DefaultManager->PreviewBuffer->Magic, 5);
}

TEST_F(PreviewLink, WrongMagicIsIgnored) {
  kvPreviewHandle = form->Handle();
  MarkBuffer();
  record->Magic = 0xA401;
  EXPECT_EQ(Send(sizeof(TkvSkinEditorData)), 0);
  EXPECT_EQ(DefaultManager->PreviewBuffer->Magic, 5);
}

TEST_F(PreviewLink, EditorThatNeverSaysYesIsGreetedExactly101Times) {
  EditorWindow editor(0);
  kvPreviewNeeded = true;
  ShowForm();
  EXPECT_EQ(editor.greetings, 101);
  EXPECT_EQ(editor.greeter, form->Handle());
  EXPECT_EQ(kvPreviewHandle, form->Handle());
  EXPECT_FALSE(kvPreviewNeeded);

  // A second form shown later does not greet again.
  auto* second = new TForm(app.get());
  second->AfterConstruction();
  auto* sp2 = new TsSkinProvider(second);
  sp2->AfterConstruction();
  kvPreviewNeeded = false;  // its provider read the command line again: not a preview start
  second->Show();
  Application->ProcessMessages();
  EXPECT_EQ(editor.greetings, 101);
  EXPECT_EQ(kvPreviewHandle, form->Handle());
  delete second;
}

TEST_F(PreviewLink, GreetingStopsAtTheEditorsYesAndNeedsPreviewMode) {
  EditorWindow editor(1);
  ShowForm();  // not started for preview
  EXPECT_EQ(editor.greetings, 0);
  EXPECT_EQ(kvPreviewHandle, nullptr);
  form->Hide();
  kvPreviewNeeded = true;
  ShowForm();
  EXPECT_EQ(editor.greetings, 1);
}

TEST_F(PreviewLink, EditorCommands) {
  EXPECT_EQ(SendMessageW(form->Handle(), KPE_MSG, KPE_ALIVE, 0), 1);
  EXPECT_EQ(SendMessageW(form->Handle(), KPE_MSG, 3, 0), 0);
  ShowForm();
  SendMessageW(form->Handle(), KPE_MSG, KPE_CLOSE, 0);
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

// The editor is greeted first when the form comes up: before the menu line is prepared and
// before the window shows.
TEST_F(PreviewLink, TheEditorIsGreetedBeforeTheMenuLineIsPreparedAndTheFormShows) {
  auto* menu = new TMainMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption(u"&File");
  menu->Items()->Add(item);
  form->SetMenu(menu);
  EditorWindow editor(1);
  editor.watched = sp;
  kvPreviewNeeded = true;
  ASSERT_FALSE(sp->MenusInitialized);
  ShowForm();
  ASSERT_EQ(editor.greetings, 1);
  EXPECT_FALSE(editor.menuReadyAtGreeting);
  EXPECT_FALSE(editor.visibleAtGreeting);
  EXPECT_TRUE(sp->MenusInitialized) << "prepared after the greeting";
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}
