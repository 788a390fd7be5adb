#include "host/ui/main_window.h"

#include "host/headless/renderer.h"
#include "host/startup/host_messages.h"
#include "host/ui/fft_properties_window.h"
#include "host/ui/io_options_window.h"
#include "host/ui/splash_window.h"
#include "host/ui/player_window.h"
#include "platform/qt/help_window.h"
#include "plugin_common/ui/level_bar.h"
#include "platform/message.h"
#include "plugin_common/ui/word_images.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFrame>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumisett::host::ui {
namespace {

// The level bars: segments of pitch 3 across W pixels, h pixels high.
constexpr int kMeterWidth = 150;
constexpr int kMeterHeight = 12;
constexpr int kTickMilliseconds = 100;
constexpr std::array kCommandOrder = {CommandButton::DeviceIo, CommandButton::FileToOutput,
                                      CommandButton::LiveInput, CommandButton::FileToFile,
                                      CommandButton::Help};

QLabel* Caption(QWidget* parent, const QString& word) {
    auto* label = new QLabel(parent);
    label->setPixmap(plugin::CaptionImage(word));
    label->setAccessibleName(word);
    return label;
}

QFrame* Panel(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    return frame;
}

} // namespace

std::string ChooseInputFile(QWidget* owner, const std::string& previous) {
    return QFileDialog::getOpenFileName(owner, "Select Input File", QString::fromStdString(previous),
                                        "Audio File (*.wav *.cq *.mp3)")
        .toStdString();
}

MainWindow::MainWindow(MainWindowLogic& logic, OutputDeviceFactory makeDevice,
                       DeviceLister listDevices, platform::SystemInfo systemInfo, QWidget* parent)
    : QDialog(parent),
      logic_(logic),
      makeDevice_(std::move(makeDevice)),
      spectralSettings_(logic.session().settings(), logic.controls(),
                        [this](int32_t k, float v) { logic_.spectralStage().SetupTransform(k, v); }),
      ioOptions_(logic.session().settings(), listDevices ? listDevices() : platform::DeviceTables{}, [this] {
          const HostSettings& settings = logic_.session().settings();
          logic_.spectralStage().SetupTransform(settings.halfTransform, settings.overlap);
          if (fftWindow_ != nullptr) {
              fftWindow_->ShowCurrentSettings();
          }
      }),
      systemInfo_(std::move(systemInfo)) {
    setWindowTitle(kMainWindowTitle);
    setWindowIcon(ProgramIcon());
    // A fixed-size dialog: no size grip, no maximise button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(BuildInput(), 0, 0);
    layout->addWidget(BuildSlots(), 0, 1);
    layout->addWidget(BuildMeters(), 1, 0);
    layout->addWidget(BuildLoad(), 1, 1);
    layout->addWidget(BuildCommands(), 2, 0, 1, 2);

    // The about box is also on the window's context menu, where a dialog's system menu would be.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(kAboutMenuItem, this, [this] { ShowAboutBox(systemInfo_, this); });
        menu.exec(mapToGlobal(at));
    });
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start(kTickMilliseconds);
}

MainWindow::~MainWindow() {
    timer_.stop();
    // The device playback runs on goes with this window: the engine must let go of it first,
    // also when the window goes without being closed.
    logic_.engine().Stop();
    device_.reset();
}

QWidget* MainWindow::BuildInput() {
    QFrame* box = Panel(this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(Caption(box, "Input"), 0, 0);
    const char* names[] = {"stereo", "mono", "left", "right"};
    for (int mode = 0; mode < 4; ++mode) {
        modes_[static_cast<std::size_t>(mode)] = new QRadioButton(names[mode], box);
        grid->addWidget(modes_[static_cast<std::size_t>(mode)], 1 + mode, 0);
        connect(modes_[static_cast<std::size_t>(mode)], &QRadioButton::clicked, this, [this, mode] {
            const int shown = logic_.ChooseChannelMode(mode);
            modes_[static_cast<std::size_t>(shown)]->setChecked(true);
        });
    }
    modes_[static_cast<std::size_t>(logic_.controls().channelMode.load())]->setChecked(true);
    grid->addWidget(Caption(box, "Output"), 0, 1);
    auto* difference = new QCheckBox("difference", box);
    auto* bypass = new QCheckBox("bypass all", box);
    difference->setChecked(logic_.controls().difference.load());
    bypass->setChecked(logic_.controls().bypassAll.load());
    connect(difference, &QCheckBox::toggled, this, [this](bool on) { logic_.SetDifference(on); });
    connect(bypass, &QCheckBox::toggled, this, [this](bool on) { logic_.SetBypassAll(on); });
    grid->addWidget(difference, 1, 1);
    grid->addWidget(bypass, 2, 1);
    grid->setColumnMinimumWidth(0, 110);
    grid->setRowStretch(5, 1);
    return box;
}

QWidget* MainWindow::BuildSlots() {
    QFrame* box = Panel(this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(Caption(box, "Plug-Ins"), 0, 0);
    grid->addWidget(new QLabel("use", box), 0, 1, Qt::AlignHCenter | Qt::AlignBottom);
    grid->addWidget(Caption(box, "open"), 0, 2, Qt::AlignHCenter);
    const PluginRegistry& registry = logic_.session().registry();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        slotLists_[index] = new QComboBox(box);
        slotLists_[index]->setMinimumWidth(170);
        for (const RegistryEntry& entry : registry.entries()) {
            slotLists_[index]->addItem(QString::fromStdString(entry.displayName));
        }
        slotLists_[index]->addItem("none");
        slotLists_[index]->setCurrentIndex(registry.noneIndex());
        useBoxes_[index] = new QCheckBox(box);
        auto* open = new QPushButton(QString::number(slot + 1), box);
        open->setAutoDefault(false);
        open->setFixedWidth(40);
        connect(slotLists_[index], &QComboBox::activated, this, [this, slot](int i) { SlotChosen(slot, i); });
        connect(useBoxes_[index], &QCheckBox::clicked, this, [this, slot](bool checked) {
            useBoxes_[static_cast<std::size_t>(slot)]->setChecked(logic_.session().slots().UseClicked(slot, checked));
        });
        connect(open, &QPushButton::clicked, this, [this, slot] { logic_.session().slots().OpenPressed(slot); });
        grid->addWidget(slotLists_[index], 1 + slot, 0);
        grid->addWidget(useBoxes_[index], 1 + slot, 1, Qt::AlignHCenter);
        grid->addWidget(open, 1 + slot, 2);
    }
    logic_.session().slots().SetOwnerWindow(this);
    return box;
}

QWidget* MainWindow::BuildMeters() {
    QFrame* box = Panel(this);
    auto* grid = new QGridLayout(box);
    const char* sides[] = {"left", "right"};
    for (int side = 0; side < 2; ++side) {
        const auto index = static_cast<std::size_t>(side);
        meters_[index] = new plugin::LevelBar(box, QSize(kMeterWidth, kMeterHeight));
        holds_[index] = new QLineEdit("-inf", box);
        holds_[index]->setReadOnly(true);
        holds_[index]->setFocusPolicy(Qt::NoFocus);
        holds_[index]->setAlignment(Qt::AlignRight);
        holds_[index]->setFixedWidth(holds_[index]->fontMetrics().horizontalAdvance("+00.0") + 14);
        grid->addWidget(Caption(box, sides[side]), side, 0);
        grid->addWidget(meters_[index], side, 1);
        grid->addWidget(holds_[index], side, 2);
        grid->addWidget(new QLabel("dB", box), side, 3);
        meters_[index]->Start();
    }
    auto* reset = new QPushButton("reset", box);
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, [this] { logic_.ResetPeakHolds(); });
    grid->addWidget(reset, 2, 2, 1, 2);
    return box;
}

QWidget* MainWindow::BuildLoad() {
    QFrame* box = Panel(this);
    auto* column = new QVBoxLayout(box);
    column->addWidget(Caption(box, "cpu-load"), 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    row->setSpacing(1);
    row->addStretch(1);
    for (QLabel*& place : loadPlaces_) {
        place = new QLabel(box);
        row->addWidget(place);
    }
    auto* percent = new QLabel(box);
    percent->setPixmap(PercentImage());
    percent->setAccessibleName("%");
    row->addWidget(percent);
    row->addStretch(1);
    column->addLayout(row);
    column->addStretch(1);
    ShowLoad(LoadDigits{});
    return box;
}

QWidget* MainWindow::BuildCommands() {
    QFrame* box = Panel(this);
    auto* row = new QHBoxLayout(box);
    for (std::size_t i = 0; i < kCommandOrder.size(); ++i) {
        commands_[i] = MakeCommandButton(box, kCommandOrder[i]);
        row->addWidget(commands_[i]);
    }
    connect(commandButton(CommandButton::DeviceIo), &QPushButton::clicked, this, [this] { OpenIoOptions(); });
    connect(commandButton(CommandButton::FileToOutput), &QPushButton::clicked, this, [this] { StartFilePlayback(); });
    connect(commandButton(CommandButton::FileToFile), &QPushButton::clicked, this, [this] { StartFileToFile(); });
    const auto openHelp = [this] {
        platform::OpenHelpFile(this, logic_.session().programDirectory() + "quorvex.hlp");
    };
    connect(commandButton(CommandButton::Help), &QPushButton::clicked, this, openHelp);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, openHelp);
    row->addStretch(1);
    auto* about = new QPushButton(kAboutMenuItem, box);
    about->setObjectName(kAboutMenuItem);
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, this, [this] { ShowAboutBox(systemInfo_, this); });
    row->addWidget(about, 0, Qt::AlignBottom);
    ShowCommandLooks(false);
    return box;
}

QPushButton* MainWindow::commandButton(CommandButton which) const {
    for (std::size_t i = 0; i < kCommandOrder.size(); ++i) {
        if (kCommandOrder[i] == which) {
            return commands_[i];
        }
    }
    return nullptr;
}

// While a file plays, Device I/O and file to output (and file to file, which renders through
// the same chain) show their inactive looks; live input has no engine and always does.
void MainWindow::ShowCommandLooks(bool playing) {
    commandButton(CommandButton::DeviceIo)->setEnabled(!playing);
    commandButton(CommandButton::FileToOutput)->setEnabled(!playing);
    commandButton(CommandButton::LiveInput)->setEnabled(false);
    commandButton(CommandButton::FileToFile)->setEnabled(!playing);
    commandButton(CommandButton::Help)->setEnabled(true);
}

void MainWindow::SlotChosen(int slot, int listIndex) {
    const int shown = logic_.session().slots().SelectionChanged(slot, listIndex);
    slotLists_[static_cast<std::size_t>(slot)]->setCurrentIndex(shown);
    useBoxes_[static_cast<std::size_t>(slot)]->setChecked(logic_.session().slots().slot(slot).on.load());
    ApplySpectralWindowRule();
}

void MainWindow::ApplySpectralWindowRule() {
    const bool wanted = logic_.session().slots().AnySpectralLoaded();
    if (wanted && fftWindow_ == nullptr) {
        fftWindow_ = new FftPropertiesWindow(spectralSettings_, this);
        fftWindow_->setAttribute(Qt::WA_DeleteOnClose);
        fftWindow_->show();
    } else if (!wanted && fftWindow_ != nullptr) {
        fftWindow_->close();
    }
}

void MainWindow::StartFileToFile() {
    if (logic_.playing()) {
        return;
    }
    const std::string input = chooseInput_(this, logic_.session().settings().sourcePath);
    if (input.empty()) {
        return;
    }
    const QString output = QFileDialog::getSaveFileName(this, "Select Output File", QString(), "Wave File (*.wav)");
    if (!output.isEmpty()) {
        RenderFileToFile(input, output.toStdString());
    }
}

bool MainWindow::RenderFileToFile(const std::string& input, const std::string& output) {
    AudioSource source;
    const int opened = source.Open(input, &logic_.session().decoder());
    if (opened != kSourceOpened) {
        ShowHostMessage(opened);
        return false;
    }
    QProgressDialog progress("Rendering " + QString::fromStdString(input), "Cancel", 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const RenderResult result = RenderThroughChain(
        logic_.session().slots(), logic_.session().settings(), source, output, [&progress](double done) {
            progress.setValue(static_cast<int>(done * 1000));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    if (!result.ok && !progress.wasCanceled()) {
        if (result.failure.code != 0) {
            ShowHostMessage(result.failure.code);
        } else {
            platform::ShowMessage(" Error:", result.failure.text);
        }
    }
    return result.ok;
}

void MainWindow::OpenIoOptions() {
    if (logic_.playing()) {
        return;
    }
    IoOptionsWindow window(ioOptions_, logic_.session().settings(), this);
    window.exec();
}

void MainWindow::StartFilePlayback() {
    if (logic_.playing()) {
        return;
    }
    std::string path = logic_.TakeCommandLineFile();
    if (path.empty()) {
        path = chooseInput_(this, logic_.session().settings().sourcePath);
        if (path.empty()) {
            return;
        }
    }
    PlayFile(path);
}

void MainWindow::PlayFile(const std::string& path) {
    device_ = makeDevice_ ? makeDevice_() : nullptr;
    const int result = device_ ? logic_.StartFilePlayback(path, *device_) : kEngineDeviceNotOpened;
    modes_[static_cast<std::size_t>(logic_.controls().channelMode.load())]->setChecked(true);
    if (result != kEngineStarted) {
        ShowHostMessage(result);
        return;
    }
    ShowCommandLooks(true);
    player_ = new PlayerWindow(logic_.transport(), logic_.engine(), logic_.source(), path, this, nullptr);
    player_->show();
}

void MainWindow::Tick() {
    const TickResult result = logic_.Tick();
    if (result.playbackStopped) {
        ShowCommandLooks(false);
        device_.reset();
    }
    ShowLoad(result.load);
    holds_[0]->setText(QString::fromStdString(result.holdLeft));
    holds_[1]->setText(QString::fromStdString(result.holdRight));
    meters_[0]->SetTarget(result.meterLeft);
    meters_[1]->SetTarget(result.meterRight);
    if (result.startCommandLineFile) {
        StartFilePlayback();
    }
}

void MainWindow::ShowLoad(const LoadDigits& digits) {
    for (std::size_t i = 0; i < loadPlaces_.size(); ++i) {
        const int digit = digits.places[i];
        loadPlaces_[i]->setPixmap(DigitImage(digit < 0 ? kBlankDigit : digit));
        loadPlaces_[i]->setAccessibleName(digit < 0 ? QString("blank") : QString::number(digit));
    }
}

void MainWindow::reject() {
    // Playback stops before any plug-in is told to exit; the editors go down with this window.
    timer_.stop();
    if (player_ != nullptr) {
        player_->close();
    }
    logic_.engine().Stop();
    device_.reset();
    logic_.session().slots().ExitAll();
    meters_[0]->Stop();
    meters_[1]->Stop();
    QDialog::reject();
}

} // namespace lumisett::host::ui
