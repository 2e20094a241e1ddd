// The engine's start-up and clean-up: the steps of its modules in their fixed order. The
// program calls StartEngine before the application object exists and StopEngine at exit,
// which runs the clean-up steps in reverse order; the tests call the same.
//
// The order: system-menu captions, DPI awareness, helpers and window utilities, GDI+, the
// bound GDI and layered-window entries, gradients, the embedded fonts, the PNG reader and the
// icon font, the foreign forms list and the glyph lists, the message-box captions, the window
// wrappers (clean-up only), the composition entries, the standard skin data. A module that
// gains a step adds one line to the table in EngineStartup.win.cpp, at its place in the order.
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

// For tests: runs every clean-up step of the engine (started or not: each frees only what it
// holds), then puts the engine's state records back to their first values (base/EngineState.h,
// skin/SkinState.h, controls/ControlsState.h), so that the next test starts as the program
// does. A following StartEngine runs every start-up step again.
void ResetEngineState();
