#include "skin/sStyleSimply.h"

#include <algorithm>

std::vector<TComponent*> HookedComponents;

void IntSkinForm(TComponent* form) {
  // A second registration would make every broadcast reach the form twice.
  if (form && std::find(HookedComponents.begin(), HookedComponents.end(), form) == HookedComponents.end())
    HookedComponents.push_back(form);
}

void IntUnSkinForm(TComponent* form) {
  HookedComponents.erase(std::remove(HookedComponents.begin(), HookedComponents.end(), form), HookedComponents.end());
}

bool SectionInArray(const std::array<Integer, kvSectionCount>& sections, Integer value, TkvSection rangeMin,
                    TkvSection rangeMax) {
  if (rangeMax < rangeMin) return false;
  for (Integer i = rangeMin; i <= rangeMax; ++i)
    if (sections[size_t(i)] == value) return true;
  return false;
}
