#include "host/ui/splash_window.h"

#include "host/ui/host_images.h"

#include "host/chain/decibel_table.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumisett::host::ui {
namespace {

constexpr int kSplashTickMs = 55;
constexpr qint64 kSplashMs = 10000;

// The maker's logo: its name above the suite's.
QPixmap Logo() {
    QPixmap logo(320, 84);
    logo.fill(QColor(20, 32, 64));
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(230, 200, 90));
    QFont font = painter.font();
    font.setPointSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 4, logo.width(), 50), Qt::AlignCenter, "Brantel");
    font.setPointSize(10);
    font.setBold(false);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    painter.setFont(font);
    painter.setPen(QColor(200, 210, 230));
    painter.drawText(QRect(0, 52, logo.width(), 26), Qt::AlignCenter, "LUMISETT  \u00B7  QuorVex");
    return logo;
}

// The four lines the splash and the about box share.
QWidget* SystemLines(const platform::SystemInfo& info, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* grid = new QGridLayout(box);
    const std::pair<const char*, QString> lines[] = {
        {" Processor:", QString::fromStdString(info.processor)},
        {" FPU:", info.coprocessor ? "present" : "not present"},
        {" MMX:", info.mmx ? "present" : "not present"},
        {" System:", QString::fromStdString(info.system)},
    };
    int row = 0;
    for (const auto& [label, value] : lines) {
        grid->addWidget(new QLabel(label, box), row, 0);
        grid->addWidget(new QLabel(value, box), row, 1);
        ++row;
    }
    return box;
}

QVBoxLayout* LogoAndLines(QDialog* dialog, const platform::SystemInfo& info) {
    auto* layout = new QVBoxLayout(dialog);
    auto* logo = new QLabel(dialog);
    logo->setPixmap(Logo());
    layout->addWidget(logo);
    layout->addWidget(SystemLines(info, dialog));
    return layout;
}

} // namespace

SplashWindow::SplashWindow(const platform::SystemInfo& info, bool closeAtOnce, QWidget* parent)
    : QDialog(parent), closeAtOnce_(closeAtOnce) {
    setWindowTitle(kSplashTitle);
    setWindowIcon(ProgramIcon());
    setModal(true);
    LogoAndLines(this, info);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (shown_.elapsed() > kSplashMs) {
            accept();
        }
    });
}

void SplashWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    DecibelTable(); // filled before the meters need it, however briefly the splash shows
    shown_.start();
    timer_.start(kSplashTickMs);
    if (closeAtOnce_) {
        QTimer::singleShot(0, this, &QDialog::accept);
    }
}

void SplashWindow::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    accept();
}

void ShowAboutBox(const platform::SystemInfo& info, QWidget* parent) {
    QDialog box(parent);
    box.setWindowTitle(kAboutTitle);
    box.setWindowIcon(ProgramIcon());
    QVBoxLayout* layout = LogoAndLines(&box, info);
    layout->addWidget(new QLabel("QuorVex 2.1: audio restoration in real time", &box));
    auto* ok = new QPushButton("OK", &box);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    layout->addWidget(ok);
    box.exec();
}

} // namespace lumisett::host::ui
