#include "ui/Graphics.h"

#include <gtest/gtest.h>

#include "ui/TypInfo.h"

namespace {

class TCounter : public TObject {
 public:
  int changes = 0;
  void Changed(TObject*) { ++changes; }
};

}  // namespace

TEST(Font, DefaultsAndSizeFollowTheDensity) {
  TFont f;
  EXPECT_EQ(f.Name(), u"Tahoma");
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  EXPECT_EQ(f.Color(), clWindowText);
  EXPECT_EQ(f.Charset(), 1);
  struct Case {
    Integer ppi, size, height;
  } cases[] = {{96, 8, -11}, {96, 9, -12}, {96, 12, -16}, {120, 9, -15}, {144, 8, -16}};
  for (const auto& c : cases) {
    f.SetPixelsPerInch(c.ppi);
    f.SetSize(c.size);
    EXPECT_EQ(f.Height(), c.height) << c.ppi << " " << c.size;
    EXPECT_EQ(f.Size(), c.size);
  }
  f.SetPixelsPerInch(96);
  f.SetHeight(-15);
  EXPECT_EQ(f.Size(), 11);  // 15 * 72 / 96 = 11.25
  f.SetHeight(-13);
  EXPECT_EQ(f.Size(), 10);  // 9.75 rounds up
}

TEST(Font, ChangesAreReportedAndAssignCopiesEverything) {
  TCounter counter;
  TFont f;
  f.SetOnChange(TNotifyEvent(&counter, &TCounter::Changed));
  f.SetName(u"Segoe UI");
  f.SetName(u"Segoe UI");  // unchanged: no event
  f.SetName(u"");          // an empty name is ignored
  f.SetStyle({fsBold, fsItalic});
  f.SetColor(clRed);
  EXPECT_EQ(counter.changes, 3);
  TFont g;
  g.Assign(&f);
  EXPECT_TRUE(g.Equals(f));
  EXPECT_EQ(g.Name(), u"Segoe UI");
  EXPECT_TRUE(g.Style().Contains(fsItalic));
  g.SetCharset(134);
  EXPECT_FALSE(g.Equals(f));
  counter.changes = 0;
  f.Assign(&f);
  EXPECT_EQ(counter.changes, 0);
}

TEST(Font, PublishedPropertiesUseTheDescriptionNames) {
  TFont f;
  SetPropValue(&f, u"Charset", u"GB2312_CHARSET");
  EXPECT_EQ(f.Charset(), 134);
  EXPECT_EQ(GetPropValue(&f, u"Charset"), u"GB2312_CHARSET");
  SetPropValue(&f, u"Charset", u"ANSI_CHARSET");
  EXPECT_EQ(f.Charset(), 0);
  SetPropValue(&f, u"Charset", u"200");  // a value without a name
  EXPECT_EQ(GetPropValue(&f, u"Charset"), u"200");
  SetPropValue(&f, u"Style", u"[fsBold,fsUnderline]");
  EXPECT_EQ(f.Style(), (TFontStyles{fsBold, fsUnderline}));
  SetPropValue(&f, u"Color", u"clMedGray");
  EXPECT_EQ(f.Color(), clMedGray);
  EXPECT_THROW(SetPropValue(&f, u"Charset", u"KLINGON_CHARSET"), EPropertyConvertError);
}

TEST(BrushAndPen, ClassLibraryRules) {
  TBrush b;
  b.SetStyle(bsClear);
  b.SetColor(clRed);  // a colour makes a clear brush solid again
  EXPECT_EQ(b.Style(), bsSolid);
  TPen p;
  p.SetWidth(-3);
  EXPECT_EQ(p.Width(), 0);
  TPen q;
  SetPropValue(&q, u"Style", u"psDot");
  q.SetMode(pmXor);
  p.Assign(&q);
  EXPECT_EQ(p.Style(), psDot);
  EXPECT_EQ(p.Mode(), pmXor);
}
