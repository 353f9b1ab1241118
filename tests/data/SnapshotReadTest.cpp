// Reading a snapshot: values exactly as stored, walking, searching, reopening.
#include "data/DecimalText.h"
#include "data/Instantanea.h"
#include "tests/support/db/TempDatabase.h"

#include "common/Error.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

using test::TempDatabase;

class SnapshotRead : public ::testing::Test {
  protected:
    void SetUp() override { SetDecimalSeparator('.'); }

    // Every value of one column, walking first to end as the writers do.
    std::vector<std::string> Column(Instantanea& snapshot, const std::string& field) {
        std::vector<std::string> values;
        for (snapshot.First(); !snapshot.Eof(); snapshot.Next())
            values.push_back(snapshot.FieldText(field));
        return values;
    }

    TempDatabase database_;
};

TEST_F(SnapshotRead, DecimalsKeepEveryStoredDigitAndDropTrailingZeros) {
    database_.Execute("CREATE TABLE AMOUNTS (ID INTEGER, TOT NUMERIC(15,2), QTY NUMERIC(15,4))");
    database_.Execute(
        "INSERT INTO AMOUNTS SELECT 1, 0.05, 0.0001 FROM RDB$DATABASE UNION ALL "
        "SELECT 2, -2.50, -2.5000 FROM RDB$DATABASE UNION ALL "
        "SELECT 3, 1234.50, 1234.5678 FROM RDB$DATABASE UNION ALL "
        "SELECT 4, 100.00, 100 FROM RDB$DATABASE UNION ALL "
        "SELECT 5, -0.00, -0.0000 FROM RDB$DATABASE UNION ALL "
        "SELECT 6, 7.10, 7.1000 FROM RDB$DATABASE UNION ALL "
        "SELECT 7, 7.00, 99999999999.9999 FROM RDB$DATABASE UNION ALL "
        "SELECT 8, -9999999999999.99, NULL FROM RDB$DATABASE");
    Instantanea snapshot(&database_.Db());
    snapshot.SetCommandText("SELECT * FROM AMOUNTS ORDER BY ID");
    snapshot.Open();

    const FieldDef& tot = snapshot.Fields()[1];
    EXPECT_EQ(tot.kind, FieldKind::Decimal);
    EXPECT_EQ(tot.scale, 2);
    EXPECT_EQ(snapshot.Fields()[2].scale, 4);
    EXPECT_EQ(snapshot.Fields()[0].kind, FieldKind::Integer);
    EXPECT_EQ(Column(snapshot, "TOT"),
              (std::vector<std::string>{"0.05", "-2.5", "1234.5", "100", "0", "7.1", "7",
                                        "-9999999999999.99"}));
    EXPECT_EQ(Column(snapshot, "QTY"),
              (std::vector<std::string>{"0.0001", "-2.5", "1234.5678", "100", "0", "7.1",
                                        "99999999999.9999", ""}));
    EXPECT_EQ(Column(snapshot, "ID"),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));

    SetDecimalSeparator(',');  // a regional comma changes how the same value reads
    snapshot.MoveTo(5);
    EXPECT_EQ(snapshot.FieldText("TOT"), "7,1");
    std::string line = "x{";
    snapshot.AppendFieldText(1, line);
    EXPECT_EQ(line, "x{7,1");
}

TEST_F(SnapshotRead, TextComesBackByteForByteNullDistinctFromEmptyCharPaddingKept) {
    database_.Execute("CREATE TABLE NAMES (ID INTEGER, NAME VARCHAR(60), CODE CHAR(5))");
    // Windows-1252 bytes, stored through a connection without character set.
    const std::string name =
        "Compa\xf1\xed"
        "a \x80 \"O'Neil\" {x}\r\n";
    database_.Db().ExecuteDdl("INSERT INTO NAMES VALUES (1, ?, ?)",
                              {SqlParameter{FieldKind::Text, name, std::nullopt, 0},
                               SqlParameter{FieldKind::Text, std::string("ab"), std::nullopt, 0}});
    database_.Execute("INSERT INTO NAMES VALUES (2, '', '')");
    database_.Execute("INSERT INTO NAMES VALUES (3, NULL, NULL)");
    database_.Execute("INSERT INTO NAMES VALUES (4, '  lead', 'abcde')");
    Instantanea snapshot(&database_.Db());
    snapshot.SetCommandText("SELECT * FROM NAMES ORDER BY ID");
    snapshot.Open();

    EXPECT_EQ(snapshot.Fields()[1].kind, FieldKind::Text);
    EXPECT_EQ(snapshot.Fields()[2].width, 5);
    EXPECT_EQ(Column(snapshot, "NAME"), (std::vector<std::string>{name, "", "", "  lead"}));
    EXPECT_EQ(Column(snapshot, "CODE"), (std::vector<std::string>{"ab   ", "     ", "", "abcde"}));

    snapshot.MoveTo(1);
    EXPECT_FALSE(snapshot.IsNull(1));
    EXPECT_FALSE(snapshot.IsNull(2));
    snapshot.MoveTo(2);
    EXPECT_TRUE(snapshot.IsNull(1));
    EXPECT_TRUE(snapshot.IsNull(2));
    EXPECT_TRUE(snapshot.IsNullAt(2, 1));
    EXPECT_EQ(snapshot.FieldTextAt(0, 1), name);
}

TEST_F(SnapshotRead, WalkEndsStandingOnTheLastRowAndEmptyResultIsAtEof) {
    database_.Execute("CREATE TABLE SALES (NUMDOC INTEGER, TOTALCONTROL NUMERIC(15,2))");
    Instantanea snapshot(&database_.Db());
    snapshot.SetCommandText("SELECT * FROM SALES");
    snapshot.Open();
    EXPECT_TRUE(snapshot.Eof());
    EXPECT_EQ(snapshot.RecordCount(), 0u);
    EXPECT_EQ(snapshot.FieldText("TOTALCONTROL"), "");  // no row reads as empty text
    snapshot.Close();

    database_.Execute("INSERT INTO SALES VALUES (1, 10.00)");
    database_.Execute("INSERT INTO SALES VALUES (2, 35.50)");
    snapshot.Open();  // reopening runs the command again
    ASSERT_EQ(snapshot.RecordCount(), 2u);
    int lines = 0;
    for (snapshot.First(); !snapshot.Eof(); snapshot.Next()) ++lines;
    EXPECT_EQ(lines, 2);
    EXPECT_TRUE(snapshot.Eof());
    EXPECT_EQ(snapshot.FieldText("TOTALCONTROL"), "35.5");
    EXPECT_EQ(snapshot.FieldText("NUMDOC"), "2");

    database_.Execute("INSERT INTO SALES VALUES (3, 1.00)");
    snapshot.Open();  // no effect while active: still the rows fetched before
    EXPECT_EQ(snapshot.RecordCount(), 2u);
}

TEST_F(SnapshotRead, LocateFindsTheFirstExactWholeCaseSensitiveMatchOnly) {
    database_.Execute(
        "CREATE TABLE SUCURSALES (SUCU_ID INTEGER NOT NULL, SUCU_NOMBRE VARCHAR(60))");
    database_.Execute("INSERT INTO SUCURSALES VALUES (1, 'Centro')");
    database_.Execute("INSERT INTO SUCURSALES VALUES (2, 'Norte')");
    database_.Execute("INSERT INTO SUCURSALES VALUES (3, 'Norte')");
    database_.Execute("INSERT INTO SUCURSALES VALUES (4, NULL)");
    Instantanea branches(&database_.Db());
    branches.SetCommandText("SELECT * FROM SUCURSALES ORDER BY SUCU_ID");
    branches.Open();

    ASSERT_TRUE(branches.Locate("SUCU_NOMBRE", "Norte"));
    EXPECT_EQ(branches.FieldText("SUCU_ID"), "2");  // two of that name: the first wins

    for (const char* miss : {"norte", "Nort", "Norte ", "NORTE"})
        EXPECT_FALSE(branches.Locate("SUCU_NOMBRE", miss)) << miss;
    EXPECT_EQ(branches.FieldText("SUCU_ID"), "2");  // current row unchanged by a miss

    EXPECT_FALSE(branches.Locate("SUCU_ID", "0"));
    ASSERT_TRUE(branches.Locate("SUCU_ID", "3"));
    EXPECT_EQ(branches.RecNo(), 2u);
    ASSERT_TRUE(branches.Locate("SUCU_NOMBRE", ""));  // NULL reads as empty text
    EXPECT_EQ(branches.FieldText("SUCU_ID"), "4");

    EXPECT_THROW(branches.Locate("NO_FIELD", "x"), Error);
    EXPECT_THROW(branches.FieldText("NO_FIELD"), Error);
    EXPECT_EQ(branches.FindField("NO_FIELD"), -1);
}

TEST_F(SnapshotRead, SelectableProcedureRowsArriveInTheirOrder) {
    database_.Execute(
        "CREATE PROCEDURE REP_VENTAS_ZEL (INI VARCHAR(10), FIN VARCHAR(10), SUC INTEGER, FAM "
        "VARCHAR(2)) "
        "RETURNS (NUMDOC VARCHAR(8), FECDOC VARCHAR(8), TOTALCONTROL NUMERIC(15,2)) AS "
        "BEGIN "
        "  NUMDOC = FAM || '-' || SUC; FECDOC = SUBSTRING(INI FROM 1 FOR 4); TOTALCONTROL = 12.30; "
        "SUSPEND; "
        "  NUMDOC = 'B'; FECDOC = SUBSTRING(FIN FROM 3 FOR 8); TOTALCONTROL = -0.50; SUSPEND; "
        "END");
    Instantanea sales(&database_.Db());
    sales.SetCommandText("select * from rep_ventas_zel('2019/09/01','2019/09/27',0,'01')");
    sales.Open();
    EXPECT_EQ(Column(sales, "NUMDOC"), (std::vector<std::string>{"01-0", "B"}));
    EXPECT_EQ(Column(sales, "TOTALCONTROL"), (std::vector<std::string>{"12.3", "-0.5"}));
    sales.Last();
    EXPECT_EQ(sales.FieldText("FECDOC"), "19/09/27");
}

TEST_F(SnapshotRead, DatesAndFloatingColumnsReadAsTheEnginesText) {
    database_.Execute("CREATE TABLE MIXED (D DATE, F DOUBLE PRECISION, S SMALLINT, B BIGINT)");
    database_.Execute("INSERT INTO MIXED VALUES ('2019-09-27', 1.5, -7, 9223372036854775807)");
    Instantanea snapshot(&database_.Db());
    snapshot.SetCommandText("SELECT * FROM MIXED");
    snapshot.Open();
    EXPECT_EQ(snapshot.FieldText("D"), "2019-09-27");
    EXPECT_EQ(snapshot.Fields()[1].kind, FieldKind::Text);
    EXPECT_NE(snapshot.FieldText("F").find("1.5"), std::string::npos) << snapshot.FieldText("F");
    EXPECT_EQ(snapshot.FieldText("S"), "-7");
    EXPECT_EQ(snapshot.FieldText("B"), "9223372036854775807");
}

TEST(SnapshotInMemory, AppendedRowsReadLikeFetchedOnes) {
    SetDecimalSeparator('.');
    Instantanea snapshot;
    snapshot.DefineFields({{"CODE", FieldKind::Text, 8, 0},
                           {"N", FieldKind::Integer, 10, 0},
                           {"AMOUNT", FieldKind::Decimal, 15, 2}});
    snapshot.OpenInMemory();
    EXPECT_TRUE(snapshot.Eof());
    snapshot.AppendRow({std::string("a  "), std::string("-12"), std::string("-2.50")});
    snapshot.AppendRow({std::string(""), std::nullopt, std::string("1234.50")});
    ASSERT_EQ(snapshot.RecordCount(), 2u);
    EXPECT_EQ(snapshot.FieldText("CODE"), "a  ");
    EXPECT_EQ(snapshot.FieldText("N"), "-12");
    EXPECT_EQ(snapshot.FieldText("AMOUNT"), "-2.5");
    snapshot.Next();
    EXPECT_FALSE(snapshot.IsNull(0));
    EXPECT_TRUE(snapshot.IsNull(1));
    EXPECT_EQ(snapshot.FieldText("AMOUNT"), "1234.5");

    EXPECT_THROW(snapshot.AppendRow({std::string("x"), std::string("1"), std::string("0.001")}),
                 Error);
    EXPECT_THROW(snapshot.AppendRow({std::string("x"), std::string("1.5"), std::nullopt}), Error);
    EXPECT_THROW(snapshot.AppendRow({std::string("x")}), Error);
    EXPECT_EQ(snapshot.RecordCount(), 2u);
}

}  // namespace
}  // namespace tramex
