// TForm3: the update notice window. It has no code of its own: the parse request shows it
// modally when the service asks for a login; closing it only hides it.
#pragma once

#ifdef _WIN32

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TForm3 : public TForm {
  TW_CLASS(TForm3, TForm)
  using TForm::TForm;

  TImage* img1 = nullptr;
  TLabel* lbl1 = nullptr;
  TLabel* lbl2 = nullptr;
  TLabel* lbl3 = nullptr;
  TLabel* lbl4 = nullptr;
  TLabel* lbl5 = nullptr;
};

extern TForm3* Form3;

#endif
