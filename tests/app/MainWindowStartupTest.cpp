// Start-up of the main window: controls as created, the settings load at
// creation, the command line and connect at first activation, tab order.
#include "app/DiasEdit.h"
#include "session/InstallDirectory.h"
#include "tests/app/WindowTestSupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tramex {
namespace {

using testing::CrLfLines;
using testing::kFullSettings;

class MainWindowStartupTest : public testing::WindowTest {
  protected:
    QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }
    QString Caption(const char* field) {
        QWidget* control = window->findChild<QWidget*>(field);
        auto* form = qobject_cast<QFormLayout*>(control->parentWidget()->layout());
        return qobject_cast<QLabel*>(form->labelForField(control))->text();
    }
};

TEST_F(MainWindowStartupTest, ControlsStartWithTheirCaptionsAndStates) {
    Install(kFullSettings);
    Create();
    EXPECT_EQ(window->objectName(), "ftramexfamilia");
    EXPECT_EQ(window->windowTitle(), "Tramex2 Grupo Zel 2017");
    EXPECT_TRUE(Find<QLabel>("Label2")->text().startsWith(
        "Este programa genera los archivos de datos con el resumen de ventas"));
    EXPECT_TRUE(Find<QLabel>("Label2")->text().endsWith(
        "comprimirlos y enviarlos al servidor configurado."));
    EXPECT_EQ(Find<QLabel>("Label3")->text(), "Rev: 2019/09/27");
    const std::pair<const char*, const char*> captions[] = {
        {"Servidor", "Servidor : "},    {"Tusua", "Usuario : "}, {"TClave", "Clave : "},
        {"Cia", "Compa\u00f1\u00eda:"}, {"EFecIni", "Fecha:"},   {"Dias", "D\u00edas:"},
        {"CboAgencia", "Agencia:"},     {"Fami", "Cod Familia:"}};
    for (const auto& [field, caption] : captions) EXPECT_EQ(Caption(field), caption) << field;
    EXPECT_EQ(Find<QLineEdit>("TClave")->echoMode(), QLineEdit::Password);

    const std::tuple<const char*, const char*, bool> buttons[] = {
        {"SpeedButton3", "F2: Generar", false},
        {"BitBtn3", "F9:Configura", true},
        {"SpeedButton2", "Esc: Cancelar", true},
        {"AdvGlowButton1", "F2:Grabar", true},
        {"AdvGlowButton2", "Esc: Cancelar", true}};
    for (const auto& [name, caption, enabled] : buttons) {
        EXPECT_EQ(Find<QPushButton>(name)->text(), caption) << name;
        EXPECT_EQ(Find<QPushButton>(name)->isEnabled(), enabled) << name;
    }
    const std::pair<const char*, const char*> navigator[] = {
        {"nbFirst", "Primer registro"},       {"nbPrior", "Registro anterior"},
        {"nbNext", "Registro siguiente"},     {"nbLast", "\u00daltimo registro"},
        {"nbInsert", "Insertar registro"},    {"nbDelete", "Eliminar registro"},
        {"nbCancel", "Cancelar edici\u00f3n"}};
    for (const auto& [name, hint] : navigator)
        EXPECT_EQ(window->findChild<QWidget*>(name)->toolTip().toStdString(), hint) << name;
    EXPECT_FALSE(Find<QDateEdit>("EFecIni")->isEnabled());
    if (QLocale::system().language() == QLocale::C) {  // no regional settings: no English names
        window->EFecIni->setDate(QDate(2019, 9, 27));
        EXPECT_EQ(window->EFecIni->text().toStdString(), "2019/09/27");
    }
    auto* branches = Find<QComboBox>("CboAgencia");
    EXPECT_FALSE(branches->isEnabled());
    EXPECT_EQ(branches->count(), 0);
    EXPECT_EQ(branches->maxVisibleItems(), 4);
    EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
    EXPECT_EQ(Find<QLabel>("Panel5")->text(), "Generando informe. espere un momento...");
    EXPECT_TRUE(Find<QGroupBox>("AdvPanel1")->isHidden());
    EXPECT_EQ(Find<QGroupBox>("AdvPanel1")->title(), "Configuracion envio FTP");
    EXPECT_EQ(window->Parametros.IdAgencia, "");
}

TEST_F(MainWindowStartupTest, SettingsFileFillsTheEditsAndRunParameters) {
    Install(CrLfLines({"r1", "r2", "r3", "servidor:/Quintor", "C:\\Env\xEDo", "30", "SYSDBA",
                       "masterkey", "001", "1"}));
    Create();
    EXPECT_EQ(Text("Servidor"), "servidor:/Quintor");
    EXPECT_EQ(Find<QAbstractSpinBox>("Dias")->text(), "30");
    EXPECT_EQ(Text("Tusua"), "SYSDBA");
    EXPECT_EQ(Text("TClave"), "masterkey");
    EXPECT_EQ(Text("Cia"), "001");
    EXPECT_EQ(Text("Fami"), "");
    EXPECT_EQ(window->Parametros.DirectorioDatos, "C:\\Env\u00edo");
    EXPECT_EQ(window->Parametros.ModoAutomatico, "1");
}

TEST_F(MainWindowStartupTest, UnknownInstallationTellsTheOperatorAndStartsEmpty) {
    Create();  // no registry stand-in file at all
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text.toStdString(), kInstallKeyMissingMessage);
    EXPECT_EQ(shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(Text("Servidor"), "");
    EXPECT_EQ(window->diraplicacion(), "");
    EXPECT_EQ(MessageBox::takeShown().size(), 1u);  // asked again, told again
}

class NotTextRegistry : public Registry {
    class Key : public RegistryKey {
        std::optional<std::string> ReadString(const std::string& name) const override {
            throw RegistryError(InvalidDataTypeMessage(name));
        }
    };

  public:
    std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string&) const override {
        return std::make_unique<Key>();
    }
};

TEST_F(MainWindowStartupTest, RegistryValueThatIsNotTextShowsAnErrorAndTheWindowStillOpens) {
    Install(kFullSettings);
    window = new testing::ObservedWindow({}, std::make_unique<NotTextRegistry>());
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Invalid data type for 'Directorio'");
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_EQ(Text("Servidor"), "");
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
}

TEST_F(MainWindowStartupTest, DaysInLettersStopTheSettingsAtLineSix) {
    Install(CrLfLines(
        {"r1", "r2", "r3", "srv", "/envio", "treinta", "SYSDBA", "masterkey", "001", "1"}));
    Create();
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "'treinta' is not a valid floating point value.");
    EXPECT_EQ(Text("Servidor"), "srv");
    EXPECT_EQ(Text("Tusua"), "");
    EXPECT_EQ(Text("Cia"), "");
    EXPECT_EQ(window->Parametros.ModoAutomatico, "");
}

TEST_F(MainWindowStartupTest, CommandLineWaitsForActivationThenWinsAndConnects) {
    Install(kFullSettings);
    Create({"07", "3", "002", "15"});
    EXPECT_EQ(Text("Fami"), "");  // not applied at creation
    EXPECT_EQ(Text("Cia"), "001");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EVENTUALLY(window->Calls("CiaExit") == 1);
    EXPECT_EQ(Text("Fami"), "07");
    EXPECT_EQ(window->Parametros.IdAgencia, "3");
    EXPECT_EQ(Text("Cia"), "002");
    EXPECT_EQ(Find<QAbstractSpinBox>("Dias")->text(), "15");
}

TEST_F(MainWindowStartupTest, ConnectOnlyWithServerUserPasswordAndCompany) {
    // No password in the settings: nothing to connect with.
    Install(CrLfLines({"r1", "r2", "r3", "srv", "/envio", "", "SYSDBA", "", "001", "0"}));
    Open({"07"});
    QTest::qWait(50);
    EXPECT_EQ(window->Calls("CiaExit"), 0);
    delete window.data();

    // The company missing from the settings comes from the command line.
    Install(CrLfLines({"r1", "r2", "r3", "srv", "/envio", "", "SYSDBA", "key", "", "0"}));
    Open({"", "", "005"});
    EXPECT_EVENTUALLY(window->Calls("CiaExit") == 1);
    EXPECT_EQ(Text("Cia"), "005");
    EXPECT_EQ(Text("Fami"), "");
}

// A number of days beyond what the edit holds shows as its limit, and the
// arrows step from there.
TEST_F(MainWindowStartupTest, HugeNumbersOfDaysShowAsTheEditsLimits) {
    Install(kFullSettings);
    Open({"07", "0", "001", "1e30"});
    auto* days = Find<QAbstractSpinBox>("Dias");
    EXPECT_EQ(days->text().toStdString(), "2147483647");
    days->setFocus();
    QTest::keyClick(days, Qt::Key_Up);
    EXPECT_EQ(days->text().toStdString(), "2147483647");
    QTest::keyClick(days, Qt::Key_Down);
    EXPECT_EQ(days->text().toStdString(), "2147483646");
    window->Dias->setValue(-1e30);
    EXPECT_EQ(days->text().toStdString(), "-2147483648");
}

TEST_F(MainWindowStartupTest, CommandLineDaysInLettersStopBeforeConnecting) {
    Install(kFullSettings);
    Create({"07", "0", "009", "x"});
    window->show();
    EXPECT_EVENTUALLY(MessageBox::takeShown().size() == 1u);
    EXPECT_EQ(Text("Fami"), "07");
    EXPECT_EQ(Text("Cia"), "009");
    EXPECT_EQ(Find<QAbstractSpinBox>("Dias")->text(), "30");
    QTest::qWait(50);
    EXPECT_EQ(window->Calls("CiaExit"), 0);
}

// Plays a desktop that never hands the window the focus.
class SwallowActivation : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::WindowActivate;
    }
};

TEST_F(MainWindowStartupTest, ShownWithoutTheDesktopFocusItStillActivatesOnce) {
    Install(kFullSettings);
    SwallowActivation desktop;
    Create({"07"});
    window->installEventFilter(&desktop);
    window->show();
    EXPECT_EVENTUALLY(window->Calls("CiaExit") == 1);
    EXPECT_EQ(Text("Fami"), "07");
    window->removeEventFilter(&desktop);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::qWait(50);
    EXPECT_EQ(window->Calls("FormActivate"), 1);
}

TEST_F(MainWindowStartupTest, ComingBackToTheWindowDoesNotActivateItAgain) {
    Install(kFullSettings);
    Open({"07"});
    EXPECT_EVENTUALLY(window->Calls("CiaExit") == 1);
    other = new QWidget;
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::qWait(50);
    EXPECT_EQ(window->Calls("FormActivate"), 1);
    EXPECT_EQ(window->Calls("CiaExit"), 1);
}

TEST_F(MainWindowStartupTest, TabRunsThroughTheGroupsAndLeavingCompanyOrFamilyConnects) {
    Install(CrLfLines({"r1", "r2", "r3", "srv", "/envio", "", "", "", "", "0"}));
    Open();
    Find<QLineEdit>("Servidor")->setFocus();
    std::vector<QString> visited;
    for (int step = 0; step < 6; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget()->objectName());
    }
    // Date, branch and "F2: Generar" are disabled until connected.
    EXPECT_EQ(visited, (std::vector<QString>{"Tusua", "TClave", "Cia", "Dias", "Fami", "BitBtn3"}));
    EXPECT_EQ(window->Calls("CiaExit"), 2);  // left Cia, left Fami

    window->EFecIni->setEnabled(true);
    Find<QLineEdit>("Cia")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "EFecIni");
    EXPECT_EQ(window->Calls("CiaExit"), 3);
    // One Tab leaves the date, whichever of its parts is being edited.
    const auto focused = [] { return QApplication::focusWidget()->objectName().toStdString(); };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focused(), "Dias");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), "EFecIni");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), "Cia");
}

TEST_F(MainWindowStartupTest, SwitchingWindowsIsNotLeavingTheCompanyField) {
    Install(CrLfLines({"r1", "r2", "r3", "srv", "/envio", "", "", "", "", "0"}));
    Open();
    Find<QLineEdit>("Cia")->setFocus();
    other = new QWidget;
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other));
    EXPECT_EQ(window->Calls("CiaExit"), 0);
}

}  // namespace
}  // namespace tramex
