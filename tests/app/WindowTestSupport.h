// Shared by the window tests: a main window whose handlers can be observed,
// a scratch ERP installation found through the registry stand-in, and a wait
// for what happens later in the message loop.
#pragma once

#include "app/MessageBox.h"
#include "app/Tftramexfamilia.h"
#include "tests/session/ScratchDirectory.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace tramex::testing {

// Waits for the condition while the message loop runs.
#define EXPECT_EVENTUALLY(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return (condition); }, 3000))

class ObservedWindow : public Tftramexfamilia {
  public:
    using Tftramexfamilia::Tftramexfamilia;

    std::map<std::string, int> calls;
    std::vector<int> keysSeen;
    std::function<void()> duringGenerate;  // runs inside the generate request

    int Calls(const std::string& handler) { return calls[handler]; }

    void FormActivate() override {
        ++calls["FormActivate"];
        Tftramexfamilia::FormActivate();
    }
    void FormKeyDown(const QKeyEvent& key) override {
        keysSeen.push_back(key.key());
        Tftramexfamilia::FormKeyDown(key);
    }
    void CiaExit() override { ++calls["CiaExit"]; }
    void CboAgenciaChange() override { ++calls["CboAgenciaChange"]; }
    void SpeedButton3Click() override {
        ++calls["SpeedButton3Click"];
        if (duringGenerate) duringGenerate();
    }
    void BitBtn3Click() override { ++calls["BitBtn3Click"]; }
    void AdvGlowButton1Click() override { ++calls["AdvGlowButton1Click"]; }
    void AdvGlowButton2Click() override { ++calls["AdvGlowButton2Click"]; }
};

inline std::string CrLfLines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() : xdg_("XDG_CONFIG_DIRS", (scratch.path() / "xdg").string()) {}

    ~WindowTest() override {
        delete window.data();
        delete other.data();
        // Every box a test caused must have been looked at by that test.
        EXPECT_TRUE(MessageBox::takeShown().empty()) << "a box nobody expected was shown";
    }

    // An ERP installation whose settings file holds exactly these bytes.
    void Install(const std::string& settingsBytes) {
        const std::string directory = (scratch.path() / "erp").string();
        scratch.Write("xdg/Dravo/QuintorERP2017.conf", "[General]\nDirectorio=" + directory + "\n");
        scratch.Write("erp/settingsenvio.conf", settingsBytes);
    }

    ObservedWindow& Create(std::vector<std::string> commandLine = {}) {
        window = new ObservedWindow(std::move(commandLine));
        return *window;
    }

    // Creates, shows and activates the window and lets its activation run.
    ObservedWindow& Open(std::vector<std::string> commandLine = {}) {
        Create(std::move(commandLine));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        EXPECT_EVENTUALLY(window->Calls("FormActivate") == 1);
        return *window;
    }

    template <typename Control>
    Control* Find(const char* name) {
        return window->findChild<Control*>(name);
    }

    ScratchDirectory scratch;
    QPointer<ObservedWindow> window;
    QPointer<QWidget> other;

  private:
    ScopedEnvironment xdg_;
};

inline const std::string kFullSettings =
    CrLfLines({"r1", "r2", "r3", "localhost:/srv/erp", "/srv/envio", "30", "SYSDBA", "masterkey",
               "001", "0"});

}  // namespace tramex::testing
