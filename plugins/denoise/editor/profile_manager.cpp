#include "plugins/denoise/editor/profile_manager.h"

#include "plugins/denoise/core/profile_file.h"
#include "platform/message.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace lumisett::denoise {
namespace {

constexpr int kCounterMilliseconds = 55;
constexpr const char* kSaveFailedCaption = " Error: noiseprofile";

QPushButton* TextButton(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(text);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

ProfileManager::ProfileManager(QWidget* owner, DenoiseEffect& effect, std::function<void()> profileChanged)
    : QDialog(owner), effect_(effect), profileChanged_(std::move(profileChanged)) {
    setModal(false);
    setWindowTitle(QStringLiteral(" Noiseprofile Manager"));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (const char* line : {"To create a new noiseprofile", "press <Record> and play a few",
                             "seconds of the noise sample."}) {
        layout->addWidget(new QLabel(QString::fromLatin1(line), this));
    }
    counter_ = new QLineEdit(this);
    counter_->setObjectName(QStringLiteral("counter"));
    counter_->setReadOnly(true);
    counter_->setFocusPolicy(Qt::NoFocus);
    counter_->setFont(QFont(QStringLiteral("monospace")));
    auto* row = new QHBoxLayout;
    QPushButton* record = TextButton(this, QStringLiteral("Record"));
    QPushButton* stop = TextButton(this, QStringLiteral("Stop"));
    QPushButton* ok = TextButton(this, QStringLiteral("OK"));
    row->addWidget(record);
    row->addWidget(stop);
    row->addWidget(counter_);
    row->addWidget(ok);
    layout->addLayout(row);
    auto* files = new QHBoxLayout;
    QPushButton* load = TextButton(this, QStringLiteral("Load"));
    QPushButton* save = TextButton(this, QStringLiteral("Save"));
    files->addWidget(load);
    files->addWidget(save);
    files->addStretch();
    layout->addLayout(files);

    QObject::connect(record, &QPushButton::clicked, this, [this] { Record(); });
    QObject::connect(stop, &QPushButton::clicked, this, [this] { Stop(); });
    QObject::connect(ok, &QPushButton::clicked, this, [this] { reject(); });
    QObject::connect(load, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load noiseprofile"),
                                                          QString(), QString::fromLatin1(kProfileFileFilter));
        if (!path.isEmpty()) {
            LoadFrom(path);
        }
    });
    QObject::connect(save, &QPushButton::clicked, this, [this] {
        if (!effect_.denoiser().userProfileAvailable()) {
            platform::ShowMessage(kSaveFailedCaption, "There is no user defined noiseprofile to save yet.");
            return;
        }
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save noiseprofile"),
                                                          QString(), QString::fromLatin1(kProfileFileFilter));
        if (!path.isEmpty()) {
            SaveTo(path);
        }
    });

    timer_.setParent(this);
    timer_.setInterval(kCounterMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start();
    Tick();
}

QString ProfileManager::counterText() const {
    char text[32];
    std::snprintf(text, sizeof text, "%3d blk", static_cast<int>(effect_.denoiser().recordedFrames()));
    return QString::fromLatin1(text);
}

void ProfileManager::Tick() {
    counter_->setText(counterText());
}

void ProfileManager::Record() {
    effect_.denoiser().StartRecording();
}

void ProfileManager::Stop() {
    if (effect_.denoiser().StopRecording()) {
        effect_.RememberKind(kUser);
        if (profileChanged_) {
            profileChanged_();
        }
    }
}

bool ProfileManager::LoadFrom(const QString& path) {
    std::string error;
    const auto saved = LoadProfileFile(path.toStdString(), &error);
    if (!saved) {
        platform::ShowMessage(kSaveFailedCaption, error);
        return false;
    }
    if (effect_.denoiser().recording()) {
        Stop();
    }
    if (!effect_.denoiser().LoadUserProfile(saved->values, saved->origin)) {
        return false;
    }
    effect_.RememberKind(kUser);
    if (profileChanged_) {
        profileChanged_();
    }
    return true;
}

bool ProfileManager::SaveTo(const QString& path) {
    SavedProfile profile;
    profile.values = effect_.denoiser().UserProfile(&profile.origin);
    if (profile.values.empty()) {
        return false;
    }
    if (!SaveProfileFile(path.toStdString(), profile)) {
        platform::ShowMessage(kSaveFailedCaption,
                              "The noise profile could not be saved to \"" + path.toStdString() + "\".");
        return false;
    }
    return true;
}

void ProfileManager::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (effect_.denoiser().recording()) {
        Stop();
    }
    timer_.stop();
    hide();
}

void ProfileManager::closeEvent(QCloseEvent* event) {
    Finish();
    deleteLater();
    event->accept();
}

void ProfileManager::reject() {
    Finish();
    deleteLater();
}

void ProfileManager::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace lumisett::denoise
