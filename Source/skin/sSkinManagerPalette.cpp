// The skin's palette of named colours, its recolouring by the manager's hue, saturation and
// brightness settings, and the window shadows of a skin data object.
//
// Recolouring is applied once to each thing it changes: the master bitmap when it is loaded
// (before any PPI slot copies from it), the palette and the common shadow colour when the
// palette is made (once per skin), and each slot's own bitmaps and section colours when that
// slot is loaded. Pieces of the master bitmap a slot copies afterwards carry the tint already.
//
// Sections:
//   1. The palette (MakePalette) and InitSkinParams
//   2. Recolouring: colours, the palette, a slot, the master bitmap
//   3. Window shadows (GetActiveShadow, GetPassiveShadow, CutImageState, ExBorderPicture, CheckShadows)
#include <algorithm>

#include "base/WorkingBitmaps.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/MaskImages.h"
#include "skin/sSkinManagerLoader.h"
#include "ui/IniFiles.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"

// ---- 1. The palette -----------------------------------------------------------------------------

namespace {

TColor AddAlpha(TColor c) { return c | 0xFF000000u; }

}  // namespace

void MakePalette(TkvSkinSet& skin, const TkvSkinData& data) {
  const TMemIniFile* ini = skin.SkinFile;
  const TkvSystemColors& sys = skin.Settings.System;
  TkvPalette& p = skin.Palette;
  const auto rgb = [&](Integer c) { return sys.RGBOf(TColor(c)); };
  const auto plain = [&](StringView key, TColor def) {
    return TColor(IniInteger(ini, u"GLOBALINFO", key, Integer(def)));
  };
  // A 64-bit integer of which the palette keeps the low 32 bits; a text that is no number
  // gives the default, as does an empty one.
  const auto int64 = [&](StringView key, TColor def) {
    const String text = Trim(IniString(ini, u"GLOBALINFO", key));
    Int64 v = 0;
    if (text.empty() || !TryStrToInt64(text, v)) return def;
    return TColor(uint64_t(v) & 0xFFFFFFFFu);
  };
  const auto section = [&](TkvSection s) -> const TsGeneralData* {
    const Integer i = data.GetSkinIndex(kvSectNames[s]);
    return i >= 0 ? &data.gd[size_t(i)] : nullptr;
  };

  p[pcMainColor] = plain(u"COLOR", sys.RGBOf(clBtnFace));
  p[pcLabelText] = plain(u"FONTCOLOR", 0);
  p[pcWebText] = plain(u"TCBOTTOM", 0xFF0000);
  p[pcWebTextHot] = plain(u"TCTOP", 0x0000FF);
  p[pcBorder] = plain(u"BORDERCOLOR", 0);
  if (const TsGeneralData* edit = section(ssEdit)) {
    p[pcEditText] = rgb(edit->Props[0].FontColor.Color);
    p[pcEditBG] = rgb(edit->Props[0].Color);
  } else {
    p[pcEditText] = sys.RGBOf(clWindowText);
    p[pcEditBG] = sys.RGBOf(clWindow);
  }
  if (const TsGeneralData* hint = section(ssHint)) {
    p[pcHintBG] = rgb(hint->Props[0].Color);
    p[pcHintText] = rgb(hint->Props[0].FontColor.Color);
  } else {
    p[pcHintBG] = sys.RGBOf(clInfoBk);
    p[pcHintText] = sys.RGBOf(clInfoText);
  }
  if (const TsGeneralData* sel = section(ssSelection)) {
    const TsGenState& focused = sel->Props[sel->States > 1 ? 1 : 0];
    p[pcSelectionBG_Focused] = TColor(focused.Color);
    p[pcSelectionText_Focused] = TColor(focused.FontColor.Color);
    p[pcSelectionBG] = TColor(sel->Props[0].Color);
    p[pcSelectionText] = TColor(sel->Props[0].FontColor.Color);
  } else {
    p[pcSelectionBG] = p[pcSelectionText] = p[pcSelectionBG_Focused] = p[pcSelectionText_Focused] = TColor(-1);
  }
  if (p[pcSelectionText] == TColor(-1) || p[pcSelectionText] == 0xFF00FF) {
    if (const TsGeneralData* item = section(ssMenuItem)) {
      TColor text = TColor(item->Props[1].FontColor.Color);
      p[pcSelectionBG] = p[pcSelectionBG_Focused] = TColor(item->Props[1].Color);
      text = text == TColor(-1) || text == 0xFF00FF ? sys.RGBOf(clHighlightText) : rgb(Integer(text));
      p[pcSelectionText] = p[pcSelectionText_Focused] = text;
    } else {
      p[pcSelectionText] = p[pcSelectionText_Focused] = sys.RGBOf(clHighlightText);
      p[pcSelectionBG] = p[pcSelectionBG_Focused] = sys.RGBOf(clHighlight);
    }
  }
  p[pcEditText_Ok] = plain(u"EDITTEXT_OK", 0x404000);
  p[pcEditText_Warning] = plain(u"EDITTEXT_WARN", 0x004C4C);
  p[pcEditText_Alert] = p[pcEditText_Caution] = p[pcEditText_Bypassed] = plain(u"EDITTEXT_ALERT", 0x00006C);
  p[pcEditBG_Ok] = plain(u"EDITBG_OK", 0xC9FFD2);
  p[pcEditBG_Warning] = plain(u"EDITBG_WARN", 0xBAFFFF);
  p[pcEditBG_Alert] = p[pcEditBG_Caution] = p[pcEditBG_Bypassed] = plain(u"EDITBG_ALERT", 0xDBDBFF);
  p[pcEditText_Highlight1] = plain(u"EDITTEXT_H1", 0);
  p[pcEditText_Highlight2] = plain(u"EDITTEXT_H2", 0);
  p[pcEditText_Highlight3] = plain(u"EDITTEXT_H3", 0);
  p[pcEditText_Inverted] = plain(u"EDITTEXT_INV", p[pcEditBG]);
  p[pcEditBG_Inverted] = plain(u"EDITBG_INV", p[pcEditText]);
  p[pcEditBG_OddRow] = plain(u"EDITBG_ODD", p[pcEditBG]);
  p[pcEditBG_EvenRow] = plain(u"EDITBG_EVEN", BlendColors(p[pcEditText], p[pcEditBG], 13));
  const TColor main = p[pcMainColor];
  p[pcBtnColor1Active] = int64(u"BTNCOLOR1ACTIVE", AddAlpha(BlendColors(main, 0xFFFFFF, 177)));
  p[pcBtnColor2Active] = int64(u"BTNCOLOR2ACTIVE", AddAlpha(main));
  p[pcBtnBorderActive] = plain(u"BTNBORDERACTIVE", p[pcBorder]);
  p[pcBtnFontActive] = plain(u"BTNFONTACTIVE", p[pcLabelText]);
  p[pcBtnColor1Normal] = int64(u"BTNCOLOR1NORMAL", AddAlpha(main));
  p[pcBtnColor2Normal] = int64(u"BTNCOLOR2NORMAL", AddAlpha(BlendColors(main, 0, 244)));
  p[pcBtnBorderNormal] = plain(u"BTNBORDERNORMAL", p[pcBorder]);
  p[pcBtnFontNormal] = plain(u"BTNFONTNORMAL", p[pcLabelText]);
  p[pcBtnColor1Pressed] = int64(u"BTNCOLOR1PRESSED", AddAlpha(BlendColors(main, 0, 233)));
  p[pcBtnColor2Pressed] = int64(u"BTNCOLOR2PRESSED", AddAlpha(BlendColors(main, 0, 233)));
  p[pcBtnBorderPressed] = plain(u"BTNBORDERPRESSED", p[pcBorder]);
  p[pcBtnFontPressed] = plain(u"BTNFONTPRESSED", p[pcLabelText]);
  p[pcBtnToneRed] = plain(u"COLORTONERED", 0x9E9EFF);
  p[pcBtnToneGreen] = plain(u"COLORTONEGREEN", 0x7BD098);
  p[pcBtnToneBlue] = plain(u"COLORTONEBLUE", 0xFFEDC9);
  p[pcBtnToneYellow] = plain(u"COLORTONEYELLOW", 0xCAF3FF);
  p[pcBtnToneRedActive] = plain(u"COLORTONEREDACTIVE", p[pcBtnToneRed]);
  p[pcBtnToneGreenActive] = plain(u"COLORTONEGREENACTIVE", p[pcBtnToneGreen]);
  p[pcBtnToneBlueActive] = plain(u"COLORTONEBLUEACTIVE", p[pcBtnToneBlue]);
  p[pcBtnToneYellowActive] = plain(u"COLORTONEYELLOWACTIVE", p[pcBtnToneYellow]);
  p[pcBtnRedText] = plain(u"COLORTONEREDTEXT", 0x0000B4);
  p[pcBtnGreenText] = plain(u"COLORTONEGREENTEXT", 0x28851A);
  p[pcBtnBlueText] = plain(u"COLORTONEBLUETEXT", 0xAE7400);
  p[pcBtnYellowText] = plain(u"COLORTONEYELLOWTEXT", 0x0079B5);
  p[pcBtnRedTextActive] = plain(u"COLORTONEREDTEXTACTIVE", p[pcBtnRedText]);
  p[pcBtnGreenTextActive] = plain(u"COLORTONEGREENTEXTACTIVE", p[pcBtnGreenText]);
  p[pcBtnBlueTextActive] = plain(u"COLORTONEBLUETEXTActive", p[pcBtnBlueText]);
  p[pcBtnYellowTextActive] = plain(u"COLORTONEYELLOWTEXTActive", p[pcBtnYellowText]);
  p[pcGrid] = plain(u"GRIDLINE", TColor(-1));
  if (p[pcGrid] == TColor(-1)) p[pcGrid] = BlendColors(p[pcEditText], p[pcEditBG], 30);
}

void DuRiruZireziv::InitSkinParams(TkvSkinSet& skin, Integer aPPI) {
  const TkvSkinData* slot0 = skin.Slot(0);
  if (!skin.PaletteLoaded && slot0) {
    MakePalette(skin, *slot0);
    RecolourPalette(skin);
    skin.PaletteLoaded = true;
  }
  for (auto& slot : skin.SkinDataArray)
    if (slot && slot->PPI == aPPI) RecolourSlot(skin, *slot);
}

// ---- 2. Recolouring -----------------------------------------------------------------------------------

namespace {

// The palette entries recolouring changes.
constexpr TkvPaletteColors kChangeableColors[] = {pcMainColor,
                                                  pcLabelText,
                                                  pcWebText,
                                                  pcEditText,
                                                  pcEditBG,
                                                  pcSelectionBG,
                                                  pcSelectionText,
                                                  pcSelectionBG_Focused,
                                                  pcSelectionText_Focused,
                                                  pcEditBG_Inverted,
                                                  pcEditText_Inverted,
                                                  pcEditBG_OddRow,
                                                  pcEditBG_EvenRow,
                                                  pcBtnColor1Active,
                                                  pcBtnColor2Active,
                                                  pcBtnBorderActive,
                                                  pcBtnFontActive,
                                                  pcBtnColor1Normal,
                                                  pcBtnColor2Normal,
                                                  pcBtnBorderNormal,
                                                  pcBtnFontNormal,
                                                  pcBtnColor1Pressed,
                                                  pcBtnColor2Pressed,
                                                  pcBtnBorderPressed,
                                                  pcBtnFontPressed,
                                                  pcBorder,
                                                  pcGrid,
                                                  pcHintBG,
                                                  pcHintText};
static_assert(std::size(kChangeableColors) == 29);

using TColorChange = TColor (*)(TColor, Integer);
TColor HueOf(TColor c, Integer v) { return ChangeHue(v, c); }
TColor SaturationOf(TColor c, Integer v) { return ChangeSaturation(c, v); }
TColor BrightnessOf(TColor c, Integer v) { return ChangeBrightness(c, v); }

// A colour value changed in its three colour bytes; its high byte (an alpha) stays.
TColor Changed(TColor c, TColorChange change, Integer v) {
  return (change(c & 0xFFFFFF, v) & 0xFFFFFF) | (c & 0xFF000000u);
}

// The colours of every state of every section: -1 (none) stays, so does a border colour
// 0xFF00FF (no border line), and so do system colours, which are not RGB values.
void ChangeSectionColors(TkvSkinData& d, TColorChange change, Integer v) {
  const auto one = [&](Integer& c, bool isBorder = false) {
    if (c == -1 || (isBorder && c == 0xFF00FF) || c < 0) return;
    c = Integer(Changed(TColor(c), change, v));
  };
  for (auto& s : d.gd)
    for (auto& p : s.Props) {
      one(p.Color);
      one(p.GlowColor);
      one(p.LightColor);
      one(p.FontColor.Color);
      one(p.FontColor.Left);
      one(p.FontColor.Top);
      one(p.FontColor.Right);
      one(p.FontColor.Bottom);
      one(p.BorderColor, true);
      for (auto& g : p.GradientArray) g.Color.C = Integer(Changed(TColor(g.Color.C), change, v));
    }
}

Integer SaturationAmount(Integer value) { return std::clamp(value * 255 / 100, -255, 255); }

// The names of the caption glyphs that keep their hue under BIKeepHUE.
std::vector<const Char*> KeptGlyphNames(Integer keepHue) {
  std::vector<const Char*> names{u"BICONCLOSE", u"BICLOSEALONE", u"SICONCLOSE"};
  if (keepHue == 1)
    for (const Char* n : {u"BICONMAX", u"BICONMIN", u"BICONNORM", u"BICONHELP", u"SICONMAX", u"SICONMIN", u"SICONNORM"})
      names.push_back(n);
  return names;
}

// Every image reference of the skin text that lies in the master bitmap, with its key and section.
struct TMasterPiece {
  String Section, Key;
  TkvImageRef Ref;
};
std::vector<TMasterPiece> MasterPieces(const TkvSkinSet& skin) {
  std::vector<TMasterPiece> out;
  const TMemIniFile* ini = skin.SkinFile;
  if (!ini) return out;
  TStringList sections, keys;
  ini->ReadSections(sections);
  for (Integer i = 0; i < sections.Count(); ++i) {
    keys.Clear();
    ini->ReadSection(sections[i], keys);
    for (Integer k = 0; k < keys.Count(); ++k) {
      const String value = UpperCase(ini->ReadString(sections[i], keys[k], String()));
      if (!IsImageValue(value) || keys[k] == u"MASTERBITMAP") continue;
      TMasterPiece piece{sections[i], keys[k], {}};
      try {
        if (!ParseImageRef(ConvertSkinStr(value), piece.Ref) || !piece.Ref.FileName.empty()) continue;
      } catch (const EConvertError&) { continue; }
      out.push_back(std::move(piece));
    }
  }
  return out;
}

// Whether a key of "GLOBALINFO" is one of the names or a per-scale variant of one.
bool IsKeptKey(const String& key, const std::vector<const Char*>& names) {
  for (const Char* n : names)
    for (const Char* sfx : aSfxs)
      if (key == String(n) + sfx) return true;
  return false;
}

}  // namespace

void RecolourPalette(TkvSkinSet& skin) {
  const TkvSkinLoadSettings& s = skin.Settings;
  const auto apply = [&](TColorChange change, Integer v) {
    skin.SkinCommonInfo.Shadow1Color = Changed(skin.SkinCommonInfo.Shadow1Color, change, v);
    for (const auto c : kChangeableColors) skin.Palette[c] = Changed(skin.Palette[c], change, v);
  };
  if (s.HueOffset != 0) apply(HueOf, s.HueOffset);
  if (s.Saturation != 0) apply(SaturationOf, SaturationAmount(s.Saturation));
}

void RecolourSlot(TkvSkinSet& skin, TkvSkinData& d) {
  const TkvSkinLoadSettings& s = skin.Settings;
  // Bitmaps of this slot that do not carry the master's tint already.
  const auto own = [&](const TkvBmpData& e) { return e.Bmp && !e.Tinted; };
  if (s.HueOffset != 0) {
    std::vector<const TBitmap*> keep;
    const Integer keepHue = skin.SkinCommonInfo.BIKeepHUE;
    if (keepHue > 0) {
      const Integer global = d.GetSkinIndex(u"GLOBALINFO");
      for (const Char* name : KeptGlyphNames(keepHue)) {
        const Integer i = d.GetMaskIndex(global, name);
        if (i >= 0 && d.ma[size_t(i)].Bmp) keep.push_back(d.ma[size_t(i)].Bmp);
      }
    }
    for (auto& e : d.BmpArray)
      if (own(e) && std::find(keep.begin(), keep.end(), e.Bmp.get()) == keep.end())
        ChangeBitmapPixels(e.Bmp.get(), ChangeColorHUE, s.HueOffset, TColor(sFuchsia));
    ChangeSectionColors(d, HueOf, s.HueOffset);
  }
  if (s.Saturation != 0) {
    const Integer amount = SaturationAmount(s.Saturation);
    for (auto& e : d.BmpArray)
      if (own(e)) ChangeBitmapPixels(e.Bmp.get(), ChangeColorSaturation, amount, TColor(sFuchsia));
    ChangeSectionColors(d, SaturationOf, amount);
  }
  if (s.Brightness != 0) {
    for (auto& e : d.BmpArray) {
      if (!own(e)) continue;
      TBitmap* bmp = e.Bmp.get();
      if (e.MaskType != 0) {
        // The mask half keeps its values.
        const Integer half = bmp->Height() / 2;
        std::unique_ptr<TBitmap> saved(CreateBmp32(bmp->Width(), bmp->Height() - half));
        CopyPixels(ViewOf(saved.get()), 0, 0, ViewOf(bmp), TRect(0, half, bmp->Width(), bmp->Height()));
        ChangeBitmapPixels(bmp, ChangeColorBrightness, s.Brightness, TColor(sFuchsia));
        CopyPixels(ViewOf(bmp), 0, half, ViewOf(saved.get()), TRect(0, 0, saved->Width(), saved->Height()));
      } else {
        ChangeBitmapPixels(bmp, ChangeColorBrightness, s.Brightness, TColor(sFuchsia));
        if (s.Brightness > 0 && e.FileName.find(u".PNG") != String::npos) UpdateAlpha(bmp);
      }
    }
    ChangeSectionColors(d, BrightnessOf, s.Brightness);
  }
}

void RecolourMaster(TkvSkinSet& skin) {
  const TkvSkinLoadSettings& s = skin.Settings;
  TBitmap* master = skin.MasterBitmap.get();
  if (!master || master->Empty() || (s.HueOffset == 0 && s.Saturation == 0 && s.Brightness == 0)) return;
  const std::vector<TMasterPiece> pieces = MasterPieces(skin);
  if (s.HueOffset != 0) {
    const Integer keepHue = skin.SkinCommonInfo.BIKeepHUE;
    if (keepHue > 0) {
      // The kept caption glyphs of every scale keep their pixels.
      std::unique_ptr<TBitmap> tinted(CreateBmp32(master->Width(), master->Height()));
      CopyPixels(ViewOf(tinted.get()), 0, 0, ViewOf(master), TRect(0, 0, master->Width(), master->Height()));
      ChangeBitmapPixels(tinted.get(), ChangeColorHUE, s.HueOffset, TColor(sFuchsia));
      std::vector<TRect> kept;
      const auto names = KeptGlyphNames(keepHue);
      for (const auto& p : pieces)
        if (p.Section == u"GLOBALINFO" && IsKeptKey(p.Key, names)) kept.push_back(p.Ref.R);
      const TPixelView dst = ViewOf(master), src = ViewOf(tinted.get());
      for (Integer y = 0; y < dst.Height; ++y)
        for (Integer x = 0; x < dst.Width; ++x) {
          bool excluded = false;
          for (const TRect& r : kept)
            if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) {
              excluded = true;
              break;
            }
          if (!excluded) dst.At(x, y) = src.At(x, y);
        }
    } else {
      ChangeBitmapPixels(master, ChangeColorHUE, s.HueOffset, TColor(sFuchsia));
    }
  }
  if (s.Saturation != 0)
    ChangeBitmapPixels(master, ChangeColorSaturation, SaturationAmount(s.Saturation), TColor(sFuchsia));
  if (s.Brightness != 0) {
    std::unique_ptr<TBitmap> before(CreateBmp32(master->Width(), master->Height()));
    CopyPixels(ViewOf(before.get()), 0, 0, ViewOf(master), TRect(0, 0, master->Width(), master->Height()));
    ChangeBitmapPixels(master, ChangeColorBrightness, s.Brightness, TColor(sFuchsia));
    // Mask halves of the master's pieces keep their values.
    for (const auto& p : pieces) {
      if (p.Ref.MaskType != 1) continue;
      const TRect& r = p.Ref.R;
      const Integer half = r.Height() / 2;
      CopyPixels(ViewOf(master), r.Left, r.Top + half, ViewOf(before.get()),
                 TRect(r.Left, r.Top + half, r.Right, r.Bottom));
    }
  }
}

// ---- 3. Window shadows ------------------------------------------------------------------------------------

TBitmap* TkvSkinData::GetActiveShadow() {
  if (!rsta)
    rsta = MakeShadowBitmap(WndShadowColorA, WndShadowRadius, WndShadowOffset, 2 * WndShadowSize, 2 * WndShadowSize, 0,
                            false, true);
  return rsta.get();
}

TBitmap* TkvSkinData::GetPassiveShadow() {
  if (!rsti)
    rsti = MakeShadowBitmap(WndShadowColorN, WndShadowRadius, WndShadowOffset, 2 * WndShadowSize, 2 * WndShadowSize, 0,
                            false, true);
  return rsti.get();
}

namespace {

std::unique_ptr<TBitmap> CopyOf(TBitmap* src) {
  std::unique_ptr<TBitmap> out(CreateBmp32(src ? src->Width() : 0, src ? src->Height() : 0));
  if (src) CopyPixels(ViewOf(out.get()), 0, 0, ViewOf(src), TRect(0, 0, src->Width(), src->Height()));
  return out;
}

}  // namespace

std::unique_ptr<TBitmap> TkvSkinData::CutImageState(const TsMaskData& md, Integer state) const {
  const Integer w = std::max<Integer>(0, md.Width), h = std::max<Integer>(0, md.Height);
  std::unique_ptr<TBitmap> out(CreateBmp32(w, h));
  // Loaded data take the pixels from the skin they were loaded from: while a skin loads, the
  // image's manager still holds the previous master bitmap. Data made by hand have no skin;
  // their images lie in their manager's.
  TBitmap* own = BitmapOf(md);
  const TPixelView src = own ? ViewOf(own) : MaskImageOf(md).Src;
  const Integer left = md.R.Left + state * w;
  CopyPixels(ViewOf(out.get()), 0, 0, src, TRect(left, md.R.Top, left + w, md.R.Top + h));
  return out;
}

TBitmap* TkvSkinData::ExBorderPicture(bool active) {
  if (ExBorder < 0 || ExBorder >= Integer(ma.size())) return nullptr;
  if (exBorderPicturesOf_ != ExBorder) {
    const TsMaskData& md = ma[size_t(ExBorder)];
    exBorderPictures_[0] = CutImageState(md, 0);
    exBorderPictures_[1] = md.ImageCount > 1 ? CutImageState(md, 1) : nullptr;
    exBorderPicturesOf_ = ExBorder;
  }
  return exBorderPictures_[active && exBorderPictures_[1] ? 1 : 0].get();
}

void TkvSkinData::DropExBorderPictures() {
  exBorderPictures_[0].reset();
  exBorderPictures_[1].reset();
  exBorderPicturesOf_ = -1;
}

void TkvSkinData::CheckShadows() {
  // A change of the border mode may have changed the image's place or its pixels' source.
  DropExBorderPictures();
  if (!Skin || !Skin->Settings.ExtendedBorders || gd.empty()) {
    FormShadowSize = TRect();
    return;
  }
  ShdaTemplate.reset();
  ShdiTemplate.reset();
  if (ExBorder >= 0 && ExBorder < Integer(ma.size()) && !Skin->Settings.ExtBordersShadow) {
    const TsMaskData& md = ma[size_t(ExBorder)];
    if (ExDrawMode != 0)
      FormShadowSize = TRect(ExContentOffs, ExContentOffs, ExContentOffs, ExContentOffs);
    else
      FormShadowSize = TRect(std::max(0, md.WL - ExContentOffs), std::max(0, md.WT - ExContentOffs),
                             std::max(0, md.WR - ExContentOffs), std::max(0, md.WB - ExContentOffs));
    // The templates are the image's states, from its own bitmap or from its place in the master
    // bitmap; the form painter draws from the kept pictures themselves.
    ShdiTemplate = CopyOf(ExBorderPicture(false));
    ShdaTemplate = CopyOf(ExBorderPicture(true));
    return;
  }
  ShdaTemplate = CopyOf(GetActiveShadow());
  ShdiTemplate = CopyOf(GetPassiveShadow());
  FormShadowSize = TRect(WndShadowSize, std::max(0, WndShadowSize - WndShadowOffset), WndShadowSize,
                         std::max(0, WndShadowSize + WndShadowOffset));
}
