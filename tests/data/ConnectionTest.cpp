// Attaching, entries, the errors the layer raises, and the real server over TCP.
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/DecimalText.h"
#include "data/Instantanea.h"
#include "tests/support/db/TempDatabase.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

using test::TempDatabase;

TEST(Connection, EntriesCompareWithoutCaseAndHoldDefaultsUntilSet) {
    Connection connection;
    EXPECT_EQ(connection.Entry("user_name"), "SYSDBA");
    EXPECT_EQ(connection.Entry("PASSWORD"), "masterkey");
    EXPECT_FALSE(connection.Entry("Database").empty());

    connection.SetEntry("password", "secret");  // replaces the whole "Password" entry
    EXPECT_EQ(connection.Entry("Password"), "secret");
    connection.SetEntry("DATABASE", "host:/x.fdb");
    EXPECT_EQ(connection.Entry("database"), "host:/x.fdb");
    EXPECT_EQ(connection.Entry("No_Such_Entry"), "");
}

TEST(Connection, OpensClosesAndReportsItsState) {
    TempDatabase database;
    Connection& connection = database.Db();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.State(), ConnectionState::Open);
    connection.Close();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.State(), ConnectionState::Closed);
    connection.Close();  // no effect when closed
    connection.Open();
    connection.Open();  // no effect when open
    EXPECT_EQ(connection.State(), ConnectionState::Open);
}

TEST(Connection, QueryOnClosedConnectionOpensItWithTheEntriesHeldThen) {
    TempDatabase first;
    TempDatabase second;
    first.Execute("CREATE TABLE WHO (NAME VARCHAR(10))");
    first.Execute("INSERT INTO WHO VALUES ('first')");
    second.Execute("CREATE TABLE WHO (NAME VARCHAR(10))");
    second.Execute("INSERT INTO WHO VALUES ('second')");

    Connection connection;
    connection.SetEntry("Database", first.Location());
    connection.SetEntry("User_Name", first.User());
    connection.SetEntry("Password", first.Password());
    connection.SetEntry("Database", second.Location());  // the entry held when the query runs wins

    Instantanea snapshot(&connection);
    snapshot.SetCommandText("SELECT NAME FROM WHO");
    ASSERT_FALSE(connection.Connected());
    snapshot.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(snapshot.FieldText("NAME"), "second");
    connection.Close();
}

TEST(Connection, MissingDatabaseRaisesTheDatabaseErrorWithServerText) {
    TempDatabase existing;  // only for a folder path that surely exists
    Connection connection;
    const std::string missing = existing.Location() + ".missing";
    connection.SetEntry("Database", missing);
    try {
        connection.Open();
        FAIL() << "attach to a missing file succeeded";
    } catch (const DatabaseError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Database Error: Attach to database \"" + missing +
                                    "\" failed\r\nSQL Server Error: ",
                                0),
                  0u)
            << message;
        EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
        for (std::size_t at = message.find('\n'); at != std::string::npos;
             at = message.find('\n', at + 1))
            EXPECT_EQ(message[at - 1], '\r') << "every line break is CR LF: " << message;
    }
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.State(), ConnectionState::Closed);
}

TEST(Connection, MissingClientLibraryRaisesUnableToLoad) {
    Connection connection;
    connection.SetLibraryName("libfbclient-missing.so.9");
    try {
        connection.Open();
        FAIL() << "a missing client library was loaded";
    } catch (const LibraryLoadError& error) {
        EXPECT_STREQ(error.what(), "Unable to Load libfbclient-missing.so.9");
    }
    EXPECT_EQ(connection.State(), ConnectionState::Closed);

    // A library without the client's entry point is refused the same way.
    connection.SetLibraryName("libc.so.6");
    EXPECT_THROW(connection.Open(), LibraryLoadError);
}

TEST(Connection, SqlErrorsCarryTheServerTextAndTheStatementGoesNowhere) {
    TempDatabase database;
    Instantanea snapshot(&database.Db());
    snapshot.SetCommandText("SELECT * FROM NO_SUCH_TABLE");
    try {
        snapshot.Open();
        FAIL() << "query on a missing table succeeded";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.LayerText(), "Query failed");
        EXPECT_NE(error.ServerText().find("Table unknown\r\n-NO_SUCH_TABLE"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(snapshot.Active());
    EXPECT_EQ(database.Db().State(),
              ConnectionState::Open);  // the connection survives a failed query
}

TEST(Connection, ParametersTravelAsBytesNeverAsSql) {
    TempDatabase database;
    database.Execute("CREATE TABLE T (S VARCHAR(40), N NUMERIC(15,2))");
    const std::string hostile = "x'); DROP TABLE T; --\xf1";
    database.Db().ExecuteDdl("INSERT INTO T VALUES (?, ?)",
                             {SqlParameter{FieldKind::Text, hostile, std::nullopt, 0},
                              SqlParameter{FieldKind::Decimal, std::nullopt, int64_t{-250}, 2}});
    Instantanea snapshot(&database.Db());
    snapshot.SetCommandText("SELECT S, N FROM T");
    snapshot.Open();
    ASSERT_EQ(snapshot.RecordCount(), 1u);
    EXPECT_EQ(snapshot.FieldText("S"), hostile);
    SetDecimalSeparator('.');
    EXPECT_EQ(snapshot.FieldText("N"), "-2.5");
}

// Real server over TCP: needs scripts/services/firebird.sh.
class ServerConnection : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string reason;
        database_ = TempDatabase::OnServer(&reason);
        if (!database_) GTEST_SKIP() << reason;
    }
    std::unique_ptr<TempDatabase> database_;
};

TEST_F(ServerConnection, AttachesOverTcpAndReadsRowsBack) {
    database_->Execute(
        "CREATE TABLE SUCURSALES (SUCU_ID INTEGER NOT NULL, SUCU_NOMBRE VARCHAR(60))");
    database_->Execute("INSERT INTO SUCURSALES VALUES (3, 'Norte \xd1')");
    auto connection = database_->Connect();
    Instantanea branches(connection.get());
    branches.SetCommandText("SELECT * FROM SUCURSALES");
    branches.Open();
    ASSERT_EQ(branches.RecordCount(), 1u);
    EXPECT_EQ(branches.FieldText("SUCU_ID"), "3");
    EXPECT_EQ(branches.FieldText("SUCU_NOMBRE"), "Norte \xd1");
    connection->Close();
}

TEST_F(ServerConnection, WrongPasswordRaisesTheDatabaseError) {
    Connection connection;
    connection.SetEntry("Database", database_->Location());
    connection.SetEntry("User_Name", database_->User());
    connection.SetEntry("Password", database_->Password() + "-wrong");
    try {
        connection.Open();
        FAIL() << "attach with a wrong password succeeded";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.LayerText(), "Attach to database \"" + database_->Location() + "\" failed");
        EXPECT_NE(error.ServerText().find("user name and password are not defined"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(connection.Connected());
}

TEST(Connection, UnreachableServerGivesOnlyTheClientsText) {
    Connection connection;
    // Port 1 on the loopback: nothing listens, the client itself reports it.
    connection.SetEntry("Database", "127.0.0.1/1:" + std::string("/nowhere.fdb"));
    try {
        connection.Open();
        FAIL() << "attach to a closed port succeeded";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.ServerText(), "");
        EXPECT_EQ(std::string(error.what())
                      .rfind("Database Error: Unable to complete network request", 0),
                  0u)
            << error.what();
    }
}

}  // namespace
}  // namespace tramex
