#pragma once
// The host's own small pictures, drawn here rather than shipped: the digits of the load
// display, its percent sign, and the faces of the main window's five command buttons in their
// normal and inactive looks.
//
// Thread: window thread only (QPixmap).

#include <QIcon>
#include <QPixmap>
#include <QString>

class QPushButton;
class QWidget;

namespace lumisett::host::ui {

// The program's icon: a sound wave, damaged on its left and restored on its right, on the
// suite's dark blue.
QIcon ProgramIcon();

// The load display's places: a lit seven-segment digit 0..9, or the dark blank (-1).
inline constexpr int kBlankDigit = -1;
QPixmap DigitImage(int digit);
// The "%" that follows the three digits.
QPixmap PercentImage();

enum class CommandButton { DeviceIo, FileToOutput, LiveInput, FileToFile, Help };

// The word a command button shows under its picture.
QString CommandWord(CommandButton button);

// A command button's face: its picture (a file and a loudspeaker, a microphone and a
// loudspeaker, two files, a plug, a question mark) above its word; the inactive look is the
// same face faded to grey.
QPixmap CommandFace(CommandButton button, bool active);

// A transport button's face held down: the word's plate darkened and sunk by a pixel, so the
// pressed button of a group and a held loop stand out.
QPixmap PressedFace(const QString& word);

// A checkable image button showing `word`, with its pressed face while checked. Its object and
// accessible names are the word.
QPushButton* MakeHoldingButton(QWidget* parent, const QString& word);

// A push button with both looks: it shows the inactive one while disabled. Its accessible
// and object names are the button's word.
QPushButton* MakeCommandButton(QWidget* parent, CommandButton button);

} // namespace lumisett::host::ui
