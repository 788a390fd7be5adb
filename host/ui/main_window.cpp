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
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumisett::host::ui {
namespace {

constexpr int kMeterWidth = 150;
constexpr int kMeterHeight = 10;

QLabel* Caption(QWidget* parent, const QString& word) {
    auto* label = new QLabel(parent);
    label->setPixmap(plugin::CaptionImage(word));
    return label;
}

} // namespace

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
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    left->addWidget(BuildInput());
    left->addWidget(BuildMeters());
    layout->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(BuildSlots());
    right->addWidget(BuildCommands());
    layout->addLayout(right);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(kAboutMenuItem, this, [this] { ShowAboutBox(systemInfo_, this); });
        menu.exec(mapToGlobal(at));
    });
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start(100);
}

MainWindow::~MainWindow() {
    timer_.stop();
}

QWidget* MainWindow::BuildInput() {
    auto* box = new QWidget(this);
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
    return box;
}

QWidget* MainWindow::BuildSlots() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->addWidget(Caption(box, "Plug-Ins"), 0, 0);
    grid->addWidget(new QLabel("use", box), 0, 1);
    grid->addWidget(new QLabel("open", box), 0, 2);
    const PluginRegistry& registry = logic_.session().registry();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        slotLists_[index] = new QComboBox(box);
        for (const RegistryEntry& entry : registry.entries()) {
            slotLists_[index]->addItem(QString::fromStdString(entry.displayName));
        }
        slotLists_[index]->addItem("none");
        slotLists_[index]->setCurrentIndex(registry.noneIndex());
        useBoxes_[index] = new QCheckBox(box);
        auto* open = new QPushButton(QString::number(slot + 1), box);
        connect(slotLists_[index], &QComboBox::activated, this, [this, slot](int i) { SlotChosen(slot, i); });
        connect(useBoxes_[index], &QCheckBox::clicked, this, [this, slot](bool checked) {
            useBoxes_[static_cast<std::size_t>(slot)]->setChecked(logic_.session().slots().UseClicked(slot, checked));
        });
        connect(open, &QPushButton::clicked, this, [this, slot] { logic_.session().slots().OpenPressed(slot); });
        grid->addWidget(slotLists_[index], 1 + slot, 0);
        grid->addWidget(useBoxes_[index], 1 + slot, 1);
        grid->addWidget(open, 1 + slot, 2);
    }
    logic_.session().slots().SetOwnerWindow(this);
    return box;
}

QWidget* MainWindow::BuildMeters() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    const char* sides[] = {"left", "right"};
    for (int side = 0; side < 2; ++side) {
        const auto index = static_cast<std::size_t>(side);
        meters_[index] = new plugin::LevelBar(box, QSize(kMeterWidth, kMeterHeight));
        holds_[index] = new QLineEdit("-inf", box);
        holds_[index]->setReadOnly(true);
        holds_[index]->setMaximumWidth(60);
        grid->addWidget(Caption(box, sides[side]), side, 0);
        grid->addWidget(meters_[index], side, 1);
        grid->addWidget(holds_[index], side, 2);
        grid->addWidget(new QLabel("dB", box), side, 3);
        meters_[index]->Start();
    }
    auto* reset = new QPushButton("reset", box);
    connect(reset, &QPushButton::clicked, this, [this] { logic_.ResetPeakHolds(); });
    grid->addWidget(reset, 2, 2);
    grid->addWidget(Caption(box, "cpu-load"), 3, 0);
    load_ = new QLabel("  0%", box);
    grid->addWidget(load_, 3, 1);
    return box;
}

QWidget* MainWindow::BuildCommands() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    playButton_ = plugin::MakeImageButton(box, "file to output");
    deviceButton_ = plugin::MakeImageButton(box, "Device I/O");
    auto* live = plugin::MakeImageButton(box, "live input");
    fileToFileButton_ = plugin::MakeImageButton(box, "file to file");
    auto* help = plugin::MakeImageButton(box, "Help");
    live->setEnabled(false); // live input has no engine
    connect(fileToFileButton_, &QPushButton::clicked, this, [this] { StartFileToFile(); });
    connect(deviceButton_, &QPushButton::clicked, this, [this] { OpenIoOptions(); });
    connect(playButton_, &QPushButton::clicked, this, [this] { StartFilePlayback(); });
    const auto openHelp = [this] {
        platform::OpenHelpFile(this, logic_.session().programDirectory() + "quorvex.hlp");
    };
    connect(help, &QPushButton::clicked, this, openHelp);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, openHelp);
    for (QPushButton* button : {playButton_, deviceButton_, live, fileToFileButton_, help}) {
        row->addWidget(button);
    }
    return box;
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
    const QString input = QFileDialog::getOpenFileName(
        this, "Select Input File", QString::fromStdString(logic_.session().settings().sourcePath),
        "Audio File (*.wav *.cq *.mp3)");
    if (input.isEmpty()) {
        return;
    }
    const QString output = QFileDialog::getSaveFileName(this, "Select Output File", QString(), "Wave File (*.wav)");
    if (!output.isEmpty()) {
        RenderFileToFile(input.toStdString(), output.toStdString());
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
        const QString chosen = QFileDialog::getOpenFileName(
            this, "Select Input File", QString::fromStdString(logic_.session().settings().sourcePath),
            "Audio File (*.wav *.cq *.mp3)");
        if (chosen.isEmpty()) {
            return;
        }
        path = chosen.toStdString();
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
    playButton_->setEnabled(false);
    deviceButton_->setEnabled(false);
    fileToFileButton_->setEnabled(false);
    player_ = new PlayerWindow(logic_.transport(), logic_.engine(), logic_.source(), path, this, nullptr);
    player_->show();
}

void MainWindow::Tick() {
    const TickResult result = logic_.Tick();
    if (result.playbackStopped) {
        playButton_->setEnabled(true);
        deviceButton_->setEnabled(true);
        fileToFileButton_->setEnabled(true);
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
    QString text;
    for (int place : digits.places) {
        text += place < 0 ? QChar(' ') : QChar('0' + place);
    }
    load_->setText(text + "%");
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
