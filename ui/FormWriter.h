// The form description writer: a component tree written back out in the text format that
// FormReader.h reads. Portable.
//
//   String text = WriteComponentText(form);      // "object Form1: TForm1 ... end"
//   ReadComponentText(other, text);              // the same published state again
//
// What is written: the root's published properties, then each child's description nested
// inside its parent's: the children the root lists (GetChildren; a form's controls), then
// every other component the root owns that has no parent. A windowed control's
// description holds its own children. Properties keep their published order, binary ones
// after the rest (their data may need the other values: an image list's image size); a
// value equal to its default, or one whose Stored rule says no, is left out (TypInfo.h). A
// sub-object (Font) is written as its changed properties under dotted names, a string list
// as ( strings ), a collection with items as < item ... end >, a binary property with data
// as { hexadecimal bytes }, a component reference by the name of a component the root owns
// (or the root's), an event handler by the name of the root's method it calls. Events bound
// to anything else, references to components of other roots and read-only values cannot
// be read back and are not written. Every component carries csWriting while its own
// description is written.
#pragma once

#include <string>

#include "Classes.h"

// Raises EFilerError for a component tree deeper than the writer allows (1000 levels).
String WriteComponentText(TComponent* root);
std::string WriteComponentUtf8(TComponent* root);

// True when the property's current value on obj would be left out of a description.
bool IsDefaultPropValue(const TObject* obj, const TPropInfo& prop);
