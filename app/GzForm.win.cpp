#include "app/GzForm.h"

TForm3* Form3 = nullptr;

TW_DEFINE_CLASS(TForm3) {
  b.Field(u"img1", &TForm3::img1);
  b.Field(u"lbl1", &TForm3::lbl1);
  b.Field(u"lbl2", &TForm3::lbl2);
  b.Field(u"lbl3", &TForm3::lbl3);
  b.Field(u"lbl4", &TForm3::lbl4);
  b.Field(u"lbl5", &TForm3::lbl5);
}
