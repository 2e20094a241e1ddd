// A skin load as a whole: the choice of the source, the fonts, the master bitmap and the values
// of "GLOBALINFO", the version check, each PPI slot, and handing the loaded skin to the manager.
// What a load asks of Windows (system colours, message boxes, fonts, brushes) is in
// sSkinManagerLoad.win.cpp.
//
// Sections:
//   1. System colours
//   2. The source of a skin (InitSkinFile)
//   3. Fonts, master bitmap, skin-wide values, version
//   4. Slots and the load (LoadSlot, LoadSkin, TakeSkin, LoadSkinSlot)
//   5. Queries (GetSkinInfo, GetSkinSections)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/WorkingBitmaps.h"
#include "base/kvFontStore.h"
#include "base/kvntUtils.h"
#include "images/kvPNG.h"
#include "raster/Blend.h"
#include "skin/sSkinManagerLoader.h"
#include "ui/IniFiles.h"
#include "ui/ScopeGuard.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"
#include "ui/TypInfo.h"

TStringList* kvEditorSkinFile = nullptr;

namespace {

String NameOf(const TkvSkinSet& skin) { return skin.LoadedName; }

}  // namespace

// ---- 1. System colours ---------------------------------------------------------------------------

TkvSystemColors::TkvSystemColors() {
  // The Windows 10 defaults, by COLOR_ index (0x00BBGGRR).
  Colors = {0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
            0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
            0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
            0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0};
}

TColor TkvSystemColors::RGBOf(TColor color) const {
  if (color == TColor(-1) || color == clNone) return color;
  if ((color & 0xFF000000u) == clSystemColor) {
    const Cardinal index = color & 0xFF;
    return index < Colors.size() ? Colors[index] : 0;
  }
  if (color & 0xFF000000u) return color & 0xFFFFFF;  // the engine's palette colours carry their RGB value
  return color;
}

// ---- 2. The source of a skin -------------------------------------------------------------------------

namespace {

void SetOptionsText(TkvSkinSet& skin, TStream& text) {
  TStringList lines;
  text.SetPosition(0);
  lines.LoadFromStream(text);
  skin.SkinCommonInfo.OptionsDat->SetStrings(lines);
}

String Counted(Int64 n, const char* what, Int64 limit) {
  return IntToStr(n) + u" " + AsciiToString(what) + u" (at most " + IntToStr(limit) + u")";
}

void CheckCounts(Int64 lines, Int64 sections, Int64 keys) {
  if (lines > kMaxOptionsLines)
    throw ESkinRefused(u"The options text of the skin has " + Counted(lines, "lines", kMaxOptionsLines) + u".");
  if (sections > kMaxSkinSections)
    throw ESkinRefused(u"The options text of the skin has " + Counted(sections, "sections", kMaxSkinSections) + u".");
  if (keys > kMaxSkinKeys)
    throw ESkinRefused(u"The options text of the skin has " + Counted(keys, "keys", kMaxSkinKeys) + u".");
}

String FormatErrorText(const String& name) {
  return u"Internal format error in the \"" + name + u"\" skin. Please, update this skin to latest version.";
}

}  // namespace

void CheckOptionsText(const Byte* data, size_t size) {
  // Counted on the bytes, before anything is split: a line break is "\n", "\r\n" or "\r"; a
  // line whose first character is "[" opens a section, a line with "=" is a key. Zero bytes
  // are passed over, so a UTF-16 text counts the same.
  Int64 lines = 0, sections = 0, keys = 0;
  bool lineStarted = false, hasKey = false;
  const auto endLine = [&] {
    ++lines;
    if (hasKey) ++keys;
    lineStarted = hasKey = false;
  };
  for (size_t i = 0; i < size; ++i) {
    const Byte c = data[i];
    if (c == 0) continue;
    if (c == '\n' || c == '\r') {
      endLine();
      if (c == '\r') {
        size_t j = i + 1;
        while (j < size && data[j] == 0) ++j;
        if (j < size && data[j] == '\n') i = j;
      }
      continue;
    }
    if (!lineStarted && (c == ' ' || c == '\t')) continue;
    if (!lineStarted) {
      lineStarted = true;
      if (c == '[') {
        ++sections;
        continue;
      }
    }
    if (c == '=') hasKey = true;
  }
  if (lineStarted) endLine();
  CheckCounts(lines, sections, keys);
}

void CheckOptionsLines(const TStringList& text) {
  Int64 sections = 0, keys = 0;
  for (Integer i = 0; i < text.Count(); ++i) {
    const String line = Trim(text[i]);
    if (!line.empty() && line[0] == u'[')
      ++sections;
    else if (line.find(u'=') != String::npos)
      ++keys;
  }
  CheckCounts(text.Count(), sections, keys);
}

bool DuRiruZireziv::InitSkinFile(TkvSkinSet& skin) {
  const TkvSkinLoadSettings& s = skin.Settings;
  skin.LoadedName = s.SkinName;
  skin.SkinCommonInfo.SkinPath = s.SkinDirectory + s.SkinName + kvPathDelim;
  skin.SkinIsPacked = false;
  skin.sc.reset();
  skin.SkinFile = nullptr;
  TMemIniFile& ini = *skin.SkinCommonInfo.OptionsDat;
  TMemoryStream file;
  const String optionsFile = skin.SkinCommonInfo.SkinPath + u"Options.dat";
  if (!s.EditorSkinFile && FileExists(optionsFile) && FileSize(optionsFile) > kMaxOptionsBytes)
    throw ESkinRefused(u"The options text of the skin is " + IntToStr(FileSize(optionsFile)) + u" bytes (at most " +
                       IntToStr(kMaxOptionsBytes) + u").");
  if (s.EditorSkinFile) {
    CheckOptionsLines(*s.EditorSkinFile);
    ini.SetStrings(*s.EditorSkinFile);
  } else if (ReadWholeFile(optionsFile, file, kMaxOptionsBytes)) {
    CheckOptionsText(static_cast<const Byte*>(file.Memory()), size_t(file.GetSize()));
    SetOptionsText(skin, file);
  } else if (ReadWholeFile(s.SkinDirectory + s.SkinName + u".kpz", file, kMaxPackedBytes)) {
    auto sc = std::make_unique<TkvSkinConvertor>();
    sc->PackedData = std::make_unique<TMemoryStream>();
    sc->PackedData->SetSize(file.GetSize());
    if (file.GetSize() > 0) std::memcpy(sc->PackedData->Memory(), file.Memory(), size_t(file.GetSize()));
    ExtractPackedData(*sc, &skin.Notices);
    sc->PackedData.reset();
    if (!sc->Options) {
      skin.Notices.push_back({TkvSkinNotice::Plain, FormatErrorText(s.SkinName)});
      return false;
    }
    skin.SkinIsPacked = true;
    CheckOptionsText(static_cast<const Byte*>(sc->Options->Memory()), size_t(sc->Options->GetSize()));
    SetOptionsText(skin, *sc->Options);
    skin.sc = std::move(sc);
  } else {
    skin.SkinCommonInfo.SkinPath.clear();
    if (s.InternalSkins.empty()) return false;
    auto found = std::find_if(s.InternalSkins.begin(), s.InternalSkins.end(),
                              [&](const TkvStoredSkinData& d) { return d.Name == s.SkinName; });
    if (found == s.InternalSkins.end()) found = s.InternalSkins.begin();  // the first one stands in
    skin.LoadedName = found->Name;
    auto sc = std::make_unique<TkvSkinConvertor>();
    if (found->PackedData && !found->PackedData->Bytes().empty()) {
      const std::vector<Byte>& bytes = found->PackedData->Bytes();
      sc->PackedData = std::make_unique<TMemoryStream>();
      sc->PackedData->WriteBuffer(bytes.data(), Integer(bytes.size()));
      ExtractPackedData(*sc, &skin.Notices);
      sc->PackedData.reset();
    }
    // An internal skin without data, or whose data hold no options text, is a broken source.
    if (!sc->Options) {
      skin.Notices.push_back({TkvSkinNotice::Plain, FormatErrorText(skin.LoadedName)});
      return false;
    }
    skin.SkinIsPacked = true;
    CheckOptionsText(static_cast<const Byte*>(sc->Options->Memory()), size_t(sc->Options->GetSize()));
    SetOptionsText(skin, *sc->Options);
    skin.sc = std::move(sc);
  }
  skin.SkinFile = skin.SkinCommonInfo.OptionsDat.get();
  return true;
}

// ---- 3. Fonts, master bitmap, skin-wide values, version ---------------------------------------------

namespace {

// How many "FontFile<n>" keys "GLOBALINFO" has.
Integer FontFileKeys(const TMemIniFile* ini) {
  TStringList keys;
  ini->ReadSection(u"GLOBALINFO", keys);
  Integer n = 0;
  for (Integer i = 0; i < keys.Count(); ++i) {
    const String& k = keys[i];
    if (k.size() > 8 && StringView(k).substr(0, 8) == u"FontFile" &&
        std::all_of(k.begin() + 8, k.end(), [](Char c) { return c >= u'0' && c <= u'9'; }))
      ++n;
  }
  return n;
}

// "FontCount", at most the "FontFile<n>" keys there are.
Integer FontCount(const TMemIniFile* ini) {
  return std::clamp(IniInteger(ini, u"GLOBALINFO", u"FontCount", 0), 0, FontFileKeys(ini));
}

// The file part of a name (after the last separator).
String FilePart(const String& name) {
  const size_t p = name.find_last_of(u"\\/:");
  return p == String::npos ? name : name.substr(p + 1);
}

// Reads a master bitmap or any bitmap file of the skin by the kind its name tells; a picture
// larger than a skin may have is refused before it is decoded.
std::unique_ptr<TBitmap> ReadMaster(const String& name, TMemoryStream& stream) {
  const String upperName = UpperCase(name);
  const String what = u"The master bitmap \"" + name + u"\"";
  CheckPicture(what, stream);
  auto bmp = std::unique_ptr<TBitmap>(CreateBmp32(0, 0));
  stream.SetPosition(0);
  if (upperName.find(u".PNG") != String::npos) {
    TPNGGraphic png;
    png.LoadFromStream(stream);
    bmp->Assign(&png);
    bmp->SetIgnorePalette(true);
    if (bmp->PixelFormat() == pf32bit) {
      // Opaque fuchsia is the transparent key.
      const TPixelView v = ViewOf(bmp.get());
      for (Integer y = 0; y < v.Height; ++y)
        for (Integer x = 0; x < v.Width; ++x)
          if (v.At(x, y) == 0xFFFF00FFu) v.At(x, y) = 0x00FF00FFu;
    }
  } else {
    bmp->LoadFromStream(stream);
  }
  if (Int64(bmp->Width()) * bmp->Height() > kMaxImagePixels)
    throw ESkinRefused(what + u" is " + IntToStr(bmp->Width()) + u" x " + IntToStr(bmp->Height()) +
                       u" pixels; a skin picture may have " + IntToStr(kMaxImagePixels) + u" pixels at most.");
  return bmp;
}

}  // namespace

String FileToFontName(const TMemIniFile* ini, const String& fName) {
  const Integer count = FontCount(ini);
  for (Integer n = 0; n < count; ++n)
    if (IniString(ini, u"GLOBALINFO", u"FontFile" + IntToStr(n)) == fName)
      return IniString(ini, u"GLOBALINFO", u"FontName" + IntToStr(n));
  return String();
}

double GetSkinVersion(const TMemIniFile* ini) {
  double v = 0;
  const String text = Trim(IniString(ini, u"GLOBALINFO", u"VERSION"));
  if (text.empty() || !TryStrToFloat(text, v)) return 0;
  return v;
}

void DuRiruZireziv::LoadFonts(TkvSkinSet& skin) {
  skin.EmbeddedFonts->Clear();
  const TMemIniFile* ini = skin.SkinFile;
  if (skin.sc) {
    for (const auto& f : skin.sc->Files) {
      if (f.FileType != ftFont) continue;
      TkvEmbeddedFont* item = skin.EmbeddedFonts->Add();
      item->FontData->LoadFromStream(*f.Stream);
      f.Stream->SetPosition(0);
      item->FFontName = FileToFontName(ini, f.Name);
      item->FFileName = FilePart(f.Name);
    }
    return;
  }
  const Integer count = FontCount(ini);
  for (Integer n = 0; n < count; ++n) {
    const String file = IniString(ini, u"GLOBALINFO", u"FontFile" + IntToStr(n));
    const String name = IniString(ini, u"GLOBALINFO", u"FontName" + IntToStr(n));
    TkvEmbeddedFont* item = skin.EmbeddedFonts->Add();
    // A font file of a folder skin lies in the skin folder.
    TMemoryStream bytes;
    if (!ReadWholeFile(SkinFilePath(skin.SkinCommonInfo.SkinPath, file), bytes, kMaxEntryBytes)) continue;
    item->FFileName = file;
    item->FFontName = name;
    item->FontData->LoadFromStream(bytes);
  }
}

void DuRiruZireziv::LoadCommonData(TkvSkinSet& skin) {
  const TMemIniFile* ini = skin.SkinFile;
  skin.MasterBitmap.reset(CreateBmp32(0, 0));
  const String value = IniString(ini, u"GLOBALINFO", u"MASTERBITMAP");
  const String upper = UpperCase(value);
  if (!value.empty()) {
    if (skin.SkinIsPacked && skin.sc) {
      // Entry names compare without regard to case, as references do.
      if (TkvFileItem* item = skin.sc->FindFile(upper)) skin.MasterBitmap = ReadMaster(item->Name, *item->Stream);
    } else {
      TMemoryStream file;
      if (ReadWholeFile(SkinFilePath(skin.SkinCommonInfo.SkinPath, value), file, kMaxImageFileBytes))
        skin.MasterBitmap = ReadMaster(value, file);
    }
  }
  TBitmap* master = skin.MasterBitmap.get();
  if (master->PixelFormat() != pf32bit) {
    master->SetPixelFormat(pf32bit);
    FillAlphaRect(master, TRect(0, 0, master->Width(), master->Height()), 255, TColor(sFuchsia));
  }
  master->SetTransparent(true);
  master->SetTransparentColor(0xFF00FF);
  master->SetHandleType(bmDIB);

  TkvSkinCommonInfo& info = skin.SkinCommonInfo;
  info.Author = IniString(ini, u"GLOBALINFO", u"AUTHOR");
  info.Description = IniString(ini, u"GLOBALINFO", u"DESCRIPTION");
  info.MainFont = IniString(ini, u"GLOBALINFO", u"MainFont");
  info.UseAeroBluring = IniInteger(ini, u"GLOBALINFO", u"AEROBLUR", 0) != 0;
  info.BrightMin = IniInteger(ini, u"GLOBALINFO", u"BRIGHTMIN", -50);
  info.BrightMax = IniInteger(ini, u"GLOBALINFO", u"BRIGHTMAX", 50);
  info.BIVAlign = IniInteger(ini, u"GLOBALINFO", u"BIVALIGN", 0);
  info.BIKeepHUE = IniInteger(ini, u"GLOBALINFO", u"BIKEEPHUE", 0);
  info.Shadow1Color = TColor(IniInteger(ini, u"GLOBALINFO", u"SHADOW1COLOR", 0));
  info.DefLightColor = TColor(IniInteger(ini, u"GLOBALINFO", u"DEFLIGHT", -1));
  info.ArrowStyle =
      TkvArrowsStyle(std::clamp<Integer>(IniInteger(ini, u"GLOBALINFO", u"ARROWSTYLE", 0), arsSolid1, arsDefault));
  info.Version = GetSkinVersion(ini);
  CheckVersion(skin);
  RecolourMaster(skin);
  skin.CommonDataLoaded = true;
}

String FormatSkinVersion(double version, const String& decimalSeparator) {
  if (!std::isfinite(version)) return version != version ? String(u"NaN") : version < 0 ? u"-INF" : u"INF";
  // As long as the number needs: 1e308 has 309 digits before the separator.
  const int length = std::snprintf(nullptr, 0, "%.2f", version);
  std::string text(size_t(std::max(length, 0)) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.2f", version);
  text.resize(size_t(std::max(length, 0)));
  String out = AsciiToString(text);
  const size_t dot = out.rfind(u'.');
  if (dot != String::npos) out.replace(dot, 1, decimalSeparator);
  return out;
}

void DuRiruZireziv::CheckVersion(TkvSkinSet& skin) {
  const double v = skin.SkinCommonInfo.Version;
  const String version = FormatSkinVersion(v, UserDecimalSeparator());
  // 10.26 and 16.99 are compared as written (a skin that states 10.26 is older than 10.26).
  if (v <= 10.26) {
    if (skin.Settings.Designing)
      skin.Notices.push_back(
          {TkvSkinNotice::Plain, u"You are using an old version of the \"" + NameOf(skin) + u"\" skin (v" + version +
                                     u"). Please, update skins to latest or contact the Kavrello support for "
                                     u"upgrading of existing skin.\r\n\r\nThis notification occurs in design-time "
                                     u"only for your information and will not be shown in real-time."});
  } else if (v > 16.99 && !skin.Settings.PreviewMode) {
    skin.Notices.push_back({TkvSkinNotice::Warning, u"This version of the skin (v" + version +
                                                        u") has not complete support by used Kavrello package "
                                                        u"release (v16.22).\r\nComponents must be updated to latest "
                                                        u"version for using this skin."});
  }
}

// ---- 4. Slots and the load --------------------------------------------------------------------------------

void DuRiruZireziv::LoadSlot(TkvSkinSet& skin, TkvSkinData& data) {
  if (data.Skin == &skin) skin.PixelsMade -= data.PixelsMade;  // loaded again: its bitmaps go
  data.Reset();
  data.Skin = &skin;
  data.FOwner = this;
  data.LoadParams();
  data.LoadAllMasks();
  data.LoadAllGeneralData();
  data.InitConstantIndexes();
  data.InitMaskIndexes();
  data.InitMaskParams();
  InitSkinParams(skin, data.PPI);
  data.CheckShadows();
  if (OnSkinLoading) OnSkinLoading(this);
}

namespace {

TkvSkinData* MakeSlot(DuRiruZireziv* owner, TkvSkinSet& skin, Integer ppi) {
  const Integer index = TkvSkinSet::SlotOf(ppi, skin.Settings);
  if (Integer(skin.SkinDataArray.size()) <= index) skin.SkinDataArray.resize(size_t(index) + 1);
  auto& slot = skin.SkinDataArray[size_t(index)];
  if (!slot) {
    slot = std::make_unique<TkvSkinData>(owner, ppi);
    const bool vcl = skin.Settings.Options.ScaleMode == smVCL && !skin.Settings.Designing;
    slot->ScaleValue = vcl ? index : PPIToIndex(ppi);
    slot->Skin = &skin;
  }
  return slot.get();
}

}  // namespace

TkvSkinLoadStatus DuRiruZireziv::LoadSkin(TkvSkinSet& fresh, const std::vector<Integer>& ppis) {
  fresh.Notices.clear();
  fresh.SkinDataArray.clear();
  fresh.CommonDataLoaded = fresh.PaletteLoaded = false;
  fresh.PixelsMade = 0;
  if (!InitSkinFile(fresh)) return fresh.Notices.empty() ? slsNoSource : slsFormatError;
  LoadFonts(fresh);
  LoadCommonData(fresh);
  std::vector<Integer> order = ppis;
  if (order.empty()) order.push_back(96);
  // Slot 0 first: the palette and every lookup use it.
  const bool vcl = fresh.Settings.Options.ScaleMode == smVCL && !fresh.Settings.Designing;
  if (vcl && std::find(order.begin(), order.end(), 96) == order.end()) order.insert(order.begin(), 96);
  std::stable_partition(order.begin(), order.end(),
                        [&](Integer ppi) { return TkvSkinSet::SlotOf(ppi, fresh.Settings) == 0; });
  ShareSkinText(fresh, [&] {
    for (const Integer ppi : order) {
      if (fresh.Slot(TkvSkinSet::SlotOf(ppi, fresh.Settings))) continue;
      LoadSlot(fresh, *MakeSlot(this, fresh, ppi));
    }
  });
  fresh.SkinCommonInfo.Active = fresh.Slot(0) && !fresh.Slot(0)->gd.empty();
  return slsLoaded;
}

TkvSkinData* DuRiruZireziv::LoadSkinSlot(Integer aPPI) {
  TkvSkinData* ready = Slot(SlotIndex(aPPI));
  if (ready && (ready->Initializing || !ready->gd.empty())) return ready;
  // Skin data made by hand (no skin text to load from): the slot there is, else slot 0.
  if (!SkinFile || !CommonDataLoaded) return ready ? ready : Slot(0);
  TkvSkinData* data = MakeSlot(this, *this, aPPI);
  if (data->Initializing) return data;  // being loaded already (a lookup from inside its own load)
  const auto loading = SetForScope(data->Initializing, true);
  try {
    LoadSlot(*this, *data);
  } catch (const ESkinRefused&) {
    // The skin was taken at other densities; at this one it asks for more than a skin may
    // have, so this density is served by slot 0.
    PixelsMade -= data->PixelsMade;
    data->Reset();
    return Slot(0);
  }
  return data;
}

void DuRiruZireziv::ReloadSkin(Integer aPPI) {
  if (!SkinFile || !CommonDataLoaded) return;
  TkvSkinData* data = MakeSlot(this, *this, aPPI);
  const auto loading = SetForScope(data->Initializing, true);
  LoadSlot(*this, *data);
}

void DuRiruZireziv::TakeSkin(TkvSkinSet& fresh) {
  SwapSkin(fresh);
  SkinCommonInfo.Active = Slot(0) && !Slot(0)->gd.empty();
  for (auto& slot : SkinDataArray)
    if (slot) {
      slot->FOwner = this;
      for (auto& md : slot->ma) md.Manager = this;
    }
  Brushes.Make(Palette);
  RegisterSkinFonts(*this);
}

// ---- 5. Queries ------------------------------------------------------------------------------------------

String DuRiruZireziv::GetSkinInfo() const {
  if (!IsActive()) return u"N/A";
  return FloatToStr(SkinCommonInfo.Version);
}

void DuRiruZireziv::GetSkinSections(TStringList& sl, TkvSkinData* skinData) {
  sl.Clear();
  if (!IsActive()) return;
  const TkvSkinData* data = skinData ? skinData : Slot(0);
  if (!data) return;
  for (const auto& s : data->gd) sl.Add(s.ClassName);
}

namespace {

// An error box of the extraction (the error boxes of a load go through ShowSkinNotices).
void ExtractError(DuRiruZireziv& m, const String& text) {
  TkvSkinSet report;
  report.Notices.push_back({TkvSkinNotice::Error, text});
  m.ShowSkinNotices(report);
}

bool FolderExists(const String& dir) {
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::path(std::u16string(dir)), ec);
}

}  // namespace

void DuRiruZireziv::ExtractInternalSkin(const String& nameOfSkin, const String& destDir) {
  bool found = false;
  for (Integer i = 0; i < InternalSkins()->Count(); ++i) {
    if (InternalSkins()->Items(i)->Name() != nameOfSkin) continue;
    found = true;
    if (FolderExists(destDir))
      ExtractByIndex(i, destDir);
    else
      ExtractError(*this, u"Directory does not exists.");
  }
  if (!found) ExtractError(*this, u"Skin does not exists.");
}

void DuRiruZireziv::ExtractByIndex(Integer index, const String& destDir) {
  if (index < 0 || index >= InternalSkins()->Count()) return;
  String dir = destDir;
  if (!dir.empty() && dir.back() != u'\\' && dir.back() != u'/') dir += kvPathDelim;
  std::error_code ec;
  if (!FolderExists(dir) && !std::filesystem::create_directories(std::filesystem::path(std::u16string(dir)), ec)) {
    ExtractError(*this, dir + u" directory creation error.");
    return;
  }
  const TsStoredSkin* skin = InternalSkins()->Items(index);
  TFileStream out(dir + skin->Name() + u" extracted.kpz", fmCreate);
  const std::vector<Byte>& bytes = skin->PackedData->Bytes();
  if (!bytes.empty()) out.WriteBuffer(bytes.data(), Integer(bytes.size()));
}

#ifndef _WIN32
String UserDecimalSeparator() { return u"."; }
void RegisterSkinFonts(TkvSkinSet&) {}      // private fonts are a Windows service
void ReadSystemColors(TkvSystemColors&) {}  // the fixed equivalents stay
bool StartedForPreview() { return false; }

void DuRiruZireziv::ShowSkinNotices(TkvSkinSet& skin) { skin.Notices.clear(); }  // no message boxes here

String DuRiruZireziv::GetFullSkinDirectory() const {
  std::error_code ec;
  String app = Utf8ToString(std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string());
  if (app.empty() || app.back() != u'/') app += u'/';
  return FullSkinDirectory(SkinDirectory(), app);
}
#endif

void DuRiruZireziv::GetLoadSettings(TkvSkinLoadSettings& s) const {
  s.SkinDirectory = GetFullSkinDirectory();
  s.SkinName = SkinName();
  s.Options = static_cast<const TkvOptionValues&>(Options);
  s.Designing = ComponentState().Contains(csDesigning);
  s.CommonSections.clear();
  for (Integer i = 0; i < CommonSections()->Count(); ++i) s.CommonSections.push_back(CommonSections()->Strings(i));
  s.HueOffset = HueOffset();
  s.Saturation = Saturation();
  s.Brightness = Brightness();
  s.ExtendedBorders = GetExtendedBorders();
  s.ExtBordersShadow = ExtBordersMode() == ebmShadow;
  s.PreviewMode = StartedForPreview();
  s.EditorSkinFile = kvEditorSkinFile;
  s.InternalSkins.clear();
  for (Integer i = 0; i < InternalSkins()->Count(); ++i) {
    const TsStoredSkin* item = InternalSkins()->Items(i);
    s.InternalSkins.push_back({item->Name(), item->PackedData.get()});
  }
  ReadSystemColors(s.System);
}
