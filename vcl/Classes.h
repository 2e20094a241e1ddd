// The root of persistent objects. The component model (TComponent, collections, published
// properties) builds on this.
#pragma once

#include <typeinfo>

#include "SysUtils.h"

TW_DECLARE_EXCEPTION(EAssignError, Exception);

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Copies source into this object. Raises EConvertError
  // "Cannot assign a <source class> to a <this class>" when neither side knows how.
  virtual void Assign(const TPersistent* source);
  // The name of the class as the form descriptions and error texts use it ("TBitmap").
  virtual String ClassName() const;

 protected:
  virtual void AssignTo(TPersistent* dest) const;
};

// The class name of an object as ClassName would give it; "nil" for a null pointer.
String ClassNameOf(const TPersistent* obj);
