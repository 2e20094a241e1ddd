// The start-up and clean-up steps of the skinning engine's modules, in their fixed order:
// the program block runs StartEngine before the application object exists and StopEngine
// at exit, which runs the clean-up steps in reverse order.
//
// A module that gains a step adds one line to the table in EngineStartup.win.cpp, at its
// place in the order: system-menu captions, DPI awareness, helpers and window utilities,
// GDI+, the bound GDI and layered-window entries, the PNG reader and the icon font, the
// default hint template, OLE and the system icon list, scroll-bar entries, composition
// entries, the Windows version and the standard skin data.
#pragma once

#include <vector>

struct TkvModuleStep {
  const char* Name;
  void (*Startup)();  // may be null
  void (*Cleanup)();  // may be null
};

// The engine's modules in start-up order.
const std::vector<TkvModuleStep>& EngineModules();

// Runs the start-up steps of the table in order (once: a second call does nothing until the
// clean-up has run), and the clean-up steps in reverse order.
void StartModules(const std::vector<TkvModuleStep>& modules);
void StopModules(const std::vector<TkvModuleStep>& modules);

void StartEngine();
void StopEngine();
