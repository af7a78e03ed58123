#pragma once

#include <QString>

class QWidget;

namespace brio {

struct Context;

// F1 in the window opens its help page, found by the window's objectName
// (the contents when it has none). Call once from the window's constructor.
void attachHelp(const Context &ctx, QWidget *window);

// The help commands of the main menu; from is the window that gave them.
void ShowHelpContents(const Context &ctx, QWidget *from);
void ShowHelpSearch(const Context &ctx, QWidget *from);
void ShowHelpTopic(const Context &ctx, QWidget *from, int topic);

} // namespace brio
