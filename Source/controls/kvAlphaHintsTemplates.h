// Hint templates: the look of an unskinned alpha hint (a font and one to four 32-bit pictures
// cut into nine parts around the text, with the sizes of their borders, drop shadow and text
// margins), and the hint template file that stores one template.
//
// Sections: size and draw-mode sets; images; templates and their collection; the file.
//
// The file (all integers 32-bit little-endian, signed):
//   "KPhh", count char ('1': up to four pictures, '0': one), font colour, font size (points),
//   style bits (1 bold, 2 italic, 4 underline, 8 strike-out), N, N bytes of font name in the
//   system code page, then picture blocks: ImageDefault, then Img_RightTop, Img_RightBottom,
//   Img_LeftBottom when the count is '1' and bytes are left.
//   Picture block: 5 draw-mode bytes (top, left, right, bottom, centre), border widths,
//   client margins and shadow sizes (top, left, right, bottom each), kind char ('1' PNG,
//   '0' BMP), M, M bytes of the picture file.
// N counts bytes (older writers counted characters, which differs for double-byte names).
//
// The reader is for untrusted files: it parses into a template of its own and hands it over
// only when the whole file was good; it rejects lengths beyond the file or the limits below
// and clamps the sizes it reads to what a hint can use.
#pragma once

#include <memory>
#include <string>

#include "images/kvPNG.h"
#include "ui/Classes.h"
#include "ui/Graphics.h"
#include "ui/Streams.h"

// ---- limits of the template file reader ----------------------------------------------------
constexpr Integer kvHintFileMaxNameBytes = 64;          // LF_FACESIZE characters, double-byte
constexpr Integer kvHintFileMaxPictureBytes = 8 << 20;  // one picture file
constexpr Integer kvHintFileMaxPictureSide = 1024;      // pixels of a decoded template picture
constexpr Integer kvHintMaxInset = 1024;                // |margin|, |shadow| and |offset| in pixels

class TkvHintImage;
class TkvHintTemplate;
class TkvHintTemplates;

enum TkvBorderDrawMode : Byte { dmRepeat = 0, dmStretch = 1 };
enum TkvHintAlign { haHorzCenter = 0, haVertCenter = 1 };

// Four sizes of an image; indexes Top 0, Left 1, Bottom 2, Right 3. A negative value is kept
// as stored and reads as 0.
class TkvBordersSizes : public TPersistent {
  TW_CLASS(TkvBordersSizes, TPersistent)
  explicit TkvBordersSizes(TkvHintImage* owner = nullptr) : FOwner(owner) {}
  Integer Get(Integer index) const;
  void Set(Integer index, Integer value);  // reports a change when it differs
  Integer Top() const { return Get(0); }
  Integer Left() const { return Get(1); }
  Integer Bottom() const { return Get(2); }
  Integer Right() const { return Get(3); }
  void SetValues(Integer left, Integer top, Integer right, Integer bottom);
  void Assign(const TPersistent* source) override;

  Integer FTop = 0, FLeft = 0, FRight = 0, FBottom = 0;
  TkvHintImage* FOwner;
};

// How edges and centre fill their length; indexes Top 0, Left 1, Bottom 2, Right 3, Center 4.
class TkvBorderDrawModes : public TPersistent {
  TW_CLASS(TkvBorderDrawModes, TPersistent)
  explicit TkvBorderDrawModes(TkvHintImage* owner = nullptr) : FOwner(owner) {}
  TkvBorderDrawMode Get(Integer index) const;
  void SetDrawMode(Integer index, TkvBorderDrawMode value);
  void Assign(const TPersistent* source) override;

  TkvBorderDrawMode FTop = dmStretch, FLeft = dmStretch, FRight = dmStretch, FCenter = dmStretch, FBottom = dmStretch;
  TkvHintImage* FOwner;
};

class TkvHintImage : public TPersistent {
  TW_CLASS(TkvHintImage, TPersistent)
  explicit TkvHintImage(TkvHintTemplate* owner = nullptr);
  ~TkvHintImage() override;

  Integer OffsetHorz() const { return FOffsetHorz; }
  Integer OffsetVert() const { return FOffsetVert; }
  void SetOffsetHorz(Integer v);
  void SetOffsetVert(Integer v);
  Integer ImageWidth() const { return FImage->Empty() ? 0 : FImage->Width(); }
  Integer ImageHeight() const { return FImage->Empty() ? 0 : FImage->Height(); }
  TPNGGraphic* Image() const { return FImage.get(); }
  // Assigns the picture, cuts it into nine parts (ImageChanged) and reports a change.
  void SetImage(const TBitmap* picture);
  // The left and right border widths and client margins become (W - 1) div 2, the top and
  // bottom ones (H - 1) div 2: a nine-part frame around a centre of one or two pixels.
  void ImageChanged();
  // Decodes non-empty PNG data into the picture and reports a change.
  void StreamChanged();
  bool HasImageData() const { return FImageData->GetSize() > 0; }
  TMemoryStream* ImageData() const { return FImageData.get(); }
  // Neither PNG data nor a picture.
  bool IsEmpty() const { return !HasImageData() && FImage->Empty(); }
  void Assign(const TPersistent* source) override;
  void ReportChange();
  // The stored form: "ImgData" holds the PNG file; the picture itself is stored only while
  // there is none.
  void ReadData(TStream& reader);
  void WriteData(TStream& writer) const;
  bool BitmapStored() const { return !HasImageData(); }
  TBitmap* Picture() const { return FImage.get(); }
  void SetPicture(TBitmap* picture) { SetImage(picture); }
  TkvBordersSizes* ShadowSizes() const { return FShadowSizes.get(); }
  TkvBordersSizes* ClientMargins() const { return FClientMargins.get(); }
  TkvBordersSizes* BordersWidths() const { return FBordersWidths.get(); }
  TkvBorderDrawModes* BorderDrawModes() const { return FBorderDrawModes.get(); }

  Integer FOffsetHorz = 0, FOffsetVert = 0;
  std::unique_ptr<TkvBordersSizes> FShadowSizes, FClientMargins, FBordersWidths;
  std::unique_ptr<TkvBorderDrawModes> FBorderDrawModes;
  std::unique_ptr<TPNGGraphic> FImage;
  TkvHintTemplate* FOwner;
  std::unique_ptr<TMemoryStream> FImageData;
};

class TkvHintTemplate : public TCollectionItem {
  TW_CLASS(TkvHintTemplate, TCollectionItem)
  // collection: nullptr for a template of its own (the default template, a file being read).
  explicit TkvHintTemplate(TCollection* collection = nullptr);
  ~TkvHintTemplate() override;

  // Index 0 ImageDefault, 1 Img_LeftBottom, 2 Img_RightBottom, 3 Img_RightTop.
  TkvHintImage* HintImage(Integer index) const;
  void SetHintImage(Integer index, const TkvHintImage* value);
  TkvHintImage* ImageDefault() const { return FImageDefault.get(); }
  TkvHintImage* Img_LeftBottom() const { return FImageLeftBottom.get(); }
  TkvHintImage* Img_RightBottom() const { return FImageRightBottom.get(); }
  TkvHintImage* Img_RightTop() const { return FImageRightTop.get(); }
  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* font);
  const String& Name() const { return FName; }
  void SetName(const String& name) { FName = name; }
  TkvHintAlign HintAlign() const { return FHintAlign; }
  void SetHintAlign(TkvHintAlign v) { FHintAlign = v; }
  // Img_LeftBottom holds neither PNG data nor a picture: ImageDefault serves every position.
  bool SingleImageUsed() const { return FImageLeftBottom->IsEmpty(); }
  String DisplayName() const override { return FName.empty() ? TCollectionItem::DisplayName() : FName; }
  void Assign(const TPersistent* source) override;
  // Reaches the component that owns the collection, when there is one.
  void ReportChange();

  std::unique_ptr<TkvHintImage> FImageDefault, FImageRightTop, FImageLeftBottom, FImageRightBottom;
  std::unique_ptr<TFont> FFont;
  String FName;
  TkvHintAlign FHintAlign = haHorzCenter;
};

class TkvHintTemplates : public TCollection {
  TW_CLASS(TkvHintTemplates, TCollection)
  // onChange: the owner's change report (the alpha hints component's Changed).
  explicit TkvHintTemplates(TPersistent* owner = nullptr, TNotifyEvent onChange = {});
  TkvHintTemplate* Items(Integer index) const { return ItemsAs<TkvHintTemplate>(index); }
  TkvHintTemplate* Add() { return static_cast<TkvHintTemplate*>(TCollection::Add()); }
  // The first template whose name equals name without regard to case; -1.
  Integer IndexOfName(const String& name) const;
  // Decodes the PNG data of every picture (after the templates were read from a description).
  void DecodePictures();
  void Changed() { FOnChange.Call(Owner()); }

  TNotifyEvent FOnChange;
};

// ---- the template file ----------------------------------------------------------------------

// The font name as the file stores it (system code page) and back; the byte count is what the
// file's length field holds. A name is cut at a whole character to kvHintFileMaxNameBytes.
std::string HintFontNameToBytes(const String& name);
String HintFontNameFromBytes(const std::string& bytes);

enum class TkvHintFileResult { Ok, UnknownFormat, Malformed };

// Reads a hint template file from the stream's start into a fresh template (not in any
// collection); the caller receives it only on Ok. Malformed: a length beyond the file or the
// limits, a picture that does not decode, a file cut short.
TkvHintFileResult ReadHintTemplate(TStream& stream, std::unique_ptr<TkvHintTemplate>& result);
// Writes the template as a hint template file at the stream's position: ImageDefault, and the
// other three pictures unless SingleImageUsed. A PNG picture is written back byte for byte,
// any other as a BMP file (32-bit pictures with their alpha).
void WriteHintTemplate(const TkvHintTemplate& tpl, TStream& stream);

// The name LoadFromFile gives a template: the file name without folder and without everything
// from its first '.' ("C:\hints\Glossy.blue.hint" -> "Glossy").
String HintTemplateNameOfFile(const String& fileName);

// The default template of the program: the resource picture with its border widths 11, 10,
// 14, 15, shadow sizes 6, 5, 7, 8 and client margins 11, 8, 16, 15 (left, top, right, bottom).
void SetDefaultHintTemplateSizes(TkvHintTemplate& tpl);

#ifdef _WIN32
// The template built at start-up from the program's picture resource "KVHINT"; used whenever
// the hints component names no template of its own. Null before the start-up step.
TkvHintTemplate* DefaultTemplate();
// Start-up: builds the default template; clean-up frees it.
void kvAlphaHintsStartup();
void kvAlphaHintsCleanup();

// Reads a hint template file into a new template appended to templates and answers it. A
// stream that is no template file shows the error box "Unknown file format" and answers
// nullptr; a damaged one raises EReadError. Either way templates is left as it was.
TkvHintTemplate* LoadHintTemplateFromStream(TkvHintTemplates& templates, TStream& stream);
// The same from a file read whole; the template is named after the file.
TkvHintTemplate* LoadHintTemplateFromFile(TkvHintTemplates& templates, const String& fileName);
// Writes the template to a temporary file beside fileName and puts it in the place of an
// existing file only when it is whole: a failed save leaves the old file as it was.
void SaveHintTemplateToFile(const TkvHintTemplate& tpl, const String& fileName);
#endif
