// The published properties that most of the library's controls share, for their class
// descriptions (TW_DEFINE_CLASS bodies). Windows only; included by the controls' .win.cpp
// files.
#pragma once

#ifdef _WIN32

#include "Controls.h"

// Colour and font (stored only while they are the control's own), the click and mouse
// events. color and parentColor: the control's defaults.
template <class T>
void PublishCommon(TClassBuilder<T>& b, TColor color, bool parentColor) {
  b.Color(u"Color", &T::Color, &T::SetColor).Default(color).Stored([](const T& c) { return !c.ParentColor(); });
  b.Property(u"Font", &T::Font, &T::SetFont).Stored([](const T& c) { return !c.ParentFont(); });
  b.Property(u"ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  b.Property(u"ParentColor", &T::ParentColor, &T::SetParentColor).Default(parentColor);
  b.Property(u"OnClick", &T::OnClick, &T::SetOnClick).Stored(&T::IsOnClickStored);
  b.Property(u"OnDblClick", &T::OnDblClick, &T::SetOnDblClick);
  b.Property(u"OnMouseDown", &T::OnMouseDown, &T::SetOnMouseDown);
  b.Property(u"OnMouseUp", &T::OnMouseUp, &T::SetOnMouseUp);
  b.Property(u"OnMouseMove", &T::OnMouseMove, &T::SetOnMouseMove);
  b.Property(u"OnMouseEnter", &T::OnMouseEnter, &T::SetOnMouseEnter);
  b.Property(u"OnMouseLeave", &T::OnMouseLeave, &T::SetOnMouseLeave);
}

// A windowed control's focus events and tab stop (tabStop: its default).
template <class T>
void PublishFocus(TClassBuilder<T>& b, bool tabStop) {
  b.Property(u"TabStop", &T::TabStop, &T::SetTabStop).Default(tabStop);
  b.Property(u"OnEnter", &T::OnEnter, &T::SetOnEnter);
  b.Property(u"OnExit", &T::OnExit, &T::SetOnExit);
}

// The bevel of a windowed control and Ctl3D.
template <class T>
void PublishBevels(TClassBuilder<T>& b) {
  b.Property(u"BevelEdges", &T::BevelEdges, &T::SetBevelEdges).Default(TBevelEdges{beLeft, beTop, beRight, beBottom});
  b.Property(u"BevelInner", &T::BevelInner, &T::SetBevelInner).Default(bvRaised);
  b.Property(u"BevelOuter", &T::BevelOuter, &T::SetBevelOuter).Default(bvLowered);
  b.Property(u"BevelKind", &T::BevelKind, &T::SetBevelKind).Default(bkNone);
  b.Property(u"BevelWidth", &T::BevelWidth, &T::SetBevelWidth).Default(1);
  b.Property(u"Ctl3D", &T::Ctl3D, &T::SetCtl3D).Default(true);
}

#endif
