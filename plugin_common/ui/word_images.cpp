#include "plugin_common/ui/word_images.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

namespace lumisett::plugin {
namespace {

QFont WordFont(int pointSize, bool bold) {
    QFont font;
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QPixmap BlankPixmap(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap ButtonFace(const QString& word) {
    const QFont font = WordFont(9, true);
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(word) + 16, metrics.height() + 8);
    QPixmap pixmap = BlankPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient plate(0, 0, 0, size.height());
    plate.setColorAt(0.0, QColor(236, 236, 228));
    plate.setColorAt(1.0, QColor(188, 190, 180));
    painter.setPen(QColor(110, 112, 104));
    painter.setBrush(plate);
    painter.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1.0, size.height() - 1.0), 3, 3);
    painter.setFont(font);
    painter.setPen(QColor(30, 34, 40));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, word);
    return pixmap;
}

QPixmap CaptionImage(const QString& word) {
    const QFont font = WordFont(13, true);
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(word) + 8, metrics.height() + 4);
    QPixmap pixmap = BlankPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(QColor(150, 160, 170)); // a soft shadow lifts the word off the window
    painter.drawText(pixmap.rect().translated(1, 1), Qt::AlignCenter, word);
    painter.setPen(QColor(20, 60, 120));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, word);
    return pixmap;
}

QPushButton* MakeImageButton(QWidget* parent, const QString& word) {
    const QPixmap face = ButtonFace(word);
    auto* button = new QPushButton(parent);
    button->setIcon(QIcon(face));
    button->setIconSize(face.size());
    button->setAccessibleName(word);
    button->setObjectName(word);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace lumisett::plugin
