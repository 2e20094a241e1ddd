// Form descriptions: a text format of our own that lists a form's components and their
// published properties, kept beside each form's code (app/MainForm.fdesc) and embedded as
// an RCDATA resource named after the form's class. Portable reader; Windows resource glue.
//
//   // comment
//   object Form1: TForm1                    // the root: its name and class (a component
//                                           //   without a name: "object : TClass")
//     Caption = "Tarnwick by Quennel"       // strings: UTF-8, "\"", "\\", "\n", "\u4E0B"; "a" + "b"
//     ClientWidth = 673                     // integers: -15, $FF, 0x10; floats: 1.5
//     Color = clBtnFace                     // identifiers: enums, True/False, colour and value
//     Font.Name = "Segoe UI"                //   names, component names, event handlers (methods
//     Font.Style = [fsBold]                 //   of the root's class), nil
//     OnCreate = FormCreate                 // sets: [a, b]; sub-objects by dotted names
//     object btnJx: TsButton                // a child: created with the root as owner, placed
//       Left = 435                          //   on the enclosing object when it is a control;
//                                           //   inside an embedded frame, an object named like
//                                           //   one of the frame's own components changes it
//       Items = ("TButton" "TEdit")         // string lists: ( strings )
//       Fonts = <                           // collections: < item ... end ... >
//         item
//           FileName = "a.ttf"
//           FontData = {00010000 8A}        // binary properties: { hexadecimal bytes }
//         end>
//     end
//   end
//
// FormWriter.h writes a component tree back out in this format.
//
// Reading: every component created carries csLoading (and csReading while its own
// properties are read); component references are resolved at the end; then Loaded runs
// for the root and for every component in reading order. The root takes the description's
// name (made unique among its owner's components). Classes must be registered
// (RegisterClass, TypInfo.h). Any problem raises EFormDescriptionError (EClassNotFound for
// an unknown class) whose text names the form, the component, the property and the line:
//   "Property Foo does not exist (form TForm1, component btnJx, property Foo, line 12)"
#pragma once

#include "Classes.h"

TW_DECLARE_EXCEPTION(EFormDescriptionError, EFilerError);

// Reads a description into root, whose class must be the description's root class.
void ReadComponentText(TComponent* root, StringView text);
void ReadComponentUtf8(TComponent* root, std::string_view utf8);

#ifdef _WIN32
// Reads the RCDATA resource named resourceName (a form's class name) of the program into
// root; false when the program has no such resource.
bool ReadComponentResource(TComponent* root, const String& resourceName);
// Registers the library's own classes for descriptions: forms and frames, every control of
// StdCtrls.h, ExtCtrls.h, Buttons.h and ComCtrls.h, the scroll box, image lists, timers,
// actions and menus.
void RegisterLibraryClasses();
#endif
