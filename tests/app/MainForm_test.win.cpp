// The main window and the notice window made from their stored descriptions, driven through
// their buttons against the tests' HTTP server and converter: the exact requests, the
// messages, the files that land, and what is left when things fail.
#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <map>

#include "app/DownloadLogic.h"
#include "app/GzForm.h"
#include "app/Startup.h"
#include "base/kvntUtils.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sGlyphUtils.h"
#include "controls/sLabel.h"
#include "engine/EngineStartup.h"
#include "skin/sSkinManager.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/ImportHook.h"
#include "support/TempDir.h"
#include "support/TestServer.h"
#include "support/WindowDriver.h"
#include "ui/Icon.h"
#include "ui/Jpeg.h"
#include "ui/Json.h"

namespace {

std::vector<Byte> Bytes(const String& path) { return ReadFileBytes(path); }

using Headers = std::vector<std::pair<std::string, std::string>>;

class MainFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    StartEngine();
    RegisterTarnwickClasses();
    server_ = new TestServer();
    videoDir_ = new TempDir();
    const String video = videoDir_->Path() + u"/fixture.mp4";
    ASSERT_TRUE(MakeTestVideo(video, 3));
    video_ = new std::vector<Byte>(Bytes(video));
    const String silent = videoDir_->Path() + u"/silent.mp4";
    ASSERT_TRUE(MakeTestVideo(silent, 1, false));
    SaveBytes(server_->FilesDir() + u"/v.mp4", *video_);
    SaveBytes(server_->FilesDir() + u"/silent.mp4", Bytes(silent));
    std::vector<Byte> big(4 * 1024 * 1024);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<Byte>(i * 2654435761u >> 24);
    SaveBytes(server_->FilesDir() + u"/big.bin", big);
    SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", WideStr(server_->BaseUrl() + u"/"));
  }
  static void TearDownTestSuite() {
    SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", nullptr);
    delete video_;
    delete videoDir_;
    delete server_;
  }

  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    server_->ClearRequests();
    server_->ClearParseAnswer();
    save = Backslashed(saveRoot.Path()) + u"\\存 a b & c ^ %PATH% (x)";
    ASSERT_TRUE(CreateDirectoryW(WideStr(save), nullptr));
    app = std::make_unique<TApplication>();
    app->CreateForm(Form1);
    app->CreateForm(Form3);
    Form1->Show();
    Form1->edtLj->SetText(save);
  }

  void TearDown() override {
    app.reset();
    Form1 = nullptr;
    Form3 = nullptr;
  }

  // A click as the user makes it; returns when the handler has returned (the answerer
  // closes whatever boxes it shows meanwhile).
  void Click(TsButton* b) { SendMessageW(b->Handle(), BM_CLICK, 0, 0); }

  void Parse(const String& link, const String& answer, int status = 200) {
    server_->SetParseAnswer(status, answer);
    Form1->edtJx->SetText(link);
    Click(Form1->btnJx);
  }

  // Waits for the running download to end (its completion has run on this thread).
  bool WaitForDownload(int ms = 60000) {
    return PumpUntil([] { return !Form1->Downloading(); }, ms);
  }

  void ParseVideo(const String& title, const String& query = String(), const String& name = u"v.mp4") {
    Parse(u"https://v.douyin.com/abc/", ParseAnswer(title, server_->FileUrl(name, query)));
    ASSERT_EQ(Form1->ParsedDownLoadUrl(), server_->FileUrl(name, query));
    answerer.Clear();
    server_->ClearRequests();
  }

  String SaveName() const { return save.substr(save.find_last_of(u'\\') + 1); }

  static TestServer* server_;
  static TempDir* videoDir_;
  static std::vector<Byte>* video_;
  TempDir saveRoot;
  String save;
  DialogAnswerer answerer{GetCurrentProcessId(), {u"TForm3"}};
  std::unique_ptr<TApplication> app;
};

TestServer* MainFormTest::server_ = nullptr;
TempDir* MainFormTest::videoDir_ = nullptr;
std::vector<Byte>* MainFormTest::video_ = nullptr;

}  // namespace

// ---- the windows as their descriptions make them ---------------------------------------------

TEST_F(MainFormTest, MainWindowHasEveryComponentOfItsDescription) {
  TForm1* f = Form1;
  EXPECT_EQ(f->Caption(), u"Tarnwick by Quennel");
  EXPECT_EQ(f->ClientWidth(), 673);
  EXPECT_EQ(f->ClientHeight(), 428);
  EXPECT_EQ(f->Color(), clBtnFace);
  EXPECT_EQ(f->Font()->Name(), u"Segoe UI");
  EXPECT_EQ(f->Font()->Height(), -15);
  EXPECT_EQ(f->TextHeight(), 20);
  EXPECT_TRUE(f->OnCreate() == TNotifyEvent(f, &TForm1::FormCreate));
  EXPECT_TRUE(f->OnDestroy() == TNotifyEvent(f, &TForm1::FormDestroy));
  EXPECT_EQ(app->MainForm(), f);

  struct Ctl {
    TControl* c;
    const char16_t* cls;
    TRect bounds;
    const char16_t* text;
    const char16_t* font;
    Integer height;
  } ctls[] = {
      {f->lbl1, u"TsLabel", {128, 219, 188, 239}, u"下载进度", u"微软雅黑", -15},
      {f->edtJx, u"TsEdit", {128, 79, 405, 111}, u"请复制视频地址", u"Segoe UI", -15},
      {f->edtLj, u"TsEdit", {128, 128, 405, 160}, nullptr, u"Segoe UI", -15},
      {f->btnJx, u"TsButton", {435, 78, 534, 110}, u"解析", u"微软雅黑", -13},
      {f->btnLj, u"TsButton", {435, 129, 534, 160}, u"保存路径", u"微软雅黑", -13},
      {f->sprgrsbr1, u"TsProgressBar", {128, 251, 534, 272}, u"", u"Segoe UI", -15},
      {f->btnDown, u"TsButton", {164, 296, 273, 329}, u"下载视频", u"微软雅黑", -13},
      {f->btnDownM, u"TsButton", {388, 296, 497, 329}, u"下载音频", u"微软雅黑", -13},
  };
  for (const auto& c : ctls) {
    ASSERT_NE(c.c, nullptr) << StringToUtf8(c.cls);
    EXPECT_EQ(c.c->ClassName(), c.cls);
    EXPECT_EQ(c.c->Parent(), f);
    if (c.c != f->lbl1) {
      EXPECT_EQ(c.c->BoundsRect(), c.bounds) << StringToUtf8(c.cls);  // the label sizes itself
    }
    EXPECT_EQ(c.c->Left(), c.bounds.Left);
    EXPECT_EQ(c.c->Top(), c.bounds.Top);
    if (c.text) { EXPECT_EQ(c.c->Text(), c.text); }
    EXPECT_EQ(c.c->Font()->Name(), c.font) << StringToUtf8(c.cls);
    EXPECT_EQ(c.c->Font()->Height(), c.height) << StringToUtf8(c.cls);
  }
  EXPECT_EQ(f->lbl1->Font()->Charset(), ANSI_CHARSET);
  EXPECT_EQ(f->lbl1->Font()->Color(), clWindowText);
  EXPECT_EQ(f->btnJx->Font()->Charset(), ANSI_CHARSET);
  EXPECT_EQ(f->edtJx->Font()->Color(), clMedGray);
  EXPECT_EQ(f->edtLj->Font()->Color(), clMedGray);
  TWinControl* order[] = {f->edtJx, f->edtLj, f->btnJx, f->btnLj, f->sprgrsbr1, f->btnDown, f->btnDownM};
  for (Integer i = 0; i < 7; ++i) EXPECT_EQ(order[i]->TabOrder(), i);
  for (TsEdit* e : {f->edtJx, f->edtLj}) {
    EXPECT_FALSE(e->AutoSize());
    EXPECT_TRUE(e->SkinData()->FCustomFont);
    EXPECT_EQ(e->Padding()->FLeft, 6);
    EXPECT_EQ(e->Padding()->FTop, 3);
    // The padding lies in the non-client area: the client area starts that far inside.
    EXPECT_EQ(e->AddedPadding(), TRect(MulDiv(6, e->CurrentPPI(), 96), MulDiv(3, e->CurrentPPI(), 96), 0, 0));
    RECT window{}, client{};
    GetWindowRect(e->Handle(), &window);
    GetClientRect(e->Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(e->Handle(), &origin);
    RECT bare{0, 0, 100, 30};
    AdjustWindowRectEx(&bare, 0, FALSE, GetWindowLongW(e->Handle(), GWL_EXSTYLE));
    EXPECT_EQ(origin.x - window.left, -bare.left + MulDiv(6, e->CurrentPPI(), 96));
    EXPECT_EQ(origin.y - window.top, -bare.top + MulDiv(3, e->CurrentPPI(), 96));
  }
  EXPECT_TRUE(f->edtJx->OnMouseDown() == TMouseEvent(f, &TForm1::edtJxMouseDown));
  EXPECT_TRUE(f->btnJx->OnClick() == TNotifyEvent(f, &TForm1::btnJxClick));
  EXPECT_TRUE(f->btnLj->OnClick() == TNotifyEvent(f, &TForm1::btnLjClick));
  EXPECT_TRUE(f->btnDown->OnClick() == TNotifyEvent(f, &TForm1::btnDownClick));
  EXPECT_TRUE(f->btnDownM->OnClick() == TNotifyEvent(f, &TForm1::btnDownMClick));

  // The skin manager: the last component, the default manager, pointed at the data folder
  // by FormCreate; no skin there, so it stays inactive.
  DuRiruZireziv* m = f->sknmngr1;
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(f->Components(f->ComponentCount() - 1), m);
  EXPECT_EQ(DefaultManager, m);
  const String exeFolder = ExeFolder();
  EXPECT_EQ(m->SkinDirectory(), exeFolder + u"\\data");
  EXPECT_EQ(m->SkinName(), u"Glimmerveil");
  EXPECT_FALSE(m->IsActive());
  EXPECT_EQ(m->GetSkinInfo(), u"N/A");
  EXPECT_TRUE(kv_OldGlyphsMode);
  EXPECT_EQ(m->InternalSkins()->Count(), 0);
  EXPECT_EQ(m->MenuSupport()->Font()->Name(), u"Segoe UI");
  EXPECT_EQ(m->MenuSupport()->Font()->Height(), -11);
  EXPECT_EQ(m->ThirdParty.GetString(tpButton), u"TButton");
  EXPECT_EQ(m->ThirdParty.GetString(tpEdit), u" ");
  EXPECT_EQ(m->ThirdParty.GetString(tpNativePaint), u" ");
  // The save folder started as the program's folder, without a trailing backslash (SetUp
  // has replaced it since): a new window shows it.
  TForm1* second = nullptr;
  app->CreateForm(second);
  EXPECT_EQ(second->edtLj->Text(), exeFolder);
  EXPECT_NE(exeFolder.back(), u'\\');
  second->Free();
}

namespace {
int shellFileInfoCalls = 0;
TkvSHGetFileInfo shellFileInfo = nullptr;
uintptr_t __stdcall CountedShellFileInfo(const wchar_t* path, Cardinal attrs, void* info, Cardinal size,
                                         Cardinal flags) {
  ++shellFileInfoCalls;
  return shellFileInfo(path, attrs, info, size, flags);
}
}  // namespace

// The windows, shown and painted in the skin, need neither the character glyph list nor
// anything of the shell's file information (its icon list, the program file's icons): the
// start-up leaves those for their first use, which the windows never make.
TEST_F(MainFormTest, TheWindowsPaintWithoutTheGlyphListOrTheShellsIcons) {
  // The skin as the build installs it beside the program (build\bin\data).
  const String build = ExeFolder();  // build\tests\app
  const String bin = build.substr(0, build.find_last_of(u'\\', build.find_last_of(u'\\') - 1)) + u"\\bin";
  Form1->sknmngr1->SetSkinDirectory(bin + u"\\data");
  Form1->sknmngr1->SetActive(false);  // on, but no skin was found in the tests' data folder
  Form1->sknmngr1->SetActive(true);
  ASSERT_TRUE(Form1->sknmngr1->IsActive());
  sGlyphUtilsCleanup();  // whatever an earlier test made
  ASSERT_NE(kvSHGetFileInfo, nullptr);
  shellFileInfo = kvSHGetFileInfo;
  shellFileInfoCalls = 0;
  kvSHGetFileInfo = CountedShellFileInfo;
  const UINT all = RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;
  RedrawWindow(Form1->Handle(), nullptr, nullptr, all);
  Form3->Show();
  RedrawWindow(Form3->Handle(), nullptr, nullptr, all);
  PumpUntil([] { return false; }, 100);
  Form3->Hide();
  EXPECT_EQ(kvCharImages, nullptr);
  EXPECT_EQ(shellFileInfoCalls, 0);
  // The counter counts what the engine asks of the shell.
  delete GetIconForFile(Application->ExeName(), 0);
  kvSHGetFileInfo = shellFileInfo;
  EXPECT_EQ(shellFileInfoCalls, 1);
}

TEST_F(MainFormTest, NoticeWindowShowsItsPicture) {
  TForm3* f = Form3;
  EXPECT_EQ(f->Caption(), u"Tarnwick");
  EXPECT_EQ(f->ClientWidth(), 504);
  EXPECT_EQ(f->ClientHeight(), 459);
  EXPECT_EQ(f->Font()->Height(), -12);
  EXPECT_EQ(f->TextHeight(), 15);
  EXPECT_FALSE(f->Visible());
  struct Lbl {
    TLabel* l;
    TPoint at;
    const char16_t* text;
    Integer height;
  } labels[] = {{f->lbl1, {184, 18}, u"由于后台接口变更", -16},
                {f->lbl2, {200, 45}, u"请关注公众号", -16},
                {f->lbl3, {223, 71}, u"“XJ“  ", -17},
                {f->lbl4, {137, 72}, u"后台回复：", -16},
                {f->lbl5, {272, 72}, u"获取最新版本！", -16}};
  for (const auto& l : labels) {
    ASSERT_NE(l.l, nullptr);
    EXPECT_EQ(TPoint(l.l->Left(), l.l->Top()), l.at);
    EXPECT_EQ(l.l->Caption(), l.text);
    EXPECT_EQ(l.l->Font()->Name(), u"Segoe UI");
    EXPECT_EQ(l.l->Font()->Height(), l.height);
  }
  EXPECT_EQ(f->lbl3->Font()->Color(), clRed);
  EXPECT_TRUE(f->lbl3->Font()->Style().Contains(fsBold));
  ASSERT_NE(f->img1, nullptr);
  EXPECT_EQ(f->img1->BoundsRect(), TRect(104, 115, 409, 425));
  EXPECT_TRUE(f->img1->Stretch());
  auto* jpeg = dynamic_cast<const TJPEGImage*>(f->img1->Picture()->Graphic());
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->Width(), 305);
  EXPECT_EQ(jpeg->Height(), 310);
}

// ---- the link edit and the folder button -----------------------------------------------------

TEST_F(MainFormTest, ClickingThePlaceholderClearsItOnce) {
  TsEdit* e = Form1->edtJx;
  e->SetFocus();  // focus alone changes nothing
  EXPECT_EQ(e->Text(), u"请复制视频地址");
  EXPECT_EQ(e->Font()->Color(), clMedGray);
  auto click = [e] {
    SendMessageW(e->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(e->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  };
  click();
  EXPECT_EQ(e->Text(), u"");
  EXPECT_EQ(e->Font()->Color(), clBlack);
  e->SetText(u"https://v.douyin.com/x/");
  click();
  EXPECT_EQ(e->Text(), u"https://v.douyin.com/x/");
  e->SetText(u"请复制视频地址");  // a link equal to the placeholder is cleared like it
  click();
  EXPECT_EQ(e->Text(), u"");
}

TEST_F(MainFormTest, FolderButtonTakesTheChosenFolderInBlack) {
  answerer.SetDecision([](const SeenDialog&) { return IDCANCEL; });
  Click(Form1->btnLj);
  auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].FolderBrowser);
  EXPECT_NE(seen[0].Text.find(u"请选择文件保存路径"), String::npos) << StringToUtf8(seen[0].Text);
  EXPECT_EQ(Form1->edtLj->Text(), save);  // cancelled: nothing changes
  EXPECT_EQ(Form1->edtLj->Font()->Color(), clMedGray);

  answerer.Clear();
  answerer.SetDecision([](const SeenDialog&) { return IDOK; });  // the folder selected at first
  Click(Form1->btnLj);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_NE(Form1->edtLj->Text(), save);
  EXPECT_EQ(Form1->edtLj->Text().substr(1, 2), u":\\");
  EXPECT_EQ(Form1->edtLj->Font()->Color(), clBlack);
}

// ---- the parse request ---------------------------------------------------------------------------

TEST_F(MainFormTest, MissingLinkAsksForOneAndSendsNothing) {
  for (const char16_t* link : {u"", u"请复制视频地址"}) {
    answerer.Clear();
    Parse(link, ParseAnswer(u"t", u"u"));
    EXPECT_EQ(answerer.Texts(), std::vector<String>{u"请输入视频地址！"});
  }
  EXPECT_TRUE(server_->Requests().empty());
}

TEST_F(MainFormTest, ParseSendsTheExactRequestAndTakesTheAnswer) {
  const String link = u"7.69 复制打开抖音 https://v.douyin.com/iR2abc/ “看”";
  Parse(link, ParseAnswer(u"x#1。|||y", u"https://cdn.example.com/v/a.mp4?x=1&y=2"));
  EXPECT_EQ(answerer.Texts(), std::vector<String>{u"解析成功，可以下载了！"});
  EXPECT_EQ(Form1->ParsedFileName(), u"x_1");
  EXPECT_EQ(Form1->ParsedDownLoadUrl(), u"https://cdn.example.com/v/a.mp4?x=1&y=2");
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  const std::string body = StringToUtf8(u"{\"PageUrl\":\"" + link + u"\"}");
  EXPECT_EQ(reqs[0].method, "POST");
  EXPECT_EQ(reqs[0].path, "/v1/parse/index");
  EXPECT_EQ(reqs[0].body, body);
  EXPECT_EQ(reqs[0].headers, (Headers{{"User-Agent", kBrowserAgent},
                                      {"Host", "127.0.0.1:" + std::to_string(server_->Port())},
                                      {"Content-Length", std::to_string(body.size())},
                                      {"Connection", "Keep-Alive"},
                                      {"Content-Type", "application/json; charset=utf-8"},
                                      {"Cookie", "tokens=a3f09c1e7d2b4658b0e9f4c2d17a6e85; "}}));
}

TEST_F(MainFormTest, ParseEscapesTheLinkInTheBody) {
  Parse(u"a\"b\\c\nd", ParseAnswer(u"t", u"u"));
  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].body, "{\"PageUrl\":\"a\\\"b\\\\c\\nd\"}");
}

TEST_F(MainFormTest, ParseAnswersOfEveryKind) {
  struct Case {
    int status;
    String answer;
    std::vector<String> messages;
    const char16_t* fileName;
    const char16_t* url;
  } cases[] = {
      // a title with a slash, a quote and a line break keeps what its JSON text makes of them
      {200,
       ParseAnswer(u"a/b \"q\"\nz", u"http://h/v.mp4"),
       {u"解析成功，可以下载了！"},
       u"a\\/b \\q\\\\nz",
       u"http://h/v.mp4"},
      // an empty address: no message at all
      {200, ParseAnswer(u"t2", u""), {}, u"t2", u""},
      {200, ParseAnswer(u"t3", u"http://h/3.mp4"), {u"解析成功，可以下载了！"}, u"t3", u"http://h/3.mp4"},
      // not 200: the address goes, the title stays
      {503, u"busy", {u"解析失败！"}, u"t3", u""},
      {200, ParseAnswer(u"t4", u"http://h/4.mp4"), {u"解析成功，可以下载了！"}, u"t4", u"http://h/4.mp4"},
      // unusable answers go to the default error handler and change nothing
      {200, u"<html>oops</html>", {u"Unexpected character at position 0."}, u"t4", u"http://h/4.mp4"},
      {200, u"{\"Data\":{\"Title\":\"t5\"}}", {u"The answer has no member \"VideoUrls\""}, u"t4", u"http://h/4.mp4"},
      {200, u"[1]", {u"The answer is not a JSON object."}, u"t4", u"http://h/4.mp4"},
  };
  for (const auto& c : cases) {
    answerer.Clear();
    Parse(u"https://v.douyin.com/x/", c.answer, c.status);
    EXPECT_EQ(answerer.Texts(), c.messages) << StringToUtf8(c.answer);
    EXPECT_EQ(Form1->ParsedFileName(), c.fileName) << StringToUtf8(c.answer);
    EXPECT_EQ(Form1->ParsedDownLoadUrl(), c.url) << StringToUtf8(c.answer);
  }
}

TEST_F(MainFormTest, LoginAnswerShowsTheNoticeAndKeepsTheLastResult) {
  Parse(u"https://v.douyin.com/x/", ParseAnswer(u"first", u"http://h/1.mp4"));
  answerer.Clear();
  Parse(u"https://v.douyin.com/y/", u"{\"msg\":\"请先登录\"}");
  auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Class, u"TForm3");
  EXPECT_EQ(seen[0].Title, u"Tarnwick");
  EXPECT_FALSE(Form3->Visible());  // closing it hides it; it stays for the next time
  EXPECT_EQ(Form1->ParsedFileName(), u"first");
  EXPECT_EQ(Form1->ParsedDownLoadUrl(), u"http://h/1.mp4");
}

TEST_F(MainFormTest, DownloadBeforeAnyParseAsksForOne) {
  Click(Form1->btnDown);
  Click(Form1->btnDownM);
  EXPECT_EQ(answerer.Texts(), (std::vector<String>{u"请先解析视频！", u"请先解析视频！"}));
  EXPECT_TRUE(server_->Requests().empty());
  EXPECT_TRUE(FilesIn(save).empty());
}

// ---- downloads ----------------------------------------------------------------------------------

namespace {

String NowName(int plusSeconds = 0) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return IntToStr(UnixTimeOf(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond) + plusSeconds);
}

bool IsTimeName(const String& name, const String& ext) {
  if (!name.ends_with(ext) || name.size() <= ext.size()) return false;
  for (size_t i = 0; i < name.size() - ext.size(); ++i)
    if (name[i] < u'0' || name[i] > u'9') return false;
  return true;
}

}  // namespace

TEST_F(MainFormTest, VideoLandsUnderItsTitleAfterTheExactRequests) {
  ParseVideo(u"中文 标题");
  Click(Form1->btnDown);
  EXPECT_TRUE(Form1->Downloading());
  EXPECT_FALSE(Form1->btnDown->Enabled());  // one download at a time
  EXPECT_FALSE(Form1->btnDownM->Enabled());
  ASSERT_TRUE(WaitForDownload());
  EXPECT_TRUE(Form1->btnDown->Enabled());
  EXPECT_TRUE(Form1->btnDownM->Enabled());
  EXPECT_TRUE(answerer.Texts().empty());
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"中文 标题.mp4"});
  EXPECT_EQ(Bytes(save + u"\\中文 标题.mp4"), *video_);
  EXPECT_EQ(Form1->lbl1->Caption(), u"100%");
  EXPECT_EQ(Form1->sprgrsbr1->Max(), static_cast<Integer>(video_->size()));
  EXPECT_EQ(Form1->sprgrsbr1->Position(), Form1->sprgrsbr1->Max());
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000)) << "the save folder was not opened";

  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 2u);
  const Headers expected{{"User-Agent", kBrowserAgent},
                         {"Host", "127.0.0.1:" + std::to_string(server_->Port())},
                         {"Connection", "Keep-Alive"},
                         {"Origin", StringToUtf8(server_->BaseUrl())}};
  EXPECT_EQ(reqs[0].method, "HEAD");
  EXPECT_EQ(reqs[1].method, "GET");
  for (const auto& r : reqs) {
    EXPECT_EQ(r.path, "/files/v.mp4");
    EXPECT_EQ(r.headers, expected);
    EXPECT_EQ(r.body, "");
  }
}

TEST_F(MainFormTest, ATakenNameGetsTheNextNumberAndNothingIsOverwritten) {
  const std::vector<Byte> old{'o', 'l', 'd'};
  SaveBytes(save + u"\\t.mp4", old);
  ParseVideo(u"t");
  for (int i = 1; i <= 2; ++i) {
    Click(Form1->btnDown);
    ASSERT_TRUE(WaitForDownload());
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  }
  EXPECT_EQ(FilesIn(save), (std::vector<String>{u"t.mp4", u"t_1.mp4", u"t_2.mp4"}));
  EXPECT_EQ(Bytes(save + u"\\t.mp4"), old);
  EXPECT_EQ(Bytes(save + u"\\t_1.mp4"), *video_);
  EXPECT_EQ(Bytes(save + u"\\t_2.mp4"), *video_);
}

TEST_F(MainFormTest, TitlesBecomeSafeNamesInsideTheSaveFolder) {
  struct Case {
    const char16_t* title;
    const char16_t* file;  // nullptr: the time name
  } cases[] = {
      {u"a/b: c?", u"a__b_ c_.mp4"}, {u"..\\..\\evil", u"..__..__evil.mp4"}, {u"CON", u"CON_.mp4"},
      {u"dots. . .", u"dots.mp4"},   {u"|||nothing before", nullptr},
  };
  for (const auto& c : cases) {
    ParseVideo(c.title);
    Click(Form1->btnDown);
    ASSERT_TRUE(WaitForDownload());
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
    auto files = FilesIn(save);
    ASSERT_EQ(files.size(), 1u) << StringToUtf8(c.title);
    if (c.file) {
      EXPECT_EQ(files[0], c.file);
    } else {
      EXPECT_TRUE(IsTimeName(files[0], u".mp4")) << StringToUtf8(files[0]);
    }
    EXPECT_EQ(Bytes(save + u"\\" + files[0]), *video_);
    DeleteFileW(WideStr(save + u"\\" + files[0]));
  }
  EXPECT_TRUE(FilesIn(saveRoot.Path()).size() == 1u);  // nothing escaped the save folder
}

TEST_F(MainFormTest, FailedTransfersLeaveNothingAndSaySo) {
  const String bigSize = IntToStr(static_cast<Int64>(Bytes(server_->FilesDir() + u"/big.bin").size()));
  struct Case {
    String name, query;
    size_t requests;  // HEAD only, or HEAD and GET
  } cases[] = {
      {u"big.bin", u"head_status=404", 1},
      {u"missing.mp4", u"", 1},
      {u"big.bin", u"cut=100000", 2},               // the GET's own length was not reached
      {u"big.bin", u"get_len=none&cut=100000", 2},  // fewer bytes than the HEAD announced
      {u"big.bin", u"get_status=500", 2},
      {u"big.bin", u"head_len=" + bigSize + u"1", 2},  // announced ten times what comes
  };
  for (const auto& c : cases) {
    ParseVideo(u"t", c.query, c.name);
    for (TsButton* b : {Form1->btnDown, Form1->btnDownM}) {
      const std::string what = StringToUtf8(c.query) + (b == Form1->btnDown ? " video" : " audio");
      Form1->lbl1->SetCaption(u"下载进度");
      answerer.Clear();
      server_->ClearRequests();
      Click(b);
      ASSERT_TRUE(WaitForDownload());
      EXPECT_EQ(answerer.Texts(), std::vector<String>{u"下载失败，请稍后再试！"}) << what;
      EXPECT_EQ(server_->Requests().size(), c.requests) << what;
      EXPECT_TRUE(FilesIn(save).empty()) << what;
      EXPECT_EQ(Form1->lbl1->Caption(), u"下载进度") << what;
      EXPECT_EQ(Form1->sprgrsbr1->Position(), 0) << what;
      EXPECT_TRUE(Form1->btnDown->Enabled() && Form1->btnDownM->Enabled()) << what;
      EXPECT_FALSE(CloseExplorerWindow(SaveName(), 300)) << what << ": nothing landed, no folder opens";
      for (const String& f : FilesIn(save)) DeleteFileW(WideStr(save + u"\\" + f));
    }
  }
}

TEST_F(MainFormTest, AnAddressThatAnswersNothingFailsTheDownloadAsItSays) {
  // Nothing listens on port 1: the size query gets no answer at all.
  const String url = u"http://127.0.0.1:1/files/v.mp4";
  Parse(u"https://v.douyin.com/abc/", ParseAnswer(u"t", url));
  ASSERT_EQ(Form1->ParsedDownLoadUrl(), url);
  for (TsButton* b : {Form1->btnDown, Form1->btnDownM}) {
    answerer.Clear();
    Click(b);
    EXPECT_EQ(answerer.Texts(), std::vector<String>{u"下载失败，请稍后再试！"});
    EXPECT_FALSE(Form1->Downloading());
    EXPECT_TRUE(FilesIn(save).empty());
    EXPECT_TRUE(Form1->btnDown->Enabled() && Form1->btnDownM->Enabled());
  }
}

TEST_F(MainFormTest, UnknownLengthsShowTheReceivedSize) {
  const String shown = FormatByteCount(static_cast<Int64>(video_->size()));
  for (const char16_t* query : {u"head_len=none&get_len=none", u"head_len=0"}) {
    ParseVideo(u"n", query);
    Click(Form1->btnDown);
    EXPECT_EQ(Form1->sprgrsbr1->Max(), 100);  // a valid range without a usable length
    ASSERT_TRUE(WaitForDownload());
    EXPECT_TRUE(answerer.Texts().empty());
    EXPECT_EQ(Form1->lbl1->Caption(), shown) << StringToUtf8(query);
    EXPECT_EQ(Form1->sprgrsbr1->Position(), 100);
    EXPECT_EQ(Bytes(save + u"\\n.mp4"), *video_);
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
    DeleteFileW(WideStr(save + u"\\n.mp4"));
  }

  // A length beyond the bar's range: sizes while it runs; fewer bytes than announced fail.
  ParseVideo(u"h", u"head_len=3000000000&chunk=262144&delay_ms=40", u"big.bin");
  Click(Form1->btnDown);
  EXPECT_EQ(Form1->sprgrsbr1->Max(), 100);
  std::vector<String> captions;
  PumpUntil(
      [&] {
        if (captions.empty() || captions.back() != Form1->lbl1->Caption()) captions.push_back(Form1->lbl1->Caption());
        return !Form1->Downloading();
      },
      60000);
  ASSERT_GE(captions.size(), 3u);
  for (size_t i = 1; i + 1 < captions.size(); ++i) {
    EXPECT_TRUE(captions[i].ends_with(u" KB") || captions[i].ends_with(u" MB")) << StringToUtf8(captions[i]);
  }
  EXPECT_EQ(answerer.Texts(), std::vector<String>{u"下载失败，请稍后再试！"});
  EXPECT_TRUE(FilesIn(save).empty());
}

TEST_F(MainFormTest, ProgressReachesTheWindowAtMostAbout60TimesASecond) {
  ParseVideo(u"p", u"chunk=65536&delay_ms=15", u"big.bin");
  const ULONGLONG t0 = GetTickCount64();
  Click(Form1->btnDown);
  std::vector<String> captions;
  std::vector<Integer> positions;
  PumpUntil(
      [&] {
        if (captions.empty() || captions.back() != Form1->lbl1->Caption()) {
          captions.push_back(Form1->lbl1->Caption());
          positions.push_back(Form1->sprgrsbr1->Position());
        }
        return !Form1->Downloading();
      },
      60000);
  const double seconds = static_cast<double>(GetTickCount64() - t0) / 1000.0;
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  ASSERT_GE(captions.size(), 5u);
  EXPECT_LE(static_cast<double>(captions.size()), 61.0 * seconds + 3);
  EXPECT_EQ(captions.back(), u"100%");
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  for (size_t i = 1; i < captions.size(); ++i) EXPECT_TRUE(captions[i].ends_with(u"%")) << StringToUtf8(captions[i]);
}

TEST_F(MainFormTest, TheLabelCatchesUpWhenTheTransferGoesQuiet) {
  // Two pieces 5 ms apart: the second comes while the window may take no new step. Then the
  // server pauses for three seconds.
  ParseVideo(u"q", u"chunk=40000&delay_ms=5&stall_at=80000&stall_ms=3000", u"big.bin");
  const Int64 size = static_cast<Int64>(Bytes(server_->FilesDir() + u"/big.bin").size());
  Click(Form1->btnDown);
  auto written = [&] { return SizeOfOnlyFileIn(save); };
  ASSERT_TRUE(PumpUntil([&] { return written() >= 80000; }, 10000));
  ASSERT_EQ(written(), 80000) << "the program did not take what came before the pause";
  const ULONGLONG quietSince = GetTickCount64();
  PumpUntil([&] { return GetTickCount64() - quietSince > 1200; }, 5000);
  // Still quiet: what the window shows now is the catch-up's doing.
  ASSERT_EQ(written(), 80000) << "the pause ended before the check";
  EXPECT_EQ(Form1->lbl1->Caption(), ProgressLabel(80000, size));
  EXPECT_EQ(Form1->sprgrsbr1->Position(), 80000);
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(Form1->lbl1->Caption(), u"100%");
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
}

TEST_F(MainFormTest, OneDownloadAtATimeKeepsWhatItStartedWith) {
  ParseVideo(u"first", u"chunk=65536&delay_ms=20", u"big.bin");
  Click(Form1->btnDown);
  ASSERT_TRUE(Form1->Downloading());
  Click(Form1->btnDown);  // disabled: nothing happens
  Click(Form1->btnDownM);
  TempDir other;
  Form1->edtLj->SetText(Backslashed(other.Path()));
  Parse(u"https://v.douyin.com/other/", ParseAnswer(u"second", u"http://127.0.0.1:1/x.mp4"));
  EXPECT_EQ(Form1->ParsedFileName(), u"second");
  ASSERT_TRUE(WaitForDownload());
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"first.mp4"});
  EXPECT_EQ(Bytes(save + u"\\first.mp4"), Bytes(server_->FilesDir() + u"/big.bin"));
  EXPECT_TRUE(FilesIn(other.Path()).empty());
  size_t gets = 0;
  for (const auto& r : server_->Requests()) gets += r.method == "GET";
  EXPECT_EQ(gets, 1u);
}

TEST_F(MainFormTest, ClosingDuringATransferCancelsItAndLeavesNothing) {
  // While the blocks come fast (the worker reports all the time), while the server sends
  // slowly, and while it has stopped sending altogether.
  for (const char16_t* query : {u"chunk=4096&delay_ms=1", u"chunk=16384&delay_ms=100", u"chunk=16384&delay_ms=30000"}) {
    ParseVideo(u"c", query, u"big.bin");
    Click(Form1->btnDown);
    ASSERT_TRUE(PumpUntil([] { return Form1->lbl1->Caption() != u"下载进度"; }, 20000));
    EXPECT_EQ(FilesIn(save).size(), 1u);  // the temporary file
    const ULONGLONG t0 = GetTickCount64();
    app.reset();  // the main window goes: FormDestroy
    EXPECT_LT(GetTickCount64() - t0, 3000u) << StringToUtf8(query);
    EXPECT_TRUE(FilesIn(save).empty()) << StringToUtf8(query);
    PumpUntil([] { return false; }, 300);  // no late call reaches the freed window
    EXPECT_TRUE(answerer.Texts().empty());
    app = std::make_unique<TApplication>();
    app->CreateForm(Form1);
    app->CreateForm(Form3);
    Form1->Show();
    Form1->edtLj->SetText(save);
  }
}

TEST_F(MainFormTest, TemporaryNamesAreTakenExclusively) {
  const std::vector<Byte> keep{'k', 'e', 'e', 'p'};
  ParseVideo(u"x", u"chunk=65536&delay_ms=10", u"big.bin");
  // The click asks the server for the size before it names the file, which can take seconds
  // on a loaded machine: every second it may land in is taken, and the test checks it did.
  constexpr int kSpanSeconds = 30;
  std::vector<String> taken;
  for (int s = 0; s < kSpanSeconds; ++s) {
    taken.push_back(NowName(s) + u".mp4");
    SaveBytes(save + u"\\" + taken.back(), keep);
  }
  const String lastTaken = NowName(kSpanSeconds - 1);
  Click(Form1->btnDown);
  ASSERT_LE(NowName(), lastTaken) << "the click took longer than the taken names cover";
  bool sawNumbered = false;
  PumpUntil(
      [&] {
        for (const String& n : FilesIn(save)) sawNumbered |= n.find(u"_1.mp4") != String::npos;
        return !Form1->Downloading();
      },
      60000);
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_TRUE(sawNumbered);
  for (const String& n : taken) EXPECT_EQ(Bytes(save + u"\\" + n), keep) << StringToUtf8(n);
  EXPECT_EQ(Bytes(save + u"\\x.mp4"), Bytes(server_->FilesDir() + u"/big.bin"));
  EXPECT_EQ(FilesIn(save).size(), taken.size() + 1);
}

// ---- audio ----------------------------------------------------------------------------------------

namespace {

std::vector<std::vector<String>> ConverterCalls(const String& log) {
  std::vector<std::vector<String>> calls(1);
  if (GetFileAttributesW(WideStr(log)) == INVALID_FILE_ATTRIBUTES) return {};
  auto bytes = ReadFileBytes(log);
  String text = Utf8ToString(std::string(bytes.begin(), bytes.end()));
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n') continue;
    String line = text.substr(start, i - start);
    start = i + 1;
    if (line.empty())
      calls.emplace_back();
    else
      calls.back().push_back(line);
  }
  calls.pop_back();
  return calls;
}

}  // namespace

class AudioTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    SetEnvironmentVariableW(L"TW_CONVERTER_LOG", WideStr(log));
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TW_CONVERTER_LOG", nullptr);
    SetEnvironmentVariableW(L"TW_CONVERTER_MODE", nullptr);
    MainFormTest::TearDown();
  }
  TempDir logDir;
  const String log = Backslashed(logDir.Path()) + u"\\converter.log";
};

TEST_F(AudioTest, AudioLandsAsAnAacStreamUnderAnMp3Name) {
  ParseVideo(u"歌 曲");
  std::vector<String> filesAtMessage;
  answerer.SetDecision([&](const SeenDialog&) {
    filesAtMessage = FilesIn(save);
    return IDOK;
  });
  Click(Form1->btnDownM);
  ASSERT_TRUE(WaitForDownload());
  EXPECT_EQ(answerer.Texts(), std::vector<String>{u"音频下载完成！"});
  // The message comes before any file step: the video and the audio still have time names.
  // (Listed by name: the audio's second may be the video's or a later one.)
  ASSERT_EQ(filesAtMessage.size(), 2u);
  if (filesAtMessage[0].ends_with(u".mp4")) std::swap(filesAtMessage[0], filesAtMessage[1]);
  EXPECT_TRUE(IsTimeName(filesAtMessage[0], u".aac") && IsTimeName(filesAtMessage[1], u".mp4"));
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"歌 曲.mp3"});
  EXPECT_EQ(ProbeCodecs(save + u"\\歌 曲.mp3"), "aac");
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_EQ(Form1->sprgrsbr1->Position(), Form1->sprgrsbr1->Max());

  auto calls = ConverterCalls(log);
  ASSERT_EQ(calls.size(), 1u);
  const std::vector<String> want{u"-nostdin", u"-n",   u"-i",   save + u"\\" + filesAtMessage[1],
                                 u"-vn",      u"-c:a", u"copy", save + u"\\" + filesAtMessage[0]};
  EXPECT_EQ(calls[0], want);
}

TEST_F(AudioTest, TakenMp3NamesGetTheNextNumber) {
  const std::vector<Byte> a{'a'}, b{'b'};
  SaveBytes(save + u"\\s.mp3", a);
  SaveBytes(save + u"\\s_1.mp3", b);
  ParseVideo(u"s");
  Click(Form1->btnDownM);
  ASSERT_TRUE(WaitForDownload());
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_EQ(FilesIn(save), (std::vector<String>{u"s.mp3", u"s_1.mp3", u"s_2.mp3"}));
  EXPECT_EQ(Bytes(save + u"\\s.mp3"), a);
  EXPECT_EQ(Bytes(save + u"\\s_1.mp3"), b);
  EXPECT_EQ(ProbeCodecs(save + u"\\s_2.mp3"), "aac");
}

TEST_F(AudioTest, AFailedExtractionKeepsTheVideoAndSaysSo) {
  struct Case {
    const char16_t* mode;
    const char16_t* file;
  } cases[] = {
      {u"", u"silent.mp4"},    // ffmpeg finds no audio stream and fails
      {u"empty", u"v.mp4"},    // exit code 0 but nothing written
      {u"partial", u"v.mp4"},  // a partial file and an error code
  };
  for (const auto& c : cases) {
    SetEnvironmentVariableW(L"TW_CONVERTER_MODE", *c.mode ? WideStr(c.mode) : nullptr);
    ParseVideo(u"m", u"", c.file);
    Click(Form1->btnDownM);
    ASSERT_TRUE(WaitForDownload());
    EXPECT_EQ(answerer.Texts(), std::vector<String>{u"音频提取失败！"}) << StringToUtf8(c.mode);
    EXPECT_EQ(FilesIn(save), std::vector<String>{u"m.mp4"}) << StringToUtf8(c.mode);
    EXPECT_EQ(Bytes(save + u"\\m.mp4"), Bytes(server_->FilesDir() + u"/" + c.file));
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
    EXPECT_TRUE(Form1->btnDownM->Enabled());
    DeleteFileW(WideStr(save + u"\\m.mp4"));
  }
}

namespace {

BOOL WINAPI ExitCodeUnreadable(HANDLE, LPDWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

BOOL WINAPI ProcessDoesNotStart(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                                LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return FALSE;
}

}  // namespace

TEST_F(AudioTest, AnUnreadableExitCodeLeavesNoAudioAndKeepsTheVideo) {
  // The converter writes all of its output, or only a part of it and fails; either way its
  // end cannot be read and nothing it wrote stays.
  for (const char16_t* mode : {u"", u"partial"}) {
    SetEnvironmentVariableW(L"TW_CONVERTER_MODE", *mode ? WideStr(mode) : nullptr);
    ParseVideo(u"m");
    {
      ImportHook exitCodes("kernel32.dll", "GetExitCodeProcess", &ExitCodeUnreadable);
      Click(Form1->btnDownM);
      ASSERT_TRUE(WaitForDownload());
    }
    EXPECT_EQ(ConverterCalls(log).size(), *mode ? 2u : 1u);  // it did run
    EXPECT_EQ(answerer.Texts(), std::vector<String>{u"音频提取失败！"}) << StringToUtf8(mode);
    EXPECT_EQ(FilesIn(save), std::vector<String>{u"m.mp4"}) << StringToUtf8(mode);
    EXPECT_EQ(Bytes(save + u"\\m.mp4"), *video_);
    EXPECT_EQ(Form1->sprgrsbr1->Position(), Form1->sprgrsbr1->Max());
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
    EXPECT_TRUE(Form1->btnDownM->Enabled());
    DeleteFileW(WideStr(save + u"\\m.mp4"));
  }
}

TEST_F(AudioTest, AConverterThatCannotStartFailsTheExtraction) {
  ParseVideo(u"m");
  {
    ImportHook starts("kernel32.dll", "CreateProcessW", &ProcessDoesNotStart);
    Click(Form1->btnDownM);
    ASSERT_TRUE(WaitForDownload());
  }
  EXPECT_TRUE(ConverterCalls(log).empty());
  EXPECT_EQ(answerer.Texts(), std::vector<String>{u"音频提取失败！"});
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"m.mp4"});
  EXPECT_EQ(Bytes(save + u"\\m.mp4"), *video_);
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_TRUE(Form1->btnDownM->Enabled());
}

// ---- handles ----------------------------------------------------------------------------------

namespace {

// The handles the program opened in the save folder or for the converter: each one's count
// of opens minus closes (handle values are reused once closed).
struct HandleLedger {
  String folder;
  std::map<HANDLE, int> open;
  int opens = 0, processes = 0;
  void Opened(HANDLE h) {
    ++open[h];
    ++opens;
  }
} ledger;
// An SRW lock: the C++ runtime's mutex may itself create and close handles.
SRWLOCK ledgerLock = SRWLOCK_INIT;
struct LedgerGuard {
  LedgerGuard() { AcquireSRWLockExclusive(&ledgerLock); }
  ~LedgerGuard() { ReleaseSRWLockExclusive(&ledgerLock); }
};
ImportHook* createFileHook = nullptr;
ImportHook* createProcessHook = nullptr;
ImportHook* closeHandleHook = nullptr;

HANDLE WINAPI TrackCreateFile(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                              DWORD flags, HANDLE tmpl) {
  HANDLE h = createFileHook->Original<decltype(&CreateFileW)>()(name, access, share, sa, disposition, flags, tmpl);
  LedgerGuard g;
  if (h != INVALID_HANDLE_VALUE && String(reinterpret_cast<const Char*>(name)).starts_with(ledger.folder))
    ledger.Opened(h);
  return h;
}

BOOL WINAPI TrackCreateProcess(LPCWSTR app, LPWSTR cmd, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta,
                               BOOL inherit, DWORD flags, LPVOID env, LPCWSTR dir, LPSTARTUPINFOW si,
                               LPPROCESS_INFORMATION pi) {
  BOOL ok =
      createProcessHook->Original<decltype(&CreateProcessW)>()(app, cmd, pa, ta, inherit, flags, env, dir, si, pi);
  LedgerGuard g;
  if (ok) {
    ++ledger.processes;
    ledger.Opened(pi->hProcess);
    ledger.Opened(pi->hThread);
  }
  return ok;
}

BOOL WINAPI TrackCloseHandle(HANDLE h) {
  {
    LedgerGuard g;
    auto it = ledger.open.find(h);
    if (it != ledger.open.end() && it->second > 0) --it->second;
  }
  return closeHandleHook->Original<decltype(&CloseHandle)>()(h);
}

}  // namespace

TEST_F(AudioTest, EveryFileAndProcessHandleIsReleased) {
  ledger = HandleLedger{save, {}, 0, 0};
  {
    ImportHook files("kernel32.dll", "CreateFileW", &TrackCreateFile);
    ImportHook processes("kernel32.dll", "CreateProcessW", &TrackCreateProcess);
    ImportHook closes("kernel32.dll", "CloseHandle", &TrackCloseHandle);
    createFileHook = &files, createProcessHook = &processes, closeHandleHook = &closes;
    struct Run {
      TsButton* button;
      const char16_t* mode;
      const char16_t* query;
    } runs[] = {
        {Form1->btnDownM, u"", u""},                       // audio extracted
        {Form1->btnDownM, u"empty", u""},                  // extraction failed
        {Form1->btnDown, u"", u""},                        // video kept
        {Form1->btnDown, u"", u"cut=20000&get_len=none"},  // transfer broken
    };
    for (const auto& r : runs) {
      SetEnvironmentVariableW(L"TW_CONVERTER_MODE", *r.mode ? WideStr(r.mode) : nullptr);
      ParseVideo(u"h", r.query);
      Click(r.button);
      ASSERT_TRUE(WaitForDownload());
      CloseExplorerWindow(SaveName(), 3000);
      for (const String& f : FilesIn(save)) DeleteFileW(WideStr(save + u"\\" + f));
    }
  }  // the hooks go before anything is checked (a failed check may close handles itself)
  createFileHook = createProcessHook = closeHandleHook = nullptr;
  EXPECT_EQ(ledger.processes, 2);  // the converter, twice
  EXPECT_GE(ledger.opens, 8);      // four temporary files and the converter's process and thread
  for (const auto& [h, count] : ledger.open) EXPECT_EQ(count, 0) << "handle " << h << " was left open";
}
