// Wrappers of grids and virtual trees: controls that draw their cells, titles and headers
// themselves with colours kept in published properties. The wrappers write skin colours into
// those properties, found by name (nested objects by a dotted path), and write the control's own
// values back when the skin goes. A property a control lacks is skipped.
#pragma once
#ifdef _WIN32

#include <map>

#include "ui/Events.h"
#include "wrappers/kvSBUtilsEdit.h"

class TCanvas;

// What a virtual tree passes to its header-draw event.
struct THeaderPaintInfo {
  TCanvas* TargetCanvas = nullptr;
  TObject* Column = nullptr;  // null for the area right of the columns
  TRect PaintRectangle;
  TRect TextRectangle;
  bool IsHoverIndex = false;
  bool IsDownIndex = false;
  bool IsEnabled = true;
  bool ShowHeaderGlyph = false;
  bool ShowSortGlyph = false;
  bool ShowRightBorder = false;
  Integer DropMark = 0;
  TPoint GlyphPos;
  TPoint SortGlyphPos;
};

// Header paint elements (bits).
constexpr Integer hpeBackground = 1, hpeDropMark = 2, hpeHeaderGlyph = 4, hpeSortGlyph = 8, hpeText = 16;

using TkvAdvancedHeaderPaintEvent = TEvent<void(TObject* Sender, THeaderPaintInfo& PaintInfo, Integer Elements)>;
using TkvHeaderPaintQueryElementsEvent = TEvent<void(TObject* Sender, THeaderPaintInfo& PaintInfo, Integer& Elements)>;

// Published ordinal properties of an object reached by dotted paths ("GridStyle.Title.StartColor"),
// each path with its own saved value; a value is written back only when the wrapper changed it.
class TkvPropertySaver {
 public:
  // The object holding the last name of path and that name; null object when a link is missing.
  static std::pair<TObject*, String> Resolve(TObject* root, StringView path);
  static bool Has(TObject* root, StringView path);
  // Remembers the property's value (with noColor replaced by substitute); False when missing.
  bool Save(TObject* root, StringView path, Int64 noColor = -1, Int64 substitute = 0);
  // The saved value; False when the path was not saved.
  bool Saved(StringView path, Int64& value) const;
  // Writes value when the property exists, marking the path changed.
  bool Write(TObject* root, StringView path, Int64 value);
  // Writes back every changed path that was saved; the marks go.
  void Restore(TObject* root);
  bool Changed(StringView path) const { return changed_.count(String(path)) != 0; }
  void Clear() {
    saved_.clear();
    changed_.clear();
  }

 private:
  std::map<String, Int64> saved_;
  std::map<String, bool> changed_;
};

class TkvGridWnd : public TkvEditWnd {
  TW_CLASS(TkvGridWnd, TkvEditWnd)
  void SaveStdParams() override;
  void RestoreStdParams() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;
  bool KeepsTheme() const override { return true; }

  TkvPropertySaver Props;

 protected:
  bool RestoreAllowed();
  // The control's own painting of its cells into a bitmap with the skinned frame and bars,
  // copied to the print DC.
  void PrintGrid(TMessage& message);
};

class TkvGridEhWnd : public TkvGridWnd {
  TW_CLASS(TkvGridEhWnd, TkvGridWnd)
  void SaveStdParams() override;
  void RestoreStdParams() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;

  bool Fixed3D = false;
  bool Fixed3DSaved = false;
  bool Fixed3DChanged = false;
};

class TkvVirtualTreeViewWnd : public TkvEditWnd {
  TW_CLASS(TkvVirtualTreeViewWnd, TkvEditWnd)
  void SaveStdParams() override;
  void RestoreStdParams() override;
  void InitSkinData() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;
  bool KeepsTheme() const override { return true; }

  void AdvancedHeaderDraw(TObject* sender, THeaderPaintInfo& paintInfo, Integer elements);
  void HeaderDrawQueryElements(TObject* sender, THeaderPaintInfo& paintInfo, Integer& elements);

  TkvPropertySaver Props;

 private:
  // The frame width the skin paints: the section's border width without a border image, else
  // that of the window's border style.
  Integer FrameWidth();
  void PaintTreeFrame(TMessage& message);
  void PrintTree(TMessage& message);

 public:
  bool OwnerDraw = false;
  bool OwnerDrawSaved = false;
  bool HeaderDrawInstalled = false;
  bool QueryInstalled = false;
};

#endif
