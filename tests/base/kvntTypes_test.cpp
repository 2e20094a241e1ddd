#include "base/kvntTypes.h"

#include <gtest/gtest.h>

#include "ui/TypInfo.h"

namespace {

struct ChangeLog {
  std::vector<TObject*> senders;
  void Changed(TObject* sender) { senders.push_back(sender); }
};

}  // namespace

TEST(PaintBorderData, ChangedOnlyAwayFromTheSkinDefaults) {
  TComponent owner(nullptr);
  ChangeLog log;
  TkvPaintBorderData border(&owner, nullptr, TNotifyEvent(&log, &ChangeLog::Changed));
  EXPECT_FALSE(border.IsChanged());
  EXPECT_TRUE(log.senders.empty());  // construction raises nothing
  border.SetWidth(0);
  EXPECT_TRUE(border.IsChanged());
  border.SetWidth(-1);
  EXPECT_FALSE(border.IsChanged());
  border.SetWidth(-5);  // any negative width is the default
  EXPECT_FALSE(border.IsChanged());
  border.SetRadius(2, 0);
  EXPECT_TRUE(border.IsChanged());
  border.SetRadius(2, -1);
  border.SetColor(1, 0x123456);
  EXPECT_TRUE(border.IsChanged());
  border.SetColor(1, clNone);
  EXPECT_FALSE(border.IsChanged());
  EXPECT_EQ(log.senders.size(), 7u);
  for (TObject* s : log.senders) EXPECT_EQ(s, &border);
}

TEST(PaintBorderData, EqualValuesAndBadIndexesRaiseNothing) {
  TComponent owner(nullptr);
  ChangeLog log;
  TkvPaintBorderData border(&owner, nullptr, TNotifyEvent(&log, &ChangeLog::Changed));
  border.SetWidth(-1);
  border.SetColor(0, clNone);
  border.SetColor(3, 0);
  border.SetColor(-1, 0);
  border.SetRadius(4, 7);
  border.SetRadius(-1, 7);
  EXPECT_TRUE(log.senders.empty());
  EXPECT_EQ(border.GetRadius(4), -1);
  EXPECT_EQ(border.GetColor(3), clNone);
}

TEST(PaintBorderData, NoEventsWhileTheOwnerIsReadButTheStateFollows) {
  ChangeLog log;
  for (TComponentStateFlag state : {csLoading, csReading}) {
    TComponent owner(nullptr);
    TkvPaintBorderData border(&owner, nullptr, TNotifyEvent(&log, &ChangeLog::Changed));
    state == csLoading ? owner.SetLoading(true) : owner.SetReading(true);
    SetPropValue(&border, u"RadiusBottomRight", u"8");
    EXPECT_EQ(border.FRadiusBottomRight, 8);
    EXPECT_TRUE(border.IsChanged());
  }
  TkvPaintBorderData ownerless(nullptr, nullptr, TNotifyEvent(&log, &ChangeLog::Changed));
  ownerless.SetWidth(3);  // no component owner: no event either
  EXPECT_TRUE(log.senders.empty());
}

TEST(PaintBorderData, PublishedProperties) {
  TkvPaintBorderData border(nullptr, nullptr, nullptr);
  struct Case {
    const char16_t* name;
    const char16_t* value;
  } cases[] = {
      {u"Width", u"2"},
      {u"ColorNormal", u"clRed"},
      {u"ColorActive", u"$00112233"},
      {u"ColorPressed", u"clBlue"},
      {u"RadiusTopLeft", u"1"},
      {u"RadiusTopRight", u"2"},
      {u"RadiusBottomLeft", u"3"},
      {u"RadiusBottomRight", u"4"},
  };
  for (const auto& c : cases) SetPropValue(&border, c.name, c.value);
  EXPECT_EQ(border.FWidth, 2);
  EXPECT_EQ(border.FColorNormal, clRed);
  EXPECT_EQ(border.FColorActive, 0x112233u);
  EXPECT_EQ(border.FColorPressed, clBlue);
  EXPECT_EQ(border.FRadiusTopLeft, 1);
  EXPECT_EQ(border.FRadiusTopRight, 2);
  EXPECT_EQ(border.FRadiusBottomLeft, 3);
  EXPECT_EQ(border.FRadiusBottomRight, 4);
  EXPECT_EQ(GetPropValue(&border, u"ColorPressed"), u"clBlue");
}

TEST(Padding, ReportsRealChangesWithTheControlAsSender) {
  TComponent control(nullptr);
  ChangeLog log;
  TkvPadding padding(&control, TNotifyEvent(&log, &ChangeLog::Changed));
  for (Integer i = 0; i < 4; ++i) EXPECT_EQ(padding.GetPadding(i), 0);
  padding.SetPadding(1, 0);  // unchanged
  EXPECT_TRUE(log.senders.empty());
  SetPropValue(&padding, u"Top", u"3");
  SetPropValue(&padding, u"Left", u"6");
  padding.SetPadding(4, 9);  // no such side
  EXPECT_EQ(log.senders, (std::vector<TObject*>{&control, &control}));
  control.SetLoading(true);
  padding.SetPadding(2, 5);
  EXPECT_EQ(log.senders.size(), 2u);
  EXPECT_EQ(padding.FRight, 5);
  EXPECT_EQ(padding.FLeft, 6);
  EXPECT_EQ(padding.FTop, 3);
}

TEST(Padding, ScaledByPPI) {
  TkvPadding padding(nullptr, nullptr);
  padding.SetPadding(0, 6);
  padding.SetPadding(1, 3);
  padding.SetPadding(2, 7);
  padding.SetPadding(3, 1);
  EXPECT_EQ(PaddingToRect(&padding, 96), TRect(6, 3, 7, 1));
  EXPECT_EQ(PaddingToRect(&padding, 144), TRect(9, 4, 10, 1));
  EXPECT_EQ(PaddingToRect(&padding, 192), TRect(12, 6, 14, 2));
  padding.SetPadding(0, 2147483647);
  EXPECT_EQ(PaddingToRect(&padding, 96).Left, 2147483647);  // the 64-bit product does not overflow
  EXPECT_THROW(PaddingToRect(&padding, 192), EIntOverflow);
}
