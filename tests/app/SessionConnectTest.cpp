// The connect routine through the real window: connecting with the embedded
// engine and over TCP, failed connects, the branch list and its refills, the
// branch chosen, and the unattended start.
#include "app/StatusPanel.h"
#include "data/Tfdm.h"
#include "tests/app/SessionTestSupport.h"

#include <QDate>

namespace tramex {
namespace {

using testing::ErpDatabase;

class SessionConnectTest : public testing::SessionTest {
  protected:
    void ExpectConnected() {
        EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
        EXPECT_TRUE(Find<QDateEdit>("EFecIni")->isEnabled());
        EXPECT_EQ(Find<QDateEdit>("EFecIni")->date(), QDate::currentDate());
        EXPECT_TRUE(Find<QDateEdit>("EFecIni")->hasFocus());
        EXPECT_TRUE(Find<QPushButton>("SpeedButton3")->isEnabled());
        EXPECT_EQ(dataModule.Quintor.State(), ConnectionState::Open);
    }

    // The notice is gone, so the fields can be corrected, and nothing was enabled.
    void ExpectFailedFirstConnect() {
        EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
        EXPECT_FALSE(Find<QDateEdit>("EFecIni")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>("SpeedButton3")->isEnabled());
        EXPECT_FALSE(Find<QComboBox>("CboAgencia")->isEnabled());
        EXPECT_EQ(Find<QComboBox>("CboAgencia")->count(), 0);
        EXPECT_EQ(dataModule.Quintor.State(), ConnectionState::Closed);
    }

    const QString kBogota = QString::fromUtf8("Principal Bogot\u00e1");
};

TEST_F(SessionConnectTest, ActivationConnectsAndListsTheBranchesAfterAllBranches) {
    ErpDatabase erp(scratch.path() / "erp-data", "001");
    erp.Execute("INSERT INTO SUCURSALES VALUES (1, 'Principal Bogot\xE1')");
    erp.Execute("INSERT INTO SUCURSALES VALUES (2, 'Sucursal Medell\xEDn')");
    InstallFor(erp, "001");
    OpenConnected({"01", "7"});

    ExpectConnected();
    EXPECT_EQ(dataModule.Quintor.Entry("Database"), erp.Servidor() + "/datos/001/quintor.fdb");
    EXPECT_EQ(Branches(),
              QStringList({"Todas...", kBogota, QString::fromUtf8("Sucursal Medell\u00edn")}));
    EXPECT_TRUE(Find<QComboBox>("CboAgencia")->isEnabled());
    // In attended mode the selector overrides the command line's branch.
    EXPECT_EQ(window->Parametros.IdAgencia, "0");
    ChooseBranch(2);
    EXPECT_EQ(window->Parametros.IdAgencia, "2");
    ChooseBranch(1);
    EXPECT_EQ(window->Parametros.IdAgencia, "1");
    // The "Todas..." row lives in the list only.
    EXPECT_EQ(erp.Rows("SELECT COUNT(*) FROM SUCURSALES"), std::vector<std::string>{"2"});
}

TEST_F(SessionConnectTest, ConnectsToTheServerWithAHostPrefix) {
    std::string reason;
    auto erp = ErpDatabase::OnServer("001", &reason);
    if (!erp) GTEST_SKIP() << reason;
    erp->Execute("INSERT INTO SUCURSALES VALUES (4, 'Remota')");
    InstallFor(*erp, "001");
    OpenConnected();
    ExpectConnected();
    EXPECT_EQ(Branches(), QStringList({"Todas...", "Remota"}));
}

TEST_F(SessionConnectTest, WrongPasswordOnTheServerShowsTheServersErrorAndStops) {
    std::string reason;
    auto erp = ErpDatabase::OnServer("001", &reason);
    if (!erp) GTEST_SKIP() << reason;
    Install(testing::CrLfLines({"r1", "r2", "r3", erp->Servidor().c_str(), "/envio", "",
                                erp->User().c_str(), "not-the-password", "001", "0"}));
    OpenConnected();
    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(shown[0].text.contains("Your user name and password are not defined"))
        << shown[0].text.toStdString();
    ExpectFailedFirstConnect();
}

TEST_F(SessionConnectTest, MissingDatabaseFailsAndAFailedReconnectKeepsWhatWasEnabled) {
    ErpDatabase erp(scratch.path() / "erp-data", "001");
    Install(testing::CrLfLines({"r1", "r2", "r3", erp.Servidor().c_str(), "/envio", "", "SYSDBA",
                                "masterkey", "999", "0"}));
    OpenConnected();
    const auto first = TakeShownTexts();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].rfind("Database Error: ", 0), 0u) << first[0];
    EXPECT_NE(first[0].find("999/quintor.fdb"), std::string::npos) << first[0];
    ExpectFailedFirstConnect();

    TypeAndLeave("Cia", "001");
    EXPECT_EQ(window->Calls("CiaExit"), 2);
    ExpectConnected();
    EXPECT_EQ(Branches(), QStringList({"Todas..."}));  // empty table: all branches only

    // A company without a database: the error, and the date and F2 stay enabled.
    TypeAndLeave("Cia", "404");
    ASSERT_EQ(TakeShownTexts().size(), 1u);
    EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
    EXPECT_TRUE(Find<QDateEdit>("EFecIni")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("SpeedButton3")->isEnabled());
    EXPECT_EQ(dataModule.Quintor.State(), ConnectionState::Closed);
}

TEST_F(SessionConnectTest, MissingClientLibraryCannotBeLoaded) {
    ErpDatabase erp(scratch.path() / "erp-data", "001");
    InstallFor(erp, "001");
    dataModule.Quintor.SetLibraryName("libfbclient-missing.so.9");
    OpenConnected();
    EXPECT_EQ(TakeShownTexts(),
              std::vector<std::string>{"Unable to Load libfbclient-missing.so.9."});
    ExpectFailedFirstConnect();
}

// A branch 0 stands for all branches itself; of two branches with one name
// the selector resolves either to the first.
TEST_F(SessionConnectTest, ABranchZeroIsListedInTableOrderAndSharedNamesResolveToTheFirst) {
    ErpDatabase erp(scratch.path() / "erp-data", "001");
    erp.Execute("INSERT INTO SUCURSALES VALUES (5, 'Norte')");
    erp.Execute("INSERT INTO SUCURSALES VALUES (0, 'Consolidado')");
    erp.Execute("INSERT INTO SUCURSALES VALUES (6, 'Sur')");
    erp.Execute("INSERT INTO SUCURSALES VALUES (8, 'Norte')");
    InstallFor(erp, "001");
    OpenConnected();
    EXPECT_EQ(Branches(), QStringList({"Norte", "Consolidado", "Sur", "Norte"}));
    EXPECT_EQ(window->Parametros.IdAgencia, "5");  // item 0 chosen at connect
    ChooseBranch(1);
    EXPECT_EQ(window->Parametros.IdAgencia, "0");
    ChooseBranch(3);
    EXPECT_EQ(window->Parametros.IdAgencia, "5");
}

TEST_F(SessionConnectTest, ReconnectRefillsFromTheListAlreadyHeldAndResetsChoices) {
    ErpDatabase erp(scratch.path() / "erp-data", "001");
    erp.Execute("INSERT INTO SUCURSALES VALUES (1, 'Uno')");
    InstallFor(erp, "001");
    OpenConnected();
    ChooseBranch(1);
    Find<QDateEdit>("EFecIni")->setDate(QDate(2019, 9, 27));
    erp.Execute("INSERT INTO SUCURSALES VALUES (2, 'Dos')");

    TypeAndLeave("Fami", "01");  // leaving the family reconnects
    EXPECT_EQ(window->Calls("CiaExit"), 2);
    EXPECT_EQ(Branches(), QStringList({"Todas...", "Uno"}));  // not read again, not doubled
    EXPECT_EQ(Find<QComboBox>("CboAgencia")->currentIndex(), 0);
    EXPECT_EQ(window->Parametros.IdAgencia, "0");
    EXPECT_EQ(Find<QDateEdit>("EFecIni")->date(), QDate::currentDate());
}

TEST_F(SessionConnectTest, AnotherCompanysBranchesAreReadFromItsOwnDatabase) {
    ErpDatabase first(scratch.path() / "erp-data", "001");
    ErpDatabase second(scratch.path() / "erp-data", "002");
    first.Execute("INSERT INTO SUCURSALES VALUES (1, 'Primera')");
    second.Execute("INSERT INTO SUCURSALES VALUES (0, 'Todas las de la segunda')");
    second.Execute("INSERT INTO SUCURSALES VALUES (7, 'Segunda')");
    InstallFor(first, "001");
    OpenConnected();
    ASSERT_EQ(Branches(), QStringList({"Todas...", "Primera"}));

    TypeAndLeave("Cia", "002");
    EXPECT_EQ(Branches(), QStringList({"Todas las de la segunda", "Segunda"}));
    ChooseBranch(1);
    EXPECT_EQ(window->Parametros.IdAgencia, "7");

    TypeAndLeave("Cia", "001");  // and back: the first company's rows again
    EXPECT_EQ(Branches(), QStringList({"Todas...", "Primera"}));
}

TEST_F(SessionConnectTest, UnattendedConnectLeavesTheSelectorAloneAndGenerates) {
    ErpDatabase erp(scratch.path() / "erp-data", "001");
    erp.Execute("INSERT INTO SUCURSALES VALUES (1, 'Uno')");
    InstallFor(erp, "001", "1");
    OpenConnected({"07", "3"});
    // The connection fired the generate request at once; family 07 has no destination.
    EXPECT_EQ(window->Calls("SpeedButton3Click"), 1);
    EXPECT_EQ(TakeShownTexts(),
              std::vector<std::string>{"Debe configurar el host de destino para esa familia"});
    EXPECT_FALSE(Find<QComboBox>("CboAgencia")->isEnabled());
    EXPECT_EQ(Find<QComboBox>("CboAgencia")->count(), 0);
    EXPECT_EQ(window->Parametros.IdAgencia, "3");
    EXPECT_TRUE(Find<QLabel>("Panel5")->isHidden());
}

}  // namespace
}  // namespace tramex
