// The window over the demo company database the deployment script creates:
// the branches and destinations it ships, an edit saved with F2 as another
// program (isql-fb) reads it back, and an edit dropped with Escape.
#include "app/DestinationGrid.h"
#include "app/DestinationModel.h"
#include "tests/app/SessionTestSupport.h"
#include "tests/support/db/DemoDatabase.h"

#include <QProcess>

namespace tramex {
namespace {

class DemoDatabaseTest : public testing::SessionTest {
  protected:
    void SetUp() override {
        erp = (scratch.path() / "erp").string();
        database = test::CreateDemoDatabase(erp, "001");
        Install(testing::CrLfLines(
            {"r1", "r2", "r3", erp.c_str(), "/envio", "30", "SYSDBA", "masterkey", "001", "0"}));
    }

    // What isql-fb reads from the demo database for one query. The embedded
    // engine holds the file for one process at a time: the window lets go first.
    std::string Isql(const std::string& sql) {
        dataModule.Quintor.Close();
        QProcess isql;
        isql.start("isql-fb", {"-q", "-user", "SYSDBA", "-password", "masterkey",
                               QString::fromStdString(database)});
        isql.write((sql + ";\n").c_str());
        isql.closeWriteChannel();
        EXPECT_TRUE(isql.waitForFinished(30000));
        return isql.readAllStandardOutput().toStdString() +
               isql.readAllStandardError().toStdString();
    }

    std::string erp;
    std::string database;
};

TEST_F(DemoDatabaseTest, F9ShowsTheDemoDestinationsF2SavesAndEscapeDrops) {
    OpenConnected();
    EXPECT_EQ(Branches(), QStringList({"Todas...", QString::fromUtf8("Principal Bogot\u00e1"),
                                       QString::fromUtf8("Sucursal Medell\u00edn"),
                                       QString::fromUtf8("Agencia Ca\u00f1averal")}));
    QTest::keyClick(window, Qt::Key_F9);
    DestinationModel* model = Find<DestinationGrid>("DBGridEh2")->Model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), "01");
    EXPECT_EQ(model->index(0, 2).data().toString(), "127.0.0.1");
    EXPECT_EQ(model->index(1, 6).data().toString(), "entrada");

    ASSERT_TRUE(model->setData(model->index(1, 2), "ftp.guardado", Qt::EditRole));
    QTest::keyClick(window, Qt::Key_F2);
    EXPECT_NE(Isql("SELECT CFLK_SERVER FROM CONFIGURA_LINKFTP WHERE CFLK_CODFAMI = '02'")
                  .find("ftp.guardado"),
              std::string::npos);

    QTest::keyClick(window, Qt::Key_F9);
    ASSERT_TRUE(model->setData(model->index(0, 3), "descartado", Qt::EditRole));
    QTest::keyClick(window, Qt::Key_Escape);
    const std::string users = Isql("SELECT CFLK_USUARIO FROM CONFIGURA_LINKFTP");
    EXPECT_EQ(users.find("descartado"), std::string::npos) << users;
    EXPECT_NE(users.find("demo"), std::string::npos) << users;
    EXPECT_FALSE(window.isNull());
}

}  // namespace
}  // namespace tramex
