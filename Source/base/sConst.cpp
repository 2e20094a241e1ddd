#include "base/sConst.h"

#include "base/EngineState.h"

// The global switches are references into the engine's state records.
Integer& ExceptTag = kvSettings.ExceptTag;
bool& kvDialogPosIsCenter = kvSettings.kvDialogPosIsCenter;
bool& kvIgnoreMenuOwnerDraw = kvSettings.kvIgnoreMenuOwnerDraw;
bool& kvHtmlStdBreak = kvSettings.kvHtmlStdBreak;
Integer& kvScrollBtnLength = kvSettings.kvScrollBtnLength;
Integer& kvArrowSize = kvSettings.kvArrowSize;
Integer& kvLineWidth = kvSettings.kvLineWidth;
Char& cMenuCaption = kvSettings.cMenuCaption;
bool& kv_UseSysCharSet = kvSettings.kv_UseSysCharSet;
bool& kv_KeepOwnFont = kvSettings.kv_KeepOwnFont;
bool& kv_OldGlyphsMode = kvSettings.kv_OldGlyphsMode;
bool& DrawSkinnedMDIWall = kvSettings.DrawSkinnedMDIWall;
bool& DrawSkinnedMDIScrolls = kvSettings.DrawSkinnedMDIScrolls;
Integer& kv_DialogsLevel = kvSettings.kv_DialogsLevel;
bool& kv_ChangeThumbPreviews = kvSettings.kv_ChangeThumbPreviews;
bool& kv_AllowHotEdits = kvSettings.kv_AllowHotEdits;
TkvBlendFunction& DefBlend = kvSettings.DefBlend;
bool& kvPngFirst = kvSettings.kvPngFirst;
bool& kvAllowLatestCommonDialogs = kvSettings.kvAllowLatestCommonDialogs;
bool& kvTryToSkinCommonDialogs = kvSettings.kvTryToSkinCommonDialogs;
Byte& DefBlendDisabled = kvSettings.DefBlendDisabled;
Integer& DefDisabledSaturation = kvSettings.DefDisabledSaturation;

bool& x64woAero = kvSystem.x64woAero;
String& kvs_CloseStr = kvSystem.kvs_CloseStr;
String& kvs_RestoreStr = kvSystem.kvs_RestoreStr;
String& kvs_SizeStr = kvSystem.kvs_SizeStr;
String& kvs_MoveStr = kvSystem.kvs_MoveStr;
String& kvs_MaximizeStr = kvSystem.kvs_MaximizeStr;
String& kvs_MinimizeStr = kvSystem.kvs_MinimizeStr;
String& kvs_AvailSkins = kvSystem.kvs_AvailSkins;
String& kvs_InternalSkin = kvSystem.kvs_InternalSkin;
String& kvs_FrameAdapterError1 = kvSystem.kvs_FrameAdapterError1;

Integer& SysPopupCount = kvRunState.SysPopupCount;
bool& kvPreviewNeeded = kvRunState.kvPreviewNeeded;
bool& kvSkinPreviewUpdating = kvRunState.kvSkinPreviewUpdating;
Integer& kvAnimCount = kvRunState.kvAnimCount;
bool& ShowHintStored = kvRunState.ShowHintStored;
bool& AppShowHint = kvRunState.AppShowHint;
bool& FadingForbidden = kvRunState.FadingForbidden;
TControl*& TempControl = kvRunState.TempControl;
bool& fGlobalFlag = kvRunState.fGlobalFlag;
TForm*& kvMagnForm = kvRunState.kvMagnForm;
TkvScaleMode& kvCurrentScaleMode = kvRunState.kvCurrentScaleMode;
