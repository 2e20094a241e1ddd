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

#include <string>
#include <vector>

#include "ui/SysUtils.h"

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

// A service slot (base/ServiceSlot.h) that a start-up step must fill: the lower layers find
// it empty only by a fault, and would do without their effects, menus, hints or forms
// quietly.
struct TkvSlotCheck {
  const char* Name;  // the slot's interface
  bool (*Filled)();
};

// The slots the engine's start-up fills.
const std::vector<TkvSlotCheck>& EngineSlots();

// The names of the slots of the list that are empty, in the list's order.
std::vector<std::string> EmptySlots(const std::vector<TkvSlotCheck>& slots);

// A start-up that left slots empty; the message names every one.
class EEngineStart : public Exception {
 public:
  using Exception::Exception;
};

// Runs the start-up steps (as StartModules), then checks the slots: when one is empty, the
// clean-up steps run (nothing stays half started) and EEngineStart names every empty slot.
void StartModulesChecked(const std::vector<TkvModuleStep>& modules, const std::vector<TkvSlotCheck>& slots);

// StartModulesChecked with the engine's modules and slots.
void StartEngine();
void StopEngine();

// For tests: runs every clean-up step of the engine (started or not: each frees only what it
// holds), then puts the engine's state records back to their first values (base/EngineState.h,
// skin/SkinState.h, controls/ControlsState.h), so that the next test starts as the program
// does. A following StartEngine runs every start-up step again.
void ResetEngineState();
