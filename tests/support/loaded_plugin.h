#pragma once
// A built plug-in loaded the way the host loads it: private copies of its files in a temporary
// folder, so that the parameter file it writes lands there and never in the program directory,
// opened with dlopen and its exports bound by name.
//
// LoadedPluginTest is the fixture of a test of one plug-in; PluginFolderTest with LoadedPlugin
// members serves a test that loads several side by side.

#include "plugin_common/effect_api.h"
#include "platform/dynamic_library.h"
#include "tests/support/temp_dir.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace lumisett::test {

// What was written to standard error (a plug-in's messages, when there is no display) from
// construction until Finish().
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Gives standard error back and returns what was captured; later calls return it again.
    std::string Finish();

private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
    std::string text_;
};

// How often `part` occurs in `text` (overlapping occurrences count).
int Occurrences(const std::string& text, const std::string& part);

// The top-level windows titled `title`, hidden ones too.
std::vector<QWidget*> WindowsTitled(const QString& title);
// The one visible top-level window titled `title`; null when there is none or more than one.
QWidget* OnlyVisibleWindow(const QString& title);
// The text of the line edit `name` in `window`, or "(missing)".
QString FieldText(const QWidget* window, const char* name);

// The exports of one plug-in library. Every export of the contract is looked up; one the
// library lacks stays null, so a test can also check what a plug-in must not export.
struct LoadedPlugin {
    std::unique_ptr<platform::DynamicLibrary> library;
    InitEffectFn init = nullptr;
    ExitEffectFn exit = nullptr;
    OpenEffWindowFn openWindow = nullptr;
    CloseEffWindowFn closeWindow = nullptr;
    OpenEffectFn openEffect = nullptr;
    CloseEffectFn closeEffect = nullptr;
    DoEffectFn doEffect = nullptr;
    TransEffFn transEff = nullptr;
    TransDataFn transData = nullptr;
    GetNoiseTabFn noiseTab = nullptr;
    DenoCloseFn denoClose = nullptr;
    SetEffectParamFn setParam = nullptr;

    // Opens the library at `path` (a failed test when it cannot) and binds its exports.
    void Load(const std::string& path);
    // Drops the bindings, then the library.
    void Unload();
};

// A test with private copies of files from the program directory in `dir_`. At teardown it
// checks that the program directory still has, or still lacks, `parameterFile`: tests must
// never write there.
class PluginFolderTest : public testing::Test {
protected:
    PluginFolderTest(const std::vector<std::string>& files, std::string parameterFile);
    ~PluginFolderTest() override;

    static std::string ProgramDir(); // ends with "/"

    TempDir dir_;

private:
    std::string parameterFile_;
    bool programDirHadParameterFile_;
};

// The fixture of a test of one plug-in `name`: name.so with name.eff and name.hlp copied into
// `dir_` and loaded from there. At every load the seven entry points of an effect (InitEffect,
// ExitEffect, OpenEffWindow, CloseEffWindow, OpenEffect, CloseEffect, DoEffect) and
// `moreExports` must be found. At teardown an open editor is closed and the library unloaded.
class LoadedPluginTest : public PluginFolderTest {
protected:
    explicit LoadedPluginTest(const std::string& name, std::vector<std::string> moreExports = {});
    ~LoadedPluginTest() override;

    void Load();
    // Unloads and loads again, as a new session of the host would: the editor is closed first.
    void Reload();

    // InitEffect with `status_`; returns what the plug-in said on standard error meanwhile.
    std::string Init();
    // ExitEffect; returns what the plug-in said on standard error meanwhile.
    std::string Exit();

    // The plug-in's parameter file in `dir_`, empty when there is none.
    std::vector<std::uint8_t> ParameterFile() const;

    LoadedPlugin plugin_;
    std::int32_t status_ = 0;
    EffectDescriptor* descriptor_ = nullptr;
    QWidget owner_; // the host's main window, for OpenEffWindow

private:
    void CloseEditor();

    std::string name_;
    std::vector<std::string> requiredExports_;
};

} // namespace lumisett::test
