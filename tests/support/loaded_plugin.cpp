#include "tests/support/loaded_plugin.h"

#include "tests/plugin_common/qt_test_application.h"

#include <QLineEdit>

#include <filesystem>
#include <unistd.h>

namespace lumisett::test {

StderrCapture::StderrCapture() : file_(std::tmpfile()) {
    if (file_ == nullptr) {
        ADD_FAILURE() << "cannot create a file for standard error";
        return;
    }
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    ::dup2(::fileno(file_), STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
    Finish();
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

std::string StderrCapture::Finish() {
    if (saved_ < 0) {
        return text_;
    }
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
    // The file and standard error shared one offset: read from the start.
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) {
        text_.push_back(static_cast<char>(c));
    }
    return text_;
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

std::vector<QWidget*> WindowsTitled(const QString& title) {
    std::vector<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowTitle() == title) {
            windows.push_back(window);
        }
    }
    return windows;
}

QWidget* OnlyVisibleWindow(const QString& title) {
    QWidget* found = nullptr;
    int count = 0;
    for (QWidget* window : WindowsTitled(title)) {
        if (window->isVisible()) {
            found = window;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

QString FieldText(const QWidget* window, const char* name) {
    const auto* field = window->findChild<QLineEdit*>(QString::fromLatin1(name));
    return field != nullptr ? field->text() : QStringLiteral("(missing)");
}

void LoadedPlugin::Load(const std::string& path) {
    std::string error;
    library = platform::DynamicLibrary::Open(path, &error);
    ASSERT_NE(library, nullptr) << error;
    init = library->Function<InitEffectFn>("InitEffect");
    exit = library->Function<ExitEffectFn>("ExitEffect");
    openWindow = library->Function<OpenEffWindowFn>("OpenEffWindow");
    closeWindow = library->Function<CloseEffWindowFn>("CloseEffWindow");
    openEffect = library->Function<OpenEffectFn>("OpenEffect");
    closeEffect = library->Function<CloseEffectFn>("CloseEffect");
    doEffect = library->Function<DoEffectFn>("DoEffect");
    transEff = library->Function<TransEffFn>("TransEff");
    transData = library->Function<TransDataFn>("TransData");
    noiseTab = library->Function<GetNoiseTabFn>("GetNoiseTab");
    denoClose = library->Function<DenoCloseFn>("DenoClose");
    setParam = library->Function<SetEffectParamFn>("SetEffectParam");
}

void LoadedPlugin::Unload() {
    std::unique_ptr<platform::DynamicLibrary> loaded = std::move(library);
    *this = LoadedPlugin{};
}

PluginFolderTest::PluginFolderTest(const std::vector<std::string>& files, std::string parameterFile)
    : parameterFile_(std::move(parameterFile)),
      programDirHadParameterFile_(std::filesystem::exists(ProgramDir() + parameterFile_)) {
    for (const std::string& name : files) {
        dir_.CopyIn(ProgramDir() + name, name);
    }
}

PluginFolderTest::~PluginFolderTest() {
    EXPECT_EQ(std::filesystem::exists(ProgramDir() + parameterFile_), programDirHadParameterFile_)
        << "tests must never write into the program directory";
}

std::string PluginFolderTest::ProgramDir() {
    return LUMISETT_PROGRAM_DIR;
}

LoadedPluginTest::LoadedPluginTest(const std::string& name, std::vector<std::string> moreExports)
    : PluginFolderTest({name + ".so", name + ".eff", name + ".hlp"}, name + ".par"),
      name_(name),
      requiredExports_{"InitEffect", "ExitEffect", "OpenEffWindow", "CloseEffWindow",
                       "OpenEffect", "CloseEffect", "DoEffect"} {
    requiredExports_.insert(requiredExports_.end(), moreExports.begin(), moreExports.end());
    Load();
}

LoadedPluginTest::~LoadedPluginTest() {
    CloseEditor();
    plugin_.Unload();
}

void LoadedPluginTest::Load() {
    plugin_.Load(dir_.File(name_ + ".so"));
    if (plugin_.library == nullptr) {
        return;
    }
    for (const std::string& name : requiredExports_) {
        EXPECT_NE(plugin_.library->Symbol(name.c_str()), nullptr) << name;
    }
}

void LoadedPluginTest::Reload() {
    CloseEditor();
    plugin_.Unload();
    Load();
}

std::string LoadedPluginTest::Init() {
    StderrCapture capture;
    descriptor_ = plugin_.init(&status_, EFFECT_HOST_KMAX);
    return capture.Finish();
}

std::string LoadedPluginTest::Exit() {
    StderrCapture capture;
    plugin_.exit();
    return capture.Finish();
}

std::vector<std::uint8_t> LoadedPluginTest::ParameterFile() const {
    const std::string text = dir_.Read(name_ + ".par");
    return {text.begin(), text.end()};
}

// Windows are destroyed while the library that made them is still loaded.
void LoadedPluginTest::CloseEditor() {
    if (plugin_.closeWindow != nullptr) {
        plugin_.closeWindow();
        ProcessPendingEvents();
    }
}

} // namespace lumisett::test
