// The generate request through the real window: the family's destination
// looked up and copied into the run parameters, the generation window shown
// modally (a stand-in here) and the main window closing after it.
#include "app/DestinationLookup.h"
#include "app/ErrorHandler.h"
#include "tests/app/SessionTestSupport.h"

#include <QGroupBox>

namespace tramex {
namespace {

using testing::ErpDatabase;

class GenerateRequestTest : public testing::SessionTest {
  protected:
    void SetUp() override {
        erp = std::make_unique<ErpDatabase>(scratch.path() / "erp-data", "001");
        erp->Execute("INSERT INTO SUCURSALES VALUES (4, 'Cuatro')");
    }

    // Connects, sets the family and presses F2; returns what was handed over.
    std::shared_ptr<std::vector<testing::ObservedWindow::Generation>> Generate(
        const QString& family, const char* mode = "0", std::vector<std::string> commandLine = {}) {
        InstallFor(*erp, "001", mode);
        OpenConnected(std::move(commandLine));
        auto generations = window->generations;
        if (window) {
            Find<QLineEdit>("Fami")->setText(family);
            QTest::keyClick(window, Qt::Key_F2);
        }
        return generations;
    }

    std::unique_ptr<ErpDatabase> erp;
};

TEST(DestinationLookupTest, FamilyIsAQuotedLiteralInWindows1252) {
    EXPECT_EQ(DestinationLookupCommand("0'"),
              "select * from configura_linkftp where cflk_codfami = '0'''");
    EXPECT_EQ(DestinationLookupCommand(""),
              "select * from configura_linkftp where cflk_codfami = ''");
    EXPECT_EQ(DestinationLookupCommand("\u00f1'; drop table x --"),
              "select * from configura_linkftp where cflk_codfami = '\xF1''; drop table x --'");
}

TEST_F(GenerateRequestTest, TheFirstRowOfTheFamilyFillsTheRunAndTheWindowClosesAfterIt) {
    erp->Execute(
        "INSERT INTO CONFIGURA_LINKFTP VALUES "
        "('0''', 9, 'ftp.zel', 'usu\xF1', 'cl\xE1ve', 'C1', 'entrada/a\xF1o', 'P1', 1)");
    erp->Execute(
        "INSERT INTO CONFIGURA_LINKFTP VALUES "
        "('0''', 0, 'ftp.segundo', 'x', 'y', 'C9', '', 'P9', 1)");
    InstallFor(*erp, "001");
    OpenConnected();
    auto generations = window->generations;
    ChooseBranch(1);
    Find<QLineEdit>("Fami")->setText("0'");
    QTest::keyClick(window, Qt::Key_F2);
    EXPECT_EVENTUALLY(window.isNull());
    ASSERT_EQ(generations->size(), 1u);
    const auto& run = generations->front();
    EXPECT_EQ(run.lookupCommand, "select * from configura_linkftp where cflk_codfami = '0'''");
    EXPECT_EQ(run.parametros.Familia, "0'");
    EXPECT_EQ(run.parametros.ServidorFtp, "ftp.zel");
    EXPECT_EQ(run.parametros.UsuarioFtp, "usu\u00f1");
    EXPECT_EQ(run.parametros.ClaveFtp, "cl\u00e1ve");
    EXPECT_EQ(run.parametros.CodCasa, "C1");
    EXPECT_EQ(run.parametros.CodPartner, "P1");
    EXPECT_EQ(run.parametros.UbicaDoc, "entrada/a\u00f1o");
    EXPECT_EQ(run.parametros.IdAgencia, "4");  // from the selector, not the row
    EXPECT_EQ(run.modoInDataModule, "0");
    const auto today = QDate::currentDate();
    EXPECT_EQ(run.parametros.Fecha,
              std::chrono::year_month_day(std::chrono::year(today.year()),
                                          std::chrono::month(static_cast<unsigned>(today.month())),
                                          std::chrono::day(static_cast<unsigned>(today.day()))));
    EXPECT_FALSE(run.statusPanelShown);
    EXPECT_TRUE(run.ownedByThisWindow);
    EXPECT_TRUE(run.modal);
}

// The button does not take the focus, so clicking it is not leaving the family
// field, which would reconnect and reset the date and the branch.
TEST_F(GenerateRequestTest, ClickingGenerateFromTheFamilyRunsWithTheChosenDateAndBranch) {
    erp->Execute(
        "INSERT INTO CONFIGURA_LINKFTP VALUES "
        "('01', 0, 'ftp.zel', 'u', 'k', 'C1', '', 'P1', 1)");
    InstallFor(*erp, "001");
    OpenConnected();
    auto generations = window->generations;
    ChooseBranch(1);
    Find<QDateEdit>("EFecIni")->setDate(QDate(2019, 9, 27));
    auto* family = Find<QLineEdit>("Fami");
    family->setFocus();
    QTest::keyClicks(family, "01");
    QTest::mouseClick(Find<QPushButton>("SpeedButton3"), Qt::LeftButton);
    EXPECT_EVENTUALLY(window.isNull());
    ASSERT_EQ(generations->size(), 1u);
    using namespace std::chrono;
    EXPECT_EQ(generations->front().parametros.Fecha, year_month_day(2019y / September / 27d));
    EXPECT_EQ(generations->front().parametros.IdAgencia, "4");
}

TEST_F(GenerateRequestTest, UnattendedRunKeepsTheCommandLineBranchAndPassesTheFlag) {
    erp->Execute(
        "INSERT INTO CONFIGURA_LINKFTP VALUES "
        "('01', 0, 'ftp.zel', 'u', 'k', 'C1', '', 'P1', 1)");
    InstallFor(*erp, "001", "1");
    Create({"01", "3"});
    auto generations = window->generations;
    window->runHandlers = true;
    window->show();
    EXPECT_EVENTUALLY(window.isNull());  // connect, generate, close: no key pressed
    ASSERT_EQ(generations->size(), 1u);
    EXPECT_EQ(generations->front().parametros.IdAgencia, "3");
    EXPECT_EQ(generations->front().modoInDataModule, "1");
    EXPECT_EQ(dataModule.ModoAutomatico, "1");
}

TEST_F(GenerateRequestTest, NoRowForTheFamilyTellsTheOperatorAndStays) {
    // A row without a family is not the empty family.
    erp->Execute("INSERT INTO CONFIGURA_LINKFTP (CFLK_CODFAMI, CFLK_SERVER) VALUES (NULL, 's')");
    auto generations = Generate("");
    EXPECT_EQ(TakeShownTexts(),
              std::vector<std::string>{"Debe configurar el host de destino para esa familia"});
    EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
    EXPECT_TRUE(generations->empty());
    EXPECT_FALSE(window.isNull());
}

TEST_F(GenerateRequestTest, ADatabaseErrorInTheLookupStopsAndTakesTheNoticeAway) {
    erp->Execute("DROP TABLE CONFIGURA_LINKFTP");
    auto generations = Generate("01");
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(shown[0].text.contains("CONFIGURA_LINKFTP")) << shown[0].text.toStdString();
    EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
    EXPECT_TRUE(generations->empty());
}

TEST_F(GenerateRequestTest, WithTheEditorOpenTheRequestAsksToSaveOrCancelFirst) {
    erp->Execute(
        "INSERT INTO CONFIGURA_LINKFTP VALUES "
        "('01', 0, 'ftp.zel', 'u', 'k', 'C1', '', 'P1', 1)");
    InstallFor(*erp, "001");
    OpenConnected();
    Find<QLineEdit>("Fami")->setText("01");
    QTest::keyClick(window, Qt::Key_F9);
    // The unattended chain or a click can still reach the request itself.
    EXPECT_TRUE(RunHandler([&] { window->SpeedButton3Click(); }));
    EXPECT_EQ(TakeShownTexts(),
              std::vector<std::string>{
                  "Debe Grabar o Cancelar los cambios de las configuraciones de servidor FTP"});
    EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
    EXPECT_TRUE(window->generations->empty());
}

}  // namespace
}  // namespace tramex
