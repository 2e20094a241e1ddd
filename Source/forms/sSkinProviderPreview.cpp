// The check of the skin editor's record.
#include "forms/sSkinProviderPreview.h"

#include <cstring>

#include "base/sConst.h"

TkvPreviewVerdict CheckPreviewCopy(const TkvPreviewCopy& copy) {
  if (!copy.IsPreviewTarget) return pvNotPreviewTarget;
  if (copy.CopyInProgress) return pvBusy;
  if (!copy.Data) return pvNoData;
  if (copy.WParam != kvPreviewCopyWParam) return pvWrongWParam;
  if (copy.Size != sizeof(TkvSkinEditorData)) return pvWrongSize;
  int32_t magic = 0;
  std::memcpy(&magic, copy.Data, sizeof magic);  // the block may lie at any address
  return magic == int32_t(KPE_MSG) ? pvAccepted : pvWrongMagic;
}

bool TakePreviewRecord(const TkvPreviewCopy& copy, TkvSkinEditorData& record) {
  if (CheckPreviewCopy(copy) != pvAccepted) return false;
  std::memcpy(&record, copy.Data, sizeof record);
  record.Name1[sizeof record.Name1 - 1] = 0;
  record.Name2[sizeof record.Name2 - 1] = 0;
  record.Data1[sizeof record.Data1 - 1] = 0;
  record.Data2[sizeof record.Data2 - 1] = 0;
  return true;
}

bool IsPreviewStart(const std::vector<String>& params) { return !params.empty() && params[0] == u"/kvpreview"; }
