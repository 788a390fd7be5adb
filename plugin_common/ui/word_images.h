#pragma once
// The small pictures of the editors, drawn here rather than shipped: button faces and caption
// images that show a word.

#include <QPixmap>
#include <QString>

class QPushButton;
class QWidget;

namespace lumisett::plugin {

// A button face: the word in dark letters on a light, bevelled plate.
QPixmap ButtonFace(const QString& word);

// A caption: the word in bold, larger letters on a transparent ground.
QPixmap CaptionImage(const QString& word);

// A push button that shows `word` as its picture (the word is also its accessible name). It
// never becomes a default button, so Enter presses nothing.
QPushButton* MakeImageButton(QWidget* parent, const QString& word);

} // namespace lumisett::plugin
