// TsLabel: the skinned label. It has no window and no skin data of its own: it finds its skin
// manager (its own or the default one) and, with UseSkinColor, draws its caption in the skin's
// text colour over its parent's skinned background; a named SkinSection paints that section
// under the text. Without an active manager it is the class library's label in its font colour.
#pragma once

#ifdef _WIN32

#include "ui/StdCtrls.h"

class DuRiruZireziv;

class TsLabel : public TLabel {
  TW_CLASS(TsLabel, TLabel)
  explicit TsLabel(TComponent* owner);
  ~TsLabel() override;

  DuRiruZireziv* SkinManager() const { return FSkinManager; }
  void SetSkinManager(DuRiruZireziv* value);
  // Its own, else the default manager.
  DuRiruZireziv* GetSkinManager() const;
  const String& SkinSection() const { return FSkinSection; }
  void SetSkinSection(const String& value);
  bool UseSkinColor() const { return FUseSkinColor; }
  void SetUseSkinColor(bool value);
  // Clicks fall through to the control below.
  bool TransparentForMouse() const { return FTransparentForMouse; }
  void SetTransparentForMouse(bool value) { FTransparentForMouse = value; }
  // -1 without an active manager or without SkinSection.
  Integer SkinIndex();
  // The colour the caption is drawn in.
  virtual TColor TextColor();
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void DoDrawText(TRect& r, Cardinal flags) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool ManagerActive() const;
  DuRiruZireziv* FSkinManager = nullptr;
  String FSkinSection;
  Integer FSkinIndex = -1;  // looked up for one paint
  bool FUseSkinColor = true;
  bool FTransparentForMouse = false;
};

#endif
