#include "controls/kvAlphaHintsTemplates.h"

#include <windows.h>

#include "base/kvntUtils.h"
#include "controls/kvAlphaHints.h"
#include "ui/ScopeGuard.h"

std::string HintFontNameToBytes(const String& name) {
  // Cut at a whole character: drop characters from the end until the bytes fit.
  for (size_t chars = name.size(); chars > 0; --chars) {
    const int n = WideCharToMultiByte(CP_ACP, 0, WideStr(name), int(chars), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    if (n > kvHintFileMaxNameBytes) continue;
    std::string bytes(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, WideStr(name), int(chars), bytes.data(), n, nullptr, nullptr);
    return bytes;
  }
  return std::string();
}

String HintFontNameFromBytes(const std::string& bytes) {
  if (bytes.empty()) return String();
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  if (n <= 0) return String();
  String name(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), WideStr(name), n);
  return name;
}

// ---- the default template -------------------------------------------------------------------

namespace {
std::unique_ptr<TkvHintTemplate>& DefaultTemplateHolder() {
  static std::unique_ptr<TkvHintTemplate> holder;
  return holder;
}
}  // namespace

TkvHintTemplate* DefaultTemplate() { return DefaultTemplateHolder().get(); }

void kvAlphaHintsStartup() {
  auto tpl = std::make_unique<TkvHintTemplate>();
  try {
    TResourceStream hintStream(nullptr, u"KVHINT", RT_RCDATA_ID);
    // Decoded straight into the picture: the sizes below are the template's, not a cut of it.
    tpl->FImageDefault->Image()->LoadFromStream(hintStream);
  } catch (const Exception&) {
    // A program without the resource keeps an empty default picture: hints draw plain text.
  }
  SetDefaultHintTemplateSizes(*tpl);
  DefaultTemplateHolder() = std::move(tpl);
  kvAlphaHintsServicesStartup();
}

void kvAlphaHintsCleanup() {
  kvAlphaHintsServicesCleanup();
  DefaultTemplateHolder().reset();
}

// ---- template files -------------------------------------------------------------------------

TkvHintTemplate* LoadHintTemplateFromStream(TkvHintTemplates& templates, TStream& stream) {
  std::unique_ptr<TkvHintTemplate> tpl;
  switch (ReadHintTemplate(stream, tpl)) {
    case TkvHintFileResult::UnknownFormat: ShowError(u"Unknown file format"); return nullptr;
    case TkvHintFileResult::Malformed: throw EReadError(u"Stream read error");
    case TkvHintFileResult::Ok: break;
  }
  tpl->SetCollection(&templates);
  return tpl.release();
}

TkvHintTemplate* LoadHintTemplateFromFile(TkvHintTemplates& templates, const String& fileName) {
  TMemoryStream data;
  data.LoadFromFile(fileName);
  TkvHintTemplate* tpl = LoadHintTemplateFromStream(templates, data);
  if (tpl) tpl->SetName(HintTemplateNameOfFile(fileName));
  return tpl;
}

void SaveHintTemplateToFile(const TkvHintTemplate& tpl, const String& fileName) {
  TMemoryStream data;
  WriteHintTemplate(tpl, data);
  const String temporary = fileName + u".saving";
  {
    TScopeExit removeTemporary([&] { DeleteFileW(WideStr(temporary)); });
    data.SaveToFile(temporary);
    if (!MoveFileExW(WideStr(temporary), WideStr(fileName), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      throw EFCreateError(u"Cannot create file \"" + fileName + u"\"");
    removeTemporary.Dismiss();
  }
}
