#include "host/ui/host_images.h"

#include "plugin_common/ui/word_images.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <array>

namespace lumisett::host::ui {
namespace {

// --- the load display ------------------------------------------------------------------------

constexpr QSize kDigitSize(16, 26);
const QColor kDisplayGround(16, 24, 16);
const QColor kSegmentLit(80, 255, 80);
const QColor kSegmentDark(28, 52, 28);

// Segments a..g of a seven-segment digit: top, upper right, lower right, bottom, lower left,
// upper left, middle.
constexpr std::array<unsigned, 10> kSegmentsOfDigit = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
    0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111};

std::array<QRect, 7> SegmentRects() {
    const int w = kDigitSize.width();
    const int h = kDigitSize.height();
    const int mid = h / 2;
    return {QRect(3, 2, w - 6, 2),        QRect(w - 4, 3, 2, mid - 4), QRect(w - 4, mid + 1, 2, mid - 4),
            QRect(3, h - 4, w - 6, 2),    QRect(2, mid + 1, 2, mid - 4), QRect(2, 3, 2, mid - 4),
            QRect(3, mid - 1, w - 6, 2)};
}

// --- the command buttons ---------------------------------------------------------------------

constexpr QSize kPictureSize(56, 26);
const QColor kInk(30, 34, 40);
const QColor kPaper(250, 250, 244);
const QColor kAccent(20, 80, 160);

void DrawFile(QPainter& painter, QRectF box) {
    const qreal fold = box.width() * 0.3;
    QPainterPath sheet;
    sheet.moveTo(box.left(), box.top());
    sheet.lineTo(box.right() - fold, box.top());
    sheet.lineTo(box.right(), box.top() + fold);
    sheet.lineTo(box.right(), box.bottom());
    sheet.lineTo(box.left(), box.bottom());
    sheet.closeSubpath();
    painter.setBrush(kPaper);
    painter.drawPath(sheet);
    painter.drawLine(QPointF(box.right() - fold, box.top()), QPointF(box.right() - fold, box.top() + fold));
    painter.drawLine(QPointF(box.right() - fold, box.top() + fold), QPointF(box.right(), box.top() + fold));
    for (qreal y = box.top() + fold + 3; y < box.bottom() - 2; y += 3) {
        painter.drawLine(QPointF(box.left() + 2, y), QPointF(box.right() - 2, y));
    }
}

void DrawLoudspeaker(QPainter& painter, QPointF at) {
    QPainterPath cone;
    cone.moveTo(at + QPointF(0, -3));
    cone.lineTo(at + QPointF(4, -3));
    cone.lineTo(at + QPointF(10, -9));
    cone.lineTo(at + QPointF(10, 9));
    cone.lineTo(at + QPointF(4, 3));
    cone.lineTo(at + QPointF(0, 3));
    cone.closeSubpath();
    painter.setBrush(painter.pen().color());
    painter.drawPath(cone);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(at.x() + 6, at.y() - 6, 12, 12), -50 * 16, 100 * 16);
    painter.drawArc(QRectF(at.x() + 4, at.y() - 10, 20, 20), -50 * 16, 100 * 16);
}

void DrawMicrophone(QPainter& painter, QPointF at) {
    painter.setBrush(painter.pen().color());
    painter.drawRoundedRect(QRectF(at.x() - 3, at.y() - 11, 6, 12), 3, 3);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(at.x() - 6, at.y() - 7, 12, 11), 180 * 16, 180 * 16);
    painter.drawLine(at + QPointF(0, 4), at + QPointF(0, 9));
    painter.drawLine(at + QPointF(-4, 9), at + QPointF(4, 9));
}

void DrawArrow(QPainter& painter, QPointF from, QPointF to) {
    painter.drawLine(from, to);
    painter.drawLine(to, to + QPointF(-4, -3));
    painter.drawLine(to, to + QPointF(-4, 3));
}

void DrawPlug(QPainter& painter, QPointF at) {
    painter.setBrush(painter.pen().color());
    painter.drawRect(QRectF(at.x() - 7, at.y() - 5, 10, 10));
    painter.drawRect(QRectF(at.x() + 3, at.y() - 4, 6, 2));
    painter.drawRect(QRectF(at.x() + 3, at.y() + 2, 6, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(at + QPointF(-7, 0), at + QPointF(-14, 0));
}

void DrawPicture(QPainter& painter, CommandButton button) {
    const qreal mid = kPictureSize.height() / 2.0;
    switch (button) {
    case CommandButton::FileToOutput:
        DrawFile(painter, QRectF(6, 3, 15, 20));
        DrawArrow(painter, QPointF(24, mid), QPointF(30, mid));
        DrawLoudspeaker(painter, QPointF(33, mid));
        break;
    case CommandButton::LiveInput:
        DrawMicrophone(painter, QPointF(13, mid));
        DrawArrow(painter, QPointF(22, mid), QPointF(28, mid));
        DrawLoudspeaker(painter, QPointF(33, mid));
        break;
    case CommandButton::FileToFile:
        DrawFile(painter, QRectF(8, 3, 15, 20));
        DrawArrow(painter, QPointF(25, mid), QPointF(31, mid));
        DrawFile(painter, QRectF(34, 3, 15, 20));
        break;
    case CommandButton::DeviceIo:
        DrawPlug(painter, QPointF(20, mid));
        painter.drawRoundedRect(QRectF(31, 5, 16, 16), 2, 2);
        painter.drawLine(QPointF(35, 10), QPointF(43, 10));
        painter.drawLine(QPointF(35, 16), QPointF(43, 16));
        break;
    case CommandButton::Help: {
        QFont font = painter.font();
        font.setPixelSize(22);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(QPointF(0, 0), kPictureSize), Qt::AlignCenter, "?");
        break;
    }
    }
}

QColor Faded(const QColor& colour) {
    const int grey = qGray(colour.rgb());
    return QColor(150 + grey / 5, 150 + grey / 5, 150 + grey / 5);
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 32, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 32.0, side / 32.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 32, 64));
        painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
        QPainterPath wave;
        wave.moveTo(4, 16);
        const qreal heights[] = {-3, 9, -11, 4, -7, 5, -5, 5, -5, 5, -5};
        for (int i = 0; i < 11; ++i) {
            wave.lineTo(6.4 + i * 2.2, 16 + heights[i]);
        }
        wave.lineTo(28, 16);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(230, 200, 90), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(wave);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap DigitImage(int digit) {
    QPixmap pixmap(kDigitSize);
    pixmap.fill(kDisplayGround);
    QPainter painter(&pixmap);
    const unsigned lit = digit >= 0 && digit <= 9 ? kSegmentsOfDigit[static_cast<std::size_t>(digit)] : 0u;
    const std::array<QRect, 7> segments = SegmentRects();
    for (std::size_t s = 0; s < segments.size(); ++s) {
        painter.fillRect(segments[s], (lit >> s & 1u) != 0 ? kSegmentLit : kSegmentDark);
    }
    return pixmap;
}

QPixmap PercentImage() {
    QPixmap pixmap(kDigitSize);
    pixmap.fill(kDisplayGround);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kSegmentLit, 1.6));
    painter.drawEllipse(QRectF(2, 4, 4, 4));
    painter.drawEllipse(QRectF(8, 14, 4, 4));
    painter.drawLine(QPointF(11, 4), QPointF(3, 18));
    return pixmap;
}

QString CommandWord(CommandButton button) {
    switch (button) {
    case CommandButton::DeviceIo: return "Device I/O";
    case CommandButton::FileToOutput: return "file to output";
    case CommandButton::LiveInput: return "live input to output";
    case CommandButton::FileToFile: return "file to file";
    case CommandButton::Help: return "Help";
    }
    return {};
}

QPixmap CommandFace(CommandButton button, bool active) {
    QFont wordFont;
    wordFont.setPixelSize(10);
    const QString word = CommandWord(button);
    const QFontMetrics metrics(wordFont);
    const int width = std::max(kPictureSize.width(), metrics.horizontalAdvance(word) + 6);
    const QSize size(width, kPictureSize.height() + metrics.height() + 2);
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = active ? kInk : Faded(kInk);
    painter.save();
    painter.translate((width - kPictureSize.width()) / 2.0, 0);
    painter.setPen(QPen(active && button != CommandButton::Help ? kInk : ink, 1.2));
    if (button == CommandButton::Help || button == CommandButton::DeviceIo) {
        painter.setPen(QPen(active ? kAccent : Faded(kAccent), 1.4));
    }
    DrawPicture(painter, button);
    painter.restore();
    painter.setFont(wordFont);
    painter.setPen(ink);
    painter.drawText(QRect(0, kPictureSize.height(), width, metrics.height() + 2), Qt::AlignCenter, word);
    return pixmap;
}

QPixmap PressedFace(const QString& word) {
    const QPixmap plate = plugin::ButtonFace(word);
    QPixmap pixmap(plate.size());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.drawPixmap(1, 1, plate);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(pixmap.rect(), QColor(20, 40, 90, 70));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QColor(60, 60, 60));
    painter.drawLine(1, 1, pixmap.width() - 2, 1);
    painter.drawLine(1, 1, 1, pixmap.height() - 2);
    return pixmap;
}

QPushButton* MakeHoldingButton(QWidget* parent, const QString& word) {
    QPushButton* button = plugin::MakeImageButton(parent, word);
    QIcon icon;
    icon.addPixmap(plugin::ButtonFace(word), QIcon::Normal, QIcon::Off);
    icon.addPixmap(PressedFace(word), QIcon::Normal, QIcon::On);
    button->setIcon(icon);
    button->setCheckable(true);
    return button;
}

QPushButton* MakeCommandButton(QWidget* parent, CommandButton button) {
    QIcon icon;
    icon.addPixmap(CommandFace(button, true), QIcon::Normal);
    icon.addPixmap(CommandFace(button, false), QIcon::Disabled);
    auto* made = new QPushButton(parent);
    made->setIcon(icon);
    made->setIconSize(CommandFace(button, true).size());
    made->setAccessibleName(CommandWord(button));
    made->setObjectName(CommandWord(button));
    made->setToolTip(CommandWord(button));
    made->setAutoDefault(false);
    made->setDefault(false);
    return made;
}

} // namespace lumisett::host::ui
