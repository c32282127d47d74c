#pragma once
// A module's names (of modules, devices and tests) read on every screen exactly as the module gives
// them: no character taken as a shortcut marker, no markup rendered.
#include <QString>

// The text for a button (module button, check box) that shows the name as it is: a single "&" would
// mark the next character as the button's shortcut and vanish.
QString button_text(const QString& name);

// A tool tip that shows the text as it is: Qt renders a tool tip that looks like markup as rich text.
QString plain_tool_tip(const QString& text);
