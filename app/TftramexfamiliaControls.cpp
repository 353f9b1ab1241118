// The main window's controls: captions, initial states, tab order and the
// bindings of their events to the window's handlers.
#include "app/DestinationGrid.h"
#include "app/DestinationModel.h"
#include "app/DiasEdit.h"
#include "app/FechaEdit.h"
#include "app/KeyPreview.h"
#include "app/RecordNavigator.h"
#include "app/StatusPanel.h"
#include "app/Tftramexfamilia.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tramex {
namespace {

const char* const kWindowTitle = "Tramex2 Grupo Zel 2017";
const char* const kIntroText =
    "Este programa genera los archivos de datos con el resumen de ventas, inventario, clientes, "
    "rutas, municipios, vendedores, entre otros para ser subidos al Servidor FTP del Grupo Zel. "
    "Indique la fecha, codigo de la familia a reportar, numero de dias a reportar y luego presione "
    "F2 para generar la consulta, luego sobre la nueva ventana presione F2 para generar los "
    "archivos, comprimirlos y enviarlos al servidor configurado.";
const char* const kStatusText = "Generando informe. espere un momento...";

template <typename Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(name);
    return control;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
    auto* button = Named(new QPushButton(QString::fromUtf8(caption), parent), name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

void Tftramexfamilia::BuildControls() {
    setObjectName("ftramexfamilia");
    setWindowTitle(kWindowTitle);

    Label2 = Named(new QLabel(QString::fromUtf8(kIntroText)), "Label2");
    Label2->setWordWrap(true);
    auto* topPanel = new QFrame;
    topPanel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    (new QVBoxLayout(topPanel))->addWidget(Label2);

    auto* groups = new QHBoxLayout;
    groups->addWidget(BuildOrigenGroup());
    groups->addWidget(BuildParametrosGroup());

    Label3 = Named(new QLabel("Rev: 2019/09/27"), "Label3");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(topPanel);
    layout->addLayout(groups);
    layout->addWidget(Label3, 0, Qt::AlignRight);
    layout->addWidget(BuildButtonBar());

    Panel5 = Named(new StatusPanel(this), "Panel5");
    Panel5->setText(kStatusText);
    BuildConfigurationPanel();
    SetTabOrder();
    WireHandlers();
    resize(640, sizeHint().height());
    CentreOnDesktop();
}

QWidget* Tftramexfamilia::BuildOrigenGroup() {
    auto* group = new QGroupBox("Origen:");
    auto* form = new QFormLayout(group);
    Servidor = Named(new QLineEdit, "Servidor");
    Tusua = Named(new QLineEdit, "Tusua");
    TClave = Named(new QLineEdit, "TClave");
    TClave->setEchoMode(QLineEdit::Password);
    TClave->setStyleSheet("lineedit-password-character: 42");  // shown as "*"
    Cia = Named(new QLineEdit, "Cia");
    form->addRow("Servidor : ", Servidor);
    form->addRow("Usuario : ", Tusua);
    form->addRow("Clave : ", TClave);
    form->addRow(QString::fromUtf8("Compañía:"), Cia);
    return group;
}

QWidget* Tftramexfamilia::BuildParametrosGroup() {
    auto* group = new QGroupBox(QString::fromUtf8("Parámetros "));
    auto* form = new QFormLayout(group);
    EFecIni = Named(new FechaEdit(QDate::currentDate()), "EFecIni");
    EFecIni->setEnabled(false);
    Dias = Named(new DiasEdit, "Dias");
    CboAgencia = Named(new QComboBox, "CboAgencia");
    CboAgencia->setEditable(false);
    CboAgencia->setMaxVisibleItems(4);
    // Styles that open a selection-only list as a menu ignore the four rows.
    CboAgencia->setStyleSheet("combobox-popup: 0");
    CboAgencia->setEnabled(false);
    Fami = Named(new QLineEdit, "Fami");
    form->addRow("Fecha:", EFecIni);
    form->addRow(QString::fromUtf8("Días:"), Dias);
    form->addRow("Agencia:", CboAgencia);
    form->addRow("Cod Familia:", Fami);
    return group;
}

QWidget* Tftramexfamilia::BuildButtonBar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    SpeedButton3 = Button("SpeedButton3", "F2: Generar", bar);
    SpeedButton3->setEnabled(false);
    BitBtn3 = Button("BitBtn3", "F9:Configura", bar);
    SpeedButton2 = Button("SpeedButton2", "Esc: Cancelar", bar);
    // Speed buttons never take the focus: a click on them is not leaving the
    // field the operator is in (leaving the family field reconnects).
    for (QPushButton* speed : {SpeedButton3, SpeedButton2}) speed->setFocusPolicy(Qt::NoFocus);
    row->addWidget(SpeedButton3);
    row->addStretch();
    row->addWidget(BitBtn3);
    row->addWidget(SpeedButton2);
    return bar;
}

void Tftramexfamilia::BuildConfigurationPanel() {
    AdvPanel1 = Named(new QGroupBox("Configuracion envio FTP", this), "AdvPanel1");
    AdvPanel1->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(AdvPanel1);
    AdvPanel1Body = new QVBoxLayout;
    layout->addLayout(AdvPanel1Body, 1);
    auto* buttons = new QHBoxLayout;
    AdvGlowButton1 = Button("AdvGlowButton1", "F2:Grabar", AdvPanel1);
    AdvGlowButton2 = Button("AdvGlowButton2", "Esc: Cancelar", AdvPanel1);
    buttons->addStretch();
    buttons->addWidget(AdvGlowButton1);
    buttons->addWidget(AdvGlowButton2);
    layout->addLayout(buttons);
    BuildDestinationEditor();
    AdvPanel1->hide();
}

void Tftramexfamilia::BuildDestinationEditor() {
    destinations_ = new DestinationModel(CConfigtramex, this);
    DBGridEh2 = new DestinationGrid(destinations_, AdvPanel1);
    BuscarEdit = Named(new QLineEdit(AdvPanel1), "BuscarEdit");
    connect(BuscarEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { DBGridEh2->IncrementalSearch(text); });
    auto* search = new QFormLayout;
    search->addRow("Buscar:", BuscarEdit);
    DBNavigator1 = new RecordNavigator(DBGridEh2, AdvPanel1);
    AdvPanel1Body->addLayout(search);
    AdvPanel1Body->addWidget(DBGridEh2, 1);
    AdvPanel1Body->addWidget(DBNavigator1);
}

void Tftramexfamilia::SetTabOrder() {
    // Disabled controls drop out of the chain by themselves (Cia goes on to
    // Dias while the date is disabled).
    QWidget* const chain[] = {Servidor,   Tusua, TClave,       Cia,     EFecIni,     Dias,
                              CboAgencia, Fami,  SpeedButton3, BitBtn3, SpeedButton2};
    for (size_t at = 0; at + 1 < std::size(chain); ++at) setTabOrder(chain[at], chain[at + 1]);
}

void Tftramexfamilia::WireHandlers() {
    new KeyPreview(this, [this](const QKeyEvent& key) { FormKeyDown(key); });
    connect(SpeedButton3, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(AdvGlowButton1, &QPushButton::clicked, this, [this] { AdvGlowButton1Click(); });
    connect(AdvGlowButton2, &QPushButton::clicked, this, [this] { AdvGlowButton2Click(); });
    // Only a selection by the operator is a change; filling the list is not.
    connect(CboAgencia, &QComboBox::activated, this, [this] { CboAgenciaChange(); });
    Cia->installEventFilter(this);
    Fami->installEventFilter(this);
    CboAgencia->installEventFilter(this);
}

void Tftramexfamilia::CentreOnDesktop() {
    if (const QScreen* desktop = screen()) {
        move(desktop->availableGeometry().center() - rect().center());
    }
}

}  // namespace tramex
