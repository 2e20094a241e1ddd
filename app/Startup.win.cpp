#include "app/Startup.h"

#include <windows.h>

#include "app/GzForm.h"
#include "app/MainForm.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sLabel.h"
#include "engine/EngineStartup.h"
#include "skin/sSkinManager.h"
#include "ui/FormReader.h"
#include "ui/Jpeg.h"

void RegisterTarnwickClasses() {
  RegisterLibraryClasses();
  RegisterClass<TsLabel>();
  RegisterClass<TsEdit>();
  RegisterClass<TsButton>();
  RegisterClass<TsProgressBar>();
  RegisterClass<DuRiruZireziv>();
  RegisterJPEGImage();
}

int RunTarnwick() {
  try {
    StartEngine();
  } catch (const EEngineStart& e) {
    // No window can be skinned: the program says why and ends instead of running unskinned.
    MessageBoxW(nullptr, WideStr(e.Message()), L"Tarnwick", MB_OK | MB_ICONERROR);
    return 1;
  }
  RegisterTarnwickClasses();
  int code = 0;
  {
    TApplication app;
    app.Initialize();
    app.SetMainFormOnTaskbar(true);
    try {
      app.CreateForm(Form1);
      app.CreateForm(Form3);
      app.Run();
    } catch (const std::exception& e) {
      // A form that cannot be made ends the program after saying why.
      app.ShowException(&e);
      code = 1;
    }
  }
  StopEngine();
  return code;
}
