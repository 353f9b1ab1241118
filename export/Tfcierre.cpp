// The generation window: its controls and handlers.
#include "export/Tfcierre.h"

#include "app/StatusPanel.h"
#include "data/Tfdm.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tramex {

Tfcierre::Tfcierre(QWidget* owner, ParametrosEnvio& parametros, Tfdm& dm)
    : QDialog(owner), parametros_(parametros), dm_(dm) {
    setObjectName("fcierre");
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    FormCreate();
}

Tfcierre::~Tfcierre() = default;

void Tfcierre::CreateControls() {
    setWindowTitle(QStringLiteral("Generar archivos"));
    Label1 = new QLabel(QStringLiteral("Prepare la unidad y presione F2 para generar los archivos"), this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    SpeedButton1 = new QPushButton(QStringLiteral("F2: Imprimir"), this);
    SpeedButton1->setObjectName("SpeedButton1");
    SBSalir = new QPushButton(QStringLiteral("ESC: Salir"), this);
    SBSalir->setObjectName("SBSalir");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SBSalir);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    Panel5 = new StatusPanel(this);
    Panel5->setObjectName("Panel5");
    Panel5->setText(QStringLiteral("Generando archivos. Espere un momento..."));
}

void Tfcierre::FormCreate() {
    resize(380, 150);
    if (parametros_.IdAgencia.empty()) parametros_.IdAgencia = "0";
}

void Tfcierre::FormActivate() {}
void Tfcierre::FormKeyDown(const QKeyEvent&) {}
void Tfcierre::SpeedButton1Click() {}
void Tfcierre::SBSalirClick() { close(); }
void Tfcierre::FormClose() {}

}  // namespace tramex
