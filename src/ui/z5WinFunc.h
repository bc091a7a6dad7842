#pragma once
// Window chores shared by the dialogs: bringing a window to the front, discarding input that
// queued up before it was shown, finding a top-level window, and sizes that follow the screen.
// Window managers have the last word on stacking and focus, so bringing to the front is a
// request, as it is on every desktop.

#include <QFont>
#include <QWidget>

#include <string>

namespace kb {

// Raises the widget's top-level window and asks for it to become the active window.
void ForceForegroundWindow(QWidget* window);
// Drops every queued mouse, wheel and key event of the window and of the widgets inside it.
void FlushInputMessages(QWidget* window);
// The visible or hidden top-level widget whose class name (any letter case) and title match;
// an empty name or title matches any. Both empty give nullptr, and so does "desktop": there is no
// desktop icon list to hand out here.
QWidget* FindWindowByName(const std::string& className, const std::string& caption);
// size × target ÷ base, truncated; unchanged when both resolutions are equal. A base of 0 takes
// the primary screen's logical resolution (96 without a screen).
int ScaleByPPI(int size, int targetPPI, int basePPI = 0);
// Corrects a form size designed for a 4-pixel sizing frame counted inside the size, for a frame
// of frameHeight pixels: no change when 2 × frame is 8 or at most 6; kind 0 gives
// size − 2 × frame + 8, kind 1 size − 4 × frame + 16, other kinds no change.
int AdjustByFrame(int size, int kind, int frameHeight);
// The same for our windows: the window manager draws the frame outside a widget's size, so no
// frame counts inside it and the size stays as designed.
int AdjustByFrame(int size, int kind);
// The width in pixels of the text drawn with the font, times the factor, truncated.
int TextWidthByFont(const std::string& text, const QFont& font, double factor);

} // namespace kb
