// The skin commands every engine control answers alike: it handles its commands itself
// (KV_CTRLHANDLED) and names its standard section (KV_GETDEFINDEX by the manager's index,
// KV_GETDEFSECTION by its place in the standard sections, plus 1; 0 leaves that command to the
// common handling).
#pragma once

#ifdef _WIN32

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"

// True when m (SM_ALPHACMD) was one of them and is answered.
inline bool AnswerSectionCommands(TMessage& m, TsCommonData* sd, StringView section, Integer defSection) {
  switch (Word(m.WParam >> 16)) {
    case KV_CTRLHANDLED: m.Result = 1; return true;
    case KV_GETDEFINDEX:
      // 0 (no answer) without a manager.
      if (DuRiruZireziv* manager = sd->GetSkinManager()) m.Result = manager->GetSkinIndex(section) + 1;
      return true;
    case KV_GETDEFSECTION:
      if (defSection <= 0) return false;
      m.Result = defSection;
      return true;
  }
  return false;
}

#endif
