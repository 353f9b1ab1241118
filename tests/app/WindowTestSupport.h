// Shared by the window tests: a main window whose handlers can be observed,
// a scratch ERP installation found through the registry stand-in, and a wait
// for what happens later in the message loop.
#pragma once

#include "app/MessageBox.h"
#include "app/StatusPanel.h"
#include "app/Tftramexfamilia.h"
#include "data/Tfdm.h"
#include "tests/session/InstallRegistration.h"
#include "tests/session/ScratchDirectory.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace tramex::testing {

// Waits for the condition while the message loop runs.
#define EXPECT_EVENTUALLY(condition) EXPECT_TRUE(QTest::qWaitFor([&] { return (condition); }, 3000))

// Counts the handlers it sees. By default the session and destination
// handlers stop at the count; with runHandlers they go on to do their work.
// The generation window is a stand-in that records what it was handed and
// closes at once.
class ObservedWindow : public Tftramexfamilia {
  public:
    using Tftramexfamilia::Tftramexfamilia;

    std::map<std::string, int> calls;
    std::vector<int> keysSeen;
    std::function<void()> duringGenerate;  // runs inside the generate request
    bool runHandlers = false;

    struct Generation {
        ParametrosEnvio parametros;
        std::string modoInDataModule;
        std::string lookupCommand;
        bool statusPanelShown = true;
        bool ownedByThisWindow = false;
        bool modal = false;
    };
    // Shared, so a test can still read it after the window closed itself.
    std::shared_ptr<std::vector<Generation>> generations =
        std::make_shared<std::vector<Generation>>();

    int Calls(const std::string& handler) { return calls[handler]; }

    void FormActivate() override {
        ++calls["FormActivate"];
        Tftramexfamilia::FormActivate();
    }
    void FormKeyDown(const QKeyEvent& key) override {
        keysSeen.push_back(key.key());
        Tftramexfamilia::FormKeyDown(key);
    }
    void CiaExit() override {
        Observe("CiaExit", [this] { Tftramexfamilia::CiaExit(); });
    }
    void CboAgenciaChange() override {
        Observe("CboAgenciaChange", [this] { Tftramexfamilia::CboAgenciaChange(); });
    }
    void SpeedButton3Click() override {
        ++calls["SpeedButton3Click"];
        if (duringGenerate) duringGenerate();
        if (runHandlers) Tftramexfamilia::SpeedButton3Click();
    }
    void BitBtn3Click() override {
        Observe("BitBtn3Click", [this] { Tftramexfamilia::BitBtn3Click(); });
    }
    void AdvGlowButton1Click() override {
        Observe("AdvGlowButton1Click", [this] { Tftramexfamilia::AdvGlowButton1Click(); });
    }
    void AdvGlowButton2Click() override {
        Observe("AdvGlowButton2Click", [this] { Tftramexfamilia::AdvGlowButton2Click(); });
    }

  protected:
    QDialog* CreateGenerationWindow() override {
        auto* dialog = new QDialog(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        generations->push_back(
            {Parametros, fdm->ModoAutomatico, CConflink.CommandText(), false, true, false});
        QTimer::singleShot(0, dialog, [this, dialog, seen = generations] {
            seen->back().statusPanelShown = Panel5->isVisible();
            seen->back().ownedByThisWindow = dialog->parentWidget() == this;
            seen->back().modal = QApplication::activeModalWidget() == dialog;
            dialog->accept();
        });
        return dialog;
    }

  private:
    // handler calls the window's own handler, not this override again.
    template <typename Handler>
    void Observe(const char* name, Handler handler) {
        ++calls[name];
        if (runHandlers) handler();
    }
};

// Types text key by key into whatever has the focus, as a keyboard does.
inline void TypeIntoFocus(const char* text) {
    for (const char* key = text; *key; ++key) QTest::keyClick(QApplication::focusWidget(), *key);
}

// The toolkit's warnings while it lives, instead of on standard error.
class QtWarnings {
  public:
    QtWarnings() { previous_ = qInstallMessageHandler(&QtWarnings::Collect); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    static std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(Collected());
        return taken;
    }

  private:
    static std::vector<std::string>& Collected() {
        static std::vector<std::string> messages;
        return messages;
    }
    static void Collect(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg) Collected().push_back(message.toStdString());
    }
    QtMessageHandler previous_;
};

inline std::string CrLfLines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

class WindowTest : public ::testing::Test {
  protected:
    WindowTest() : registration_(scratch) { fdm = &dataModule; }

    ~WindowTest() override {
        delete window.data();
        delete other.data();
        fdm = nullptr;
        // Every box a test caused must have been looked at by that test.
        EXPECT_TRUE(MessageBox::takeShown().empty()) << "a box nobody expected was shown";
    }

    // An ERP installation whose settings file holds exactly these bytes.
    void Install(const std::string& settingsBytes) {
        const std::string directory = (scratch.path() / "erp").string();
        registration_.Register(directory);
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
    Tfdm dataModule;  // a fresh data module, and so a fresh connection, per test
    QPointer<ObservedWindow> window;
    QPointer<QWidget> other;

  private:
    InstallRegistration registration_;
};

inline const std::string kFullSettings =
    CrLfLines({"r1", "r2", "r3", "localhost:/srv/erp", "/srv/envio", "30", "SYSDBA", "masterkey",
               "001", "0"});

}  // namespace tramex::testing
