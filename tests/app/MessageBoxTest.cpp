// Boxes: the caption from the executable's name, the full stop of error
// texts, the trace on standard error, the test seam and a real modal box.
#include "app/BoxTexts.h"
#include "app/MessageBox.h"
#include "app/Translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

namespace tramex {
namespace {

TEST(BoxTextsTest, TitleIsTheExecutableNameUpToItsFirstDot) {
    EXPECT_EQ(TitleFromExecutablePath("C:/Archivos/Quintor/TRAMEX.EXE"), "Tramex");
    EXPECT_EQ(TitleFromExecutablePath("C:\\Archivos\\TRAMEX2.exe"), "Tramex2");
    EXPECT_EQ(TitleFromExecutablePath("/usr/bin/tRaMeX.bin.old"), "tramex");
    EXPECT_EQ(TitleFromExecutablePath("/opt/tramex"), "tramex");
    EXPECT_EQ(TitleFromExecutablePath("/opt/\u00c9XPORTA"), "\u00c9xporta");
    // This test program is itself an executable named app_tests.
    EXPECT_EQ(ApplicationTitle(), "app_tests");
}

TEST(BoxTextsTest, FullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorBoxText("Database Error: sin acceso"), "Database Error: sin acceso.");
    EXPECT_EQ(ErrorBoxText("Socket Error # 10061"), "Socket Error # 10061.");
    EXPECT_EQ(ErrorBoxText("ruta C:/datos/"), "ruta C:/datos/.");
    EXPECT_EQ(ErrorBoxText("caf\u00e9"), "caf\u00e9.");
    EXPECT_EQ(ErrorBoxText("Ya termina."), "Ya termina.");
    EXPECT_EQ(ErrorBoxText("Invalid data type for 'Directorio'"),
              "Invalid data type for 'Directorio'");
    EXPECT_EQ(ErrorBoxText("fallo!"), "fallo!");
    EXPECT_EQ(ErrorBoxText("fin -"), "fin -");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(BoxTextsTest, TraceIsOneLine) {
    EXPECT_EQ(TraceLine("Database Error: a\r\nSQL Server Error: b"),
              "tramex: Database Error: a SQL Server Error: b");
    EXPECT_EQ(TraceLine("uno\ndos\rtres"), "tramex: uno dos tres");
}

class MessageBoxTest : public ::testing::Test {
  protected:
    ~MessageBoxTest() override {
        MessageBox::setAutoAnswer(true);
        MessageBox::takeShown();
    }
};

TEST_F(MessageBoxTest, OperatorAndErrorBoxesAreCaptionedAndTraced) {
    ::testing::internal::CaptureStderr();
    MessageBox::Inform("Debe configurar el host de destino para esa familia");
    MessageBox::ShowError("Database Error: I/O error\r\nSQL Server Error: no such file");
    const std::string trace = ::testing::internal::GetCapturedStderr();

    const auto shown = MessageBox::takeShown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].title, "app_tests");
    EXPECT_EQ(shown[0].text, "Debe configurar el host de destino para esa familia");
    EXPECT_EQ(shown[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(shown[1].title, "app_tests");
    EXPECT_EQ(shown[1].text, "Database Error: I/O error\r\nSQL Server Error: no such file.");
    EXPECT_EQ(shown[1].icon, QMessageBox::Critical);
    EXPECT_EQ(shown[1].buttons, QMessageBox::Ok);
    EXPECT_EQ(trace,
              "tramex: Debe configurar el host de destino para esa familia\n"
              "tramex: Database Error: I/O error SQL Server Error: no such file.\n");
}

TEST_F(MessageBoxTest, QueuedAnswersAreUsedOnceThenTheDefaultButton) {
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    const auto ask = [] {
        return MessageBox::Ask(QMessageBox::Question, "Delete record?",
                               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    };
    EXPECT_EQ(ask(), QMessageBox::Cancel);
    EXPECT_EQ(ask(), QMessageBox::Ok);
    EXPECT_EQ(MessageBox::takeShown().size(), 2u);
}

TEST_F(MessageBoxTest, RealBoxIsModalAndWaitsForItsButton) {
    MessageBox::setAutoAnswer(false);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    Qt::TextFormat format = Qt::AutoText;
    int buttons = 0;
    // Looks at the box from inside its modal loop, then presses its one button.
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        format = box->textFormat();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    MessageBox::Inform("<b>No se encontr\u00f3</b>");
    EXPECT_EQ(title, "app_tests");
    EXPECT_EQ(text, "<b>No se encontr\u00f3</b>");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(buttons, 1);
}

// The catalogue the build puts next to the program, found after a folder
// without one; then the delete question as the operator sees it.
TEST_F(MessageBoxTest, WithTheSpanishCatalogueTheButtonsSpeakSpanish) {
    EXPECT_FALSE(InstallSpanishTranslations({"/nonexistent"}));
    ASSERT_TRUE(InstallSpanishTranslations({"/nonexistent", TRAMEX_BINARY_DIR "/translations"}));
    MessageBox::setAutoAnswer(false);
    QStringList seen;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen << box->text() << box->button(QMessageBox::Ok)->text()
             << box->button(QMessageBox::Cancel)->text();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(MessageBox::Ask(QMessageBox::Question, "Delete record?",
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok),
              QMessageBox::Cancel);
    EXPECT_EQ(seen, QStringList({"Delete record?", "Aceptar", "Cancelar"}));
}

}  // namespace
}  // namespace tramex
