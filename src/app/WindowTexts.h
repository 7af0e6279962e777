#pragma once

// The language's texts on Qt widgets, alike in every window of the program.

#include <QString>
#include <string>

class QAbstractButton;
class QWidget;

QString ToQString(const std::string& text);

// A tip as lines of at most a fixed width in the tip font, shown as they are,
// so that tips wrap alike in languages with and without spaces.
QString WrappedToolTip(const QString& text);

// The language's caption of a button, where it has one; a button keeps its
// own caption for a missing or empty text.
void SetCaption(QAbstractButton& button, const std::string& text);

// The language's tip of a control; an empty text leaves it without one.
void SetToolTip(QWidget& control, const std::string& text);
