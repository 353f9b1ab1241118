// The snapshot's in-memory inserts and its edit log saved to or discarded
// from the destination table.
#include "data/DatabaseError.h"
#include "data/DecimalText.h"
#include "data/Instantanea.h"
#include "tests/support/db/TempDatabase.h"

#include "common/Error.h"

#include <gtest/gtest.h>

namespace tramex {
namespace {

using test::TempDatabase;
using Rows = std::vector<std::string>;

class SnapshotEdit : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDecimalSeparator('.');
        database_.Execute(
            "CREATE TABLE CONFIGURA_LINKFTP (CFLK_CODFAMI CHAR(2) NOT NULL PRIMARY KEY, SUCU_ID "
            "INTEGER, "
            "CFLK_SERVER VARCHAR(60), CFLK_CLAVE VARCHAR(60), CFLK_DIAS INTEGER, CFLK_TOPE "
            "NUMERIC(15,2))");
        database_.Execute(
            "INSERT INTO CONFIGURA_LINKFTP VALUES ('01', 0, 'ftp.uno', 'k1', 30, 1.50)");
        database_.Execute(
            "INSERT INTO CONFIGURA_LINKFTP VALUES ('02', 1, 'ftp.dos', NULL, NULL, NULL)");
        database_.Execute(
            "INSERT INTO CONFIGURA_LINKFTP VALUES ('03', 2, 'ftp.tres', '', 7, -2.50)");
        editor_.SetCommandText("SELECT * FROM CONFIGURA_LINKFTP ORDER BY CFLK_CODFAMI");
        editor_.Open();
    }

    // The table as another reader sees it: one "a|b|..." line per row, NULL as "<null>".
    Rows TableRows() {
        Instantanea reader(&database_.Db());
        reader.SetCommandText("SELECT * FROM CONFIGURA_LINKFTP ORDER BY CFLK_CODFAMI");
        reader.Open();
        return RowsOf(reader);
    }

    static Rows RowsOf(Instantanea& snapshot) {
        Rows rows;
        for (snapshot.First(); !snapshot.Eof(); snapshot.Next()) {
            std::string line;
            for (size_t i = 0; i < snapshot.Fields().size(); ++i) {
                line += i ? "|" : "";
                line += snapshot.IsNull(static_cast<int>(i))
                            ? "<null>"
                            : snapshot.FieldText(static_cast<int>(i));
            }
            rows.push_back(line);
        }
        return rows;
    }

    void Set(const char* field, std::optional<std::string> value) {
        editor_.SetFieldText(editor_.FieldIndex(field), std::move(value));
    }

    TempDatabase database_;
    Instantanea editor_{&database_.Db()};
    const Rows original_{"01|0|ftp.uno|k1|30|1.5", "02|1|ftp.dos|<null>|<null>|<null>",
                         "03|2|ftp.tres||7|-2.5"};
};

TEST_F(SnapshotEdit, InsertGoesBeforeTheCurrentRowAndStaysInMemoryOnly) {
    // Right after opening the current row is the first: the new row leads.
    editor_.Insert();
    Set("SUCU_ID", "0");
    editor_.Post();
    EXPECT_EQ(editor_.RecNo(), 0u);
    EXPECT_EQ(editor_.FieldText("SUCU_ID"), "0");
    EXPECT_TRUE(editor_.IsNull(editor_.FieldIndex("CFLK_SERVER")));
    ASSERT_EQ(editor_.RecordCount(), 4u);
    EXPECT_EQ(editor_.FieldTextAt(1, 0), "01");

    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "03"));
    editor_.Insert();
    Set("CFLK_CODFAMI", "9x");
    editor_.Post();
    EXPECT_EQ(RowsOf(editor_)[3], "9x|<null>|<null>|<null>|<null>|<null>");
    EXPECT_EQ(RowsOf(editor_)[4], original_[2]);

    EXPECT_EQ(editor_.PendingChanges(), 2u);
    EXPECT_EQ(TableRows(), original_);  // nothing reached the database
}

TEST_F(SnapshotEdit, UntouchedNewRowIsDroppedAndCancelLeavesNoTrace) {
    editor_.Insert();
    editor_.Post();
    EXPECT_EQ(editor_.RecordCount(), 3u);
    EXPECT_EQ(editor_.PendingChanges(), 0u);

    editor_.MoveTo(1);
    Set("CFLK_SERVER", "changed");
    EXPECT_TRUE(editor_.Modified());
    EXPECT_EQ(editor_.FieldText("CFLK_SERVER"), "changed");
    editor_.Cancel();
    EXPECT_EQ(editor_.FieldText("CFLK_SERVER"), "ftp.dos");
    EXPECT_EQ(editor_.PendingChanges(), 0u);
}

TEST_F(SnapshotEdit, SaveSendsInsertsUpdatesAndDeletesTogether) {
    editor_.Insert();
    Set("CFLK_CODFAMI", "04");
    Set("SUCU_ID", "5");
    Set("CFLK_SERVER", "ftp.o'neil; DROP TABLE X");
    Set("CFLK_TOPE", "1234.5");
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "01"));  // navigating posts the new row
    Set("CFLK_CLAVE", "nueva\xf1");
    Set("CFLK_TOPE", "-0.05");
    editor_.Post();
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "03"));
    editor_.Delete();
    EXPECT_EQ(editor_.PendingChanges(), 3u);

    editor_.ApplyUpdates("CONFIGURA_LINKFTP");
    EXPECT_EQ(editor_.PendingChanges(), 0u);
    const Rows expected{"01|0|ftp.uno|nueva\xf1|30|-0.05", "02|1|ftp.dos|<null>|<null>|<null>",
                        "04|5|ftp.o'neil; DROP TABLE X|<null>|<null>|1234.5"};
    EXPECT_EQ(TableRows(), expected);
    EXPECT_EQ(editor_.RecordCount(), 3u);

    // What was saved is the new starting point: discarding now changes nothing.
    editor_.CancelUpdates();
    Rows shown = RowsOf(editor_);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, expected);
}

TEST_F(SnapshotEdit, FailingSecondRowRollsTheWholeBatchBackAndKeepsTheLog) {
    editor_.MoveTo(2);
    Set("CFLK_SERVER", "ftp.tres.nuevo");  // fine on its own
    editor_.Post();
    editor_.Insert();
    Set("CFLK_CODFAMI", "01");  // duplicate primary key: fails in the database
    editor_.Post();
    ASSERT_EQ(editor_.PendingChanges(), 2u);

    try {
        editor_.ApplyUpdates("CONFIGURA_LINKFTP");
        FAIL() << "a duplicate key was saved";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.LayerText(),
                  "Insert into CONFIGURA_LINKFTP (\"CFLK_CODFAMI\" = '01') failed");
        EXPECT_NE(error.ServerText().find("PRIMARY"), std::string::npos) << error.what();
    }
    EXPECT_EQ(TableRows(), original_);  // the first row's update was rolled back too
    EXPECT_EQ(editor_.PendingChanges(), 2u);
    EXPECT_EQ(editor_.RecordCount(), 4u);  // the grid still shows the edits

    // Mend the new row and save again: the same log goes through.
    ASSERT_TRUE(editor_.Locate("CFLK_SERVER", ""));
    ASSERT_TRUE(editor_.IsNull(editor_.FieldIndex("CFLK_SERVER")));
    Set("CFLK_CODFAMI", "05");
    editor_.ApplyUpdates("CONFIGURA_LINKFTP");
    EXPECT_EQ(TableRows(), (Rows{original_[0], original_[1], "03|2|ftp.tres.nuevo||7|-2.5",
                                 "05|<null>|<null>|<null>|<null>|<null>"}));
}

TEST_F(SnapshotEdit, RowChangedMeanwhileFailsTheSave) {
    editor_.MoveTo(0);
    Set("CFLK_DIAS", "31");
    editor_.Post();
    editor_.MoveTo(2);
    editor_.Delete();

    {
        auto other = database_.Connect();  // another user edits the row after our fetch
        other->ExecuteDdl(
            "UPDATE CONFIGURA_LINKFTP SET CFLK_CLAVE = 'otra' WHERE CFLK_CODFAMI = '03'");
        other->Close();
    }
    try {
        editor_.ApplyUpdates("CONFIGURA_LINKFTP");
        FAIL() << "a row changed meanwhile was deleted";
    } catch (const DatabaseError& error) {
        EXPECT_STREQ(error.what(),
                     "Database Error: Delete from CONFIGURA_LINKFTP (\"CFLK_CODFAMI\" = '03'): "
                     "record not found or changed by another user");
    }
    Rows expected = original_;
    expected[2] = "03|2|ftp.tres|otra|7|-2.5";
    EXPECT_EQ(TableRows(), expected);  // the first update did not stay either
    EXPECT_EQ(editor_.PendingChanges(), 2u);
}

TEST_F(SnapshotEdit, NullOriginalValuesAreMatchedWithIsNull) {
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "02"));  // CLAVE, DIAS and TOPE are NULL
    Set("CFLK_CLAVE", "puesta");
    Set("CFLK_DIAS", std::nullopt);
    editor_.Post();
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "03"));  // CLAVE is empty text, not NULL
    Set("CFLK_TOPE", std::nullopt);
    editor_.Post();
    editor_.ApplyUpdates("CONFIGURA_LINKFTP");
    EXPECT_EQ(TableRows(),
              (Rows{original_[0], "02|1|ftp.dos|puesta|<null>|<null>", "03|2|ftp.tres||7|<null>"}));

    // And a saved row can be edited and deleted again by its new values.
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "02"));
    editor_.Delete();
    editor_.ApplyUpdates("CONFIGURA_LINKFTP");
    EXPECT_EQ(TableRows(), (Rows{original_[0], "03|2|ftp.tres||7|<null>"}));
}

TEST_F(SnapshotEdit, DiscardRestoresTheRowsAsFetched) {
    editor_.Insert();
    Set("CFLK_CODFAMI", "07");
    editor_.Post();
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "02"));
    Set("CFLK_SERVER", "otro");
    editor_.Post();
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "01"));
    editor_.Delete();
    EXPECT_EQ(RowsOf(editor_), (Rows{"07|<null>|<null>|<null>|<null>|<null>",
                                     "02|1|otro|<null>|<null>|<null>", original_[2]}));

    editor_.CancelUpdates();
    EXPECT_EQ(editor_.PendingChanges(), 0u);
    EXPECT_EQ(RowsOf(editor_), original_);
    editor_.ApplyUpdates("CONFIGURA_LINKFTP");  // an empty log sends nothing
    EXPECT_EQ(TableRows(), original_);
}

TEST_F(SnapshotEdit, EditsOfUnsavedRowsFoldIntoOneStatement) {
    editor_.Insert();
    Set("CFLK_CODFAMI", "08");
    editor_.Post();
    Set("CFLK_SERVER", "despues");  // still the inserted row: stays one insert
    editor_.Post();
    editor_.Insert();
    Set("CFLK_CODFAMI", "09");
    editor_.Post();
    editor_.Delete();  // inserted then deleted: nothing to send
    ASSERT_TRUE(editor_.Locate("CFLK_CODFAMI", "02"));
    Set("CFLK_SERVER", "a");
    editor_.Post();
    Set("CFLK_SERVER", "b");
    editor_.Post();
    EXPECT_EQ(editor_.PendingChanges(), 2u);

    editor_.ApplyUpdates("configura_linkftp");
    EXPECT_EQ(TableRows(), (Rows{original_[0], "02|1|b|<null>|<null>|<null>", original_[2],
                                 "08|<null>|despues|<null>|<null>|<null>"}));
}

TEST(SnapshotEditDuplicates, RowsThatCannotBeToldApartAreNotChangedTogether) {
    TempDatabase database;
    database.Execute("CREATE TABLE LOOSE (CODE VARCHAR(5), N INTEGER)");
    database.Execute("INSERT INTO LOOSE VALUES ('a', 1)");
    database.Execute("INSERT INTO LOOSE VALUES ('a', 1)");
    Instantanea editor(&database.Db());
    editor.SetCommandText("SELECT * FROM LOOSE");
    editor.Open();
    editor.SetFieldText(1, "2");
    editor.Post();
    try {
        editor.ApplyUpdates("LOOSE");
        FAIL() << "one edit changed two rows";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("more than one record matches"), std::string::npos)
            << error.what();
    }
    Instantanea reader(&database.Db());
    reader.SetCommandText("SELECT SUM(N) AS TOTAL FROM LOOSE");
    reader.Open();
    EXPECT_EQ(reader.FieldText("TOTAL"), "2");
}

}  // namespace
}  // namespace tramex
