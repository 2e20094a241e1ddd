// The registry of skinned forms and the section test of the text painter.
#include "skin/sStyleSimply.h"

#include <gtest/gtest.h>

namespace {

struct Registry : ::testing::Test {
  void SetUp() override { HookedComponents.clear(); }
  void TearDown() override { HookedComponents.clear(); }
  TComponent a{nullptr}, b{nullptr}, c{nullptr};
};

}  // namespace

TEST_F(Registry, FormsStayInRegistrationOrderOnceEach) {
  IntSkinForm(&a);
  IntSkinForm(&b);
  IntSkinForm(&a);  // a second registration is not a second entry
  IntSkinForm(&c);
  IntSkinForm(nullptr);
  EXPECT_EQ(HookedComponents, (std::vector<TComponent*>{&a, &b, &c}));
}

TEST_F(Registry, UnskinningLeavesNoEntryAndKeepsTheOrder) {
  struct Case {
    const char* what;
    std::vector<TComponent*> before;
    TComponent* removed;
    std::vector<TComponent*> after;
  } cases[] = {
      {"the first", {&a, &b, &c}, &a, {&b, &c}},
      {"the middle one", {&a, &b, &c}, &b, {&a, &c}},
      {"the last", {&a, &b, &c}, &c, {&a, &b}},
      {"the only one", {&a}, &a, {}},
      {"one never registered", {&a, &b}, &c, {&a, &b}},
      {"from an empty registry", {}, &a, {}},
      // Entries left twice by older code all go.
      {"every entry of it", {&a, &b, &a, &c, &a}, &a, {&b, &c}},
  };
  for (const Case& t : cases) {
    HookedComponents = t.before;
    IntUnSkinForm(t.removed);
    EXPECT_EQ(HookedComponents, t.after) << t.what;
  }
}

TEST(SectionInArray, SearchesTheRangeOnly) {
  std::array<Integer, kvSectionCount> sections;
  sections.fill(-1);
  sections[ssMenuItem] = 4;
  sections[ssButton] = 7;
  sections[ssTBBtn] = 12;
  sections[ssUpDown] = 30;
  struct Case {
    Integer value;
    TkvSection from, to;
    bool found;
  } cases[] = {{4, ssMenuItem, ssButton, true},
               {7, ssMenuItem, ssButton, true},
               {12, ssMenuItem, ssButton, false},
               {12, ssTBBtn, ssTBBtn, true},
               {30, ssMenuItem, ssUpDown, true},
               {7, ssComboNoEdit, ssUpDown, false},
               {-1, ssMenuItem, ssCheckBox, true},
               {5, ssMenuItem, ssUpDown, false},
               // A range that ends before it begins holds nothing.
               {7, ssButton, ssMenuItem, false},
               {4, ssCheckBox, ssMenuItem, false}};
  for (const Case& c : cases)
    EXPECT_EQ(SectionInArray(sections, c.value, c.from, c.to), c.found)
        << c.value << " " << int(c.from) << ".." << int(c.to);
}
