#include "base/ManagerLink.h"

namespace {
TkvManagerLink* defaultLink = nullptr;
}  // namespace

TkvManagerLink* DefaultManagerLink() { return defaultLink; }

void SetDefaultManagerLink(TkvManagerLink* link) { defaultLink = link; }
