#include "host/ui/io_options_window.h"

#include "platform/message.h"
#include "platform/process_priority.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumisett::host::ui {
namespace {

QComboBox* DeviceList(QWidget* parent, const std::vector<platform::DeviceCapabilities>& devices, int chosen) {
    auto* list = new QComboBox(parent);
    for (const auto& device : devices) {
        list->addItem(QString::fromStdString(device.name));
    }
    list->setCurrentIndex(chosen);
    return list;
}

// A read-only field with up and down arrows.
QLineEdit* SpinField(QWidget* parent, QGridLayout* grid, int row, const char* label,
                     const std::function<void()>& up, const std::function<void()>& down) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setMaximumWidth(70);
    auto* upButton = new QPushButton("\u25B2", parent);
    auto* downButton = new QPushButton("\u25BC", parent);
    upButton->setObjectName(QString(label) + " up");
    downButton->setObjectName(QString(label) + " down");
    for (QPushButton* arrow : {upButton, downButton}) {
        arrow->setAutoDefault(false);
        arrow->setFixedWidth(28);
    }
    field->setObjectName(label);
    QObject::connect(upButton, &QPushButton::clicked, parent, up);
    QObject::connect(downButton, &QPushButton::clicked, parent, down);
    grid->addWidget(new QLabel(label, parent), row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(upButton, row, 2);
    grid->addWidget(downButton, row, 3);
    return field;
}

} // namespace

IoOptionsWindow::IoOptionsWindow(IoOptionsLogic& logic, HostSettings& settings, QWidget* owner)
    : QDialog(owner), logic_(logic), settings_(settings) {
    setWindowTitle(kIoOptionsTitle);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildDevices());
    layout->addWidget(BuildBuffers());
    layout->addWidget(BuildChoices());
    auto* ok = new QPushButton("OK", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok);
    FillRates();
    ShowBuffers();
}

QWidget* IoOptionsWindow::BuildDevices() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    auto* inputs = DeviceList(box, logic_.devices().inputs, settings_.inputDevice);
    auto* outputs = DeviceList(box, logic_.devices().outputs, settings_.outputDevice);
    connect(inputs, &QComboBox::activated, this, [this](int i) { logic_.ChooseInput(i); FillRates(); });
    connect(outputs, &QComboBox::activated, this, [this](int i) { logic_.ChooseOutput(i); FillRates(); });
    auto* refresh = new QPushButton("Refresh", box);
    // The lists show the new devices when the window is next opened.
    connect(refresh, &QPushButton::clicked, this, [this] { logic_.Refresh(platform::EnumerateDevices()); });
    rates_ = new QComboBox(box);
    connect(rates_, &QComboBox::activated, this, [this](int i) {
        logic_.ChooseRate(rates_->itemText(i).toInt());
        ShowBuffers();
    });
    grid->addWidget(new QLabel("input", box), 0, 0);
    grid->addWidget(inputs, 0, 1);
    grid->addWidget(new QLabel("output", box), 1, 0);
    grid->addWidget(outputs, 1, 1);
    grid->addWidget(new QLabel("* = device supports full duplex", box), 2, 1);
    grid->addWidget(refresh, 3, 0);
    grid->addWidget(new QLabel("input frequency", box), 4, 0);
    grid->addWidget(rates_, 4, 1);
    return box;
}

QWidget* IoOptionsWindow::BuildBuffers() {
    auto* box = new QGroupBox("buffers", this);
    auto* grid = new QGridLayout(box);
    number_ = SpinField(box, grid, 0, "number",
                        [this] { logic_.BufferCountUp(); ShowBuffers(); },
                        [this] { logic_.BufferCountDown(); ShowBuffers(); });
    size_ = SpinField(box, grid, 1, "size [samples]",
                      [this] { logic_.BufferSizeUp(); ShowBuffers(); },
                      [this] { logic_.BufferSizeDown(); ShowBuffers(); });
    delay_ = new QLineEdit(box);
    delay_->setObjectName("delay [ms]");
    delay_->setReadOnly(true);
    delay_->setMaximumWidth(70);
    grid->addWidget(new QLabel("delay [ms]", box), 2, 0);
    grid->addWidget(delay_, 2, 1);
    return box;
}

QWidget* IoOptionsWindow::BuildChoices() {
    auto* box = new QGroupBox(this);
    auto* grid = new QGridLayout(box);
    auto* byWindow = new QRadioButton("window", box);
    auto* byFunction = new QRadioButton("function", box);
    (settings_.notifyByWindow != 0 ? byWindow : byFunction)->setChecked(true);
    connect(byWindow, &QRadioButton::toggled, this, [this](bool on) { logic_.SetNotifyByWindow(on); });
    grid->addWidget(new QLabel("callback by:", box), 0, 0);
    grid->addWidget(byWindow, 0, 1);
    grid->addWidget(byFunction, 0, 2);

    auto* priorities = new QButtonGroup(box);
    const char* names[] = {"high", "normal", "low"};
    platform::ProcessPriority current{};
    const bool known = platform::CurrentProcessPriority(current);
    grid->addWidget(new QLabel("priority:", box), 1, 0);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(names[i], box);
        priorities->addButton(button, i);
        button->setChecked(known && static_cast<int>(current) == i);
        grid->addWidget(button, 1, 1 + i);
    }
    connect(priorities, &QButtonGroup::idClicked, this, [](int id) {
        std::string error;
        if (!platform::SetProcessPriority(static_cast<platform::ProcessPriority>(id), &error)) {
            platform::ShowMessage(" Priority:", error);
        }
    });

    auto* ignore = new QCheckBox("ignore", box);
    ignore->setChecked(settings_.overflowWatch == 0);
    connect(ignore, &QCheckBox::toggled, this, [this](bool on) { logic_.SetIgnoreOverflow(on); });
    grid->addWidget(new QLabel("buffer overflow:", box), 2, 0);
    grid->addWidget(ignore, 2, 1);
    return box;
}

void IoOptionsWindow::FillRates() {
    rates_->clear();
    for (int32_t rate : logic_.CommonRates()) {
        rates_->addItem(QString::number(rate));
        if (rate == settings_.sampleRate) {
            rates_->setCurrentIndex(rates_->count() - 1);
        }
    }
    ShowBuffers();
}

void IoOptionsWindow::ShowBuffers() {
    number_->setText(QString::number(settings_.bufferCount));
    size_->setText(QString::number(settings_.bufferPairs));
    delay_->setText(QString::fromStdString(logic_.DelayText()));
}

} // namespace lumisett::host::ui
