// The destination editor through the real window over a company database:
// what F9 shows, edits through the grid's editors and the navigator, saving
// with F2 in one transaction, discarding with Escape, and the entry rules.
#include "app/DestinationGrid.h"
#include "app/DestinationModel.h"
#include "tests/app/SessionTestSupport.h"

#include <QGroupBox>
#include <QToolButton>

namespace tramex {
namespace {

using testing::ErpDatabase;
using Rows = std::vector<std::string>;

class DestinationEditorTest : public testing::SessionTest {
  protected:
    void SetUp() override {
        erp = std::make_unique<ErpDatabase>(scratch.path() / "erp-data", "001");
        erp->Execute(
            "INSERT INTO CONFIGURA_LINKFTP VALUES "
            "('01', 0, 'ftp.uno', 'u1', 'k1', 'C1', '', 'P1', 1)");
        erp->Execute(
            "INSERT INTO CONFIGURA_LINKFTP VALUES "
            "('02', 0, 'ftp.dos', 'u2', 'k2', 'C2', 'entrada/a\xF1o', 'P2', 2)");
        erp->Execute(
            "INSERT INTO CONFIGURA_LINKFTP VALUES "
            "('03', NULL, 'ftp.tres', NULL, NULL, 'C3', NULL, 'P3', NULL)");
        InstallFor(*erp, "001");
        OpenConnected();
        QTest::keyClick(window, Qt::Key_F9);
        panel = Find<QGroupBox>("AdvPanel1");
        grid = Find<DestinationGrid>("DBGridEh2");
        ASSERT_TRUE(grid);
        model = grid->Model();
    }

    // The grid's rows as the operator reads them.
    Rows GridRows() {
        Rows rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            std::string line;
            for (int column = 0; column < model->columnCount(); ++column)
                line +=
                    (column ? "|" : "") + model->index(row, column).data().toString().toStdString();
            rows.push_back(line);
        }
        return rows;
    }

    // Opens the cell's editor, types text over its value and presses Enter.
    void Type(int row, int column, const QString& text) {
        const QModelIndex cell = model->index(row, column);
        grid->setCurrentIndex(cell);
        grid->edit(cell);
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(cell));
        ASSERT_TRUE(editor) << "no editor at " << row << "," << column;
        editor->clear();
        // Qt Test types ASCII keys only; other characters arrive as by an input method.
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(editor, c.toLatin1());
            else
                editor->insert(c);
        }
        QPointer<QLineEdit> open(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EVENTUALLY(open.isNull() || !open->isVisible());
    }

    void Click(const char* navigatorButton) {
        QTest::mouseClick(Find<QToolButton>(navigatorButton), Qt::LeftButton);
    }

    std::unique_ptr<ErpDatabase> erp;
    QGroupBox* panel = nullptr;
    DestinationGrid* grid = nullptr;
    DestinationModel* model = nullptr;
    const Rows kOriginal{"01|0|ftp.uno|u1|k1|C1||P1|1", "02|0|ftp.dos|u2|k2|C2|entrada/a\xF1o|P2|2",
                         "03|<null>|ftp.tres|<null>|<null>|C3|<null>|P3|<null>"};
};

TEST_F(DestinationEditorTest, F9ShowsTheWholeTableDecodedUnderItsTitles) {
    EXPECT_TRUE(panel->isVisible());
    QStringList titles;
    for (int column = 0; column < model->columnCount(); ++column)
        titles << model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, QStringList({"Cod. Familia", "Agencia", "Serv. FTP", "Usu. FTP", "Clave FTP",
                                   "Cod. Casa", "Ubica Doc. FTP", "Cod. Partner", "Dias"}));
    EXPECT_EQ(GridRows(),
              (Rows{"01|0|ftp.uno|u1|k1|C1||P1|1", "02|0|ftp.dos|u2|k2|C2|entrada/a\u00f1o|P2|2",
                    "03||ftp.tres|||C3||P3|"}));
    EXPECT_EQ(model->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QChar(0x25BA));
}

TEST_F(DestinationEditorTest, EditsInsertsAndDeletesAreSavedByF2AndNothingIsGenerated) {
    Type(0, 2, QString::fromUtf8("ftp.ba\u00f1o"));
    // Enter took the text and moved on to the next cell of the row.
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(grid->currentIndex().column(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), "I");

    grid->setCurrentIndex(model->index(1, 0));
    Click("nbInsert");  // before the current row
    ASSERT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), "*");
    Type(1, 0, "09");
    Type(1, 2, "ftp.nueve");
    Type(1, 8, "5");

    grid->setCurrentIndex(model->index(3, 0));  // row 03
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    Click("nbDelete");
    ASSERT_EQ(model->rowCount(), 4);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    Click("nbDelete");
    const auto asked = MessageBox::takeShown();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Delete record?");
    EXPECT_EQ(asked[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(erp->Destinations(), kOriginal);  // nothing written before the save

    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(erp->Destinations(),
              (Rows{"01|0|ftp.ba\xF1o|u1|k1|C1||P1|1", "02|0|ftp.dos|u2|k2|C2|entrada/a\xF1o|P2|2",
                    "09|<null>|ftp.nueve|<null>|<null>|<null>|<null>|<null>|5"}));
    EXPECT_EQ(window->CConfigtramex.PendingChanges(), 0u);
    EXPECT_EQ(window->Calls("SpeedButton3Click"), 0);
    EXPECT_TRUE(window->generations->empty());
    EXPECT_FALSE(window.isNull());
}

// Typed as the operator types, into whatever has the focus, with the message
// loop running between keys: the first key of a cell opens its editor, Enter
// closes it and goes to the next cell.
TEST_F(DestinationEditorTest, ARowTypedWithEnterLandsInItsColumnsAndF2SavesIt) {
    testing::QtWarnings warnings;
    grid->setCurrentIndex(model->index(0, 0));
    Click("nbInsert");
    for (const char* cell : {"03", "0", "127.0.0.31", "usr", "pwd", "C3", "dir", "P3", "4"}) {
        testing::TypeIntoFocus(cell);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::qWait(5);
    }
    EXPECT_EQ(grid->currentIndex(), model->index(1, 0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_EQ(erp->Destinations(), (Rows{kOriginal[0], kOriginal[1],
                                         "03|0|127.0.0.31|usr|pwd|C3|dir|P3|4", kOriginal[2]}));
    EXPECT_EQ(testing::QtWarnings::Take(), Rows{});
}

TEST_F(DestinationEditorTest, EscapeDropsEveryUnsavedEdit) {
    Type(1, 4, "otra-clave");
    Click("nbInsert");
    Type(model->CurrentRow(), 0, "77");
    grid->setCurrentIndex(model->index(0, 0));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    Click("nbDelete");
    ASSERT_EQ(MessageBox::takeShown().size(), 1u);

    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(window.isNull());  // Escape in the editor does not end the program
    EXPECT_EQ(window->CConfigtramex.PendingChanges(), 0u);
    EXPECT_EQ(erp->Destinations(), kOriginal);
    QTest::keyClick(window, Qt::Key_F9);
    EXPECT_EQ(GridRows()[0], "01|0|ftp.uno|u1|k1|C1||P1|1");
    EXPECT_EQ(GridRows()[1], "02|0|ftp.dos|u2|k2|C2|entrada/a\u00f1o|P2|2");
    EXPECT_EQ(model->rowCount(), 3);
}

TEST_F(DestinationEditorTest, ASaveFailingOnItsSecondRowWritesNothingAndKeepsTheEdits) {
    Type(0, 8, "10");
    Type(1, 8, "-1");  // refused by the table's check
    QTest::keyClick(grid, Qt::Key_F2);
    const auto shown = TakeShownTexts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Update of CONFIGURA_LINKFTP (\"CFLK_CODFAMI\" = '02')"),
              std::string::npos)
        << shown[0];
    EXPECT_EQ(erp->Destinations(), kOriginal);
    EXPECT_EQ(window->CConfigtramex.PendingChanges(), 2u);

    QTest::keyClick(window, Qt::Key_F9);  // the same rows, edits still pending
    EXPECT_EQ(model->index(0, 8).data().toString(), "10");
    EXPECT_EQ(model->index(1, 8).data().toString(), "-1");
    Type(1, 8, "3");
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(erp->Destinations(),
              (Rows{"01|0|ftp.uno|u1|k1|C1||P1|10", "02|0|ftp.dos|u2|k2|C2|entrada/a\xF1o|P2|3",
                    kOriginal[2]}));
}

TEST_F(DestinationEditorTest, ARowChangedMeanwhileFailsTheSave) {
    Type(0, 2, "ftp.mio");
    erp->Execute("UPDATE CONFIGURA_LINKFTP SET CFLK_CLAVE = 'de-otro' WHERE CFLK_CODFAMI = '01'");
    QTest::keyClick(grid, Qt::Key_F2);
    const auto shown = TakeShownTexts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("changed by another user"), std::string::npos) << shown[0];
    EXPECT_EQ(erp->Destinations()[0], "01|0|ftp.uno|u1|de-otro|C1||P1|1");
    EXPECT_EQ(window->CConfigtramex.PendingChanges(), 1u);

    // Discarding reads the table again: the other user's row can be edited and saved.
    QTest::keyClick(window, Qt::Key_F9);
    QTest::keyClick(grid, Qt::Key_Escape);
    QTest::keyClick(window, Qt::Key_F9);
    EXPECT_EQ(GridRows()[0], "01|0|ftp.uno|u1|de-otro|C1||P1|1");
    Type(0, 2, "ftp.mio");
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(TakeShownTexts(), Rows{});
    EXPECT_EQ(erp->Destinations()[0], "01|0|ftp.mio|u1|de-otro|C1||P1|1");
}

TEST_F(DestinationEditorTest, RowsWithNullsAreFoundForUpdateAndDeleteAndKeepTheirNulls) {
    Type(2, 2, "ftp.tres.nuevo");
    // Opening an editor on a NULL cell and leaving it unchanged keeps the NULL.
    Type(2, 3, "");
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_TRUE(TakeShownTexts().empty());
    EXPECT_EQ(erp->Destinations()[2], "03|<null>|ftp.tres.nuevo|<null>|<null>|C3|<null>|P3|<null>");

    QTest::keyClick(window, Qt::Key_F9);
    grid->setCurrentIndex(model->index(2, 0));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    Click("nbDelete");
    ASSERT_EQ(MessageBox::takeShown().size(), 1u);
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_TRUE(TakeShownTexts().empty());
    EXPECT_EQ(erp->Destinations(), (Rows{kOriginal[0], kOriginal[1]}));
}

TEST_F(DestinationEditorTest, EntryKeepsToTheColumnsWidthAndIntegers) {
    const QModelIndex family = model->index(0, 0);
    grid->setCurrentIndex(family);
    grid->edit(family);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(family));
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, "12345");
    EXPECT_EQ(editor->text(), "12");          // two characters, whatever is typed
    QTest::keyClick(editor, Qt::Key_Escape);  // discards the editor and the editor panel

    EXPECT_FALSE(model->setData(model->index(0, 1), "dos", Qt::EditRole));
    EXPECT_FALSE(model->setData(model->index(0, 8), "99999999999", Qt::EditRole));
    EXPECT_FALSE(model->setData(model->index(0, 2), QString(61, 'x'), Qt::EditRole));
    EXPECT_TRUE(model->setData(model->index(0, 2), QString(60, 'x'), Qt::EditRole));
    EXPECT_TRUE(model->setData(model->index(0, 8), "", Qt::EditRole));  // empty integer: NULL
    QTest::keyClick(window, Qt::Key_F9);
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(erp->Destinations()[0], "01|0|" + std::string(60, 'x') + "|u1|k1|C1||P1|<null>");
}

// F9 is not leaving the family field: no reconnect resets the date behind the
// panel, the arrow keys move in the grid, and the field has the focus again
// when the panel closes.
TEST_F(DestinationEditorTest, F9FromTheFamilyLeavesTheDateAloneAndTheGridTakesTheKeys) {
    QTest::keyClick(grid, Qt::Key_Escape);
    auto* date = Find<QDateEdit>("EFecIni");
    date->setDate(QDate(2019, 9, 27));
    auto* family = Find<QLineEdit>("Fami");
    family->setFocus();
    const int connects = window->Calls("CiaExit");
    QTest::keyClick(family, Qt::Key_F9);
    EXPECT_EQ(QApplication::focusWidget(), grid);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(model->CurrentRow(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), family);
    EXPECT_EQ(window->Calls("CiaExit"), connects);
    EXPECT_EQ(date->date(), QDate(2019, 9, 27));
}

TEST_F(DestinationEditorTest, SearchesMoveTheCurrentRow) {
    grid->setCurrentIndex(model->index(0, 2));
    QTest::keyClicks(Find<QLineEdit>("BuscarEdit"), "FTP.D");
    EXPECT_EQ(model->CurrentRow(), 1);
    EXPECT_EQ(window->CConfigtramex.RecNo(), 1u);
    EXPECT_TRUE(grid->FindNext("c3"));
    EXPECT_EQ(model->CurrentRow(), 2);
    EXPECT_EQ(grid->currentIndex().column(), 5);
    EXPECT_TRUE(grid->FindNext("ftp."));  // wraps to the first row
    EXPECT_EQ(model->CurrentRow(), 0);
    EXPECT_FALSE(grid->FindNext("nada"));
    EXPECT_EQ(model->CurrentRow(), 0);
}

// F2 straight after Enter, before the message loop has run: the cell's text
// is saved and nothing is left to commit after the save.
TEST_F(DestinationEditorTest, F2RightAfterEnterSavesTheCellWithoutToolkitWarnings) {
    testing::QtWarnings warnings;
    grid->setCurrentIndex(model->index(1, 3));
    testing::TypeIntoFocus("otro");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    QTest::qWait(20);
    EXPECT_EQ(erp->Destinations()[1], "02|0|ftp.dos|otro|k2|C2|entrada/a\xF1o|P2|2");
    EXPECT_EQ(testing::QtWarnings::Take(), Rows{});
}

}  // namespace
}  // namespace tramex
