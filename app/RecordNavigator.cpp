// Record navigator: one tool button per action on the grid's current row.
#include "app/RecordNavigator.h"

#include "app/DestinationGrid.h"
#include "app/DestinationModel.h"
#include "app/MessageBox.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace tramex {

RecordNavigator::RecordNavigator(DestinationGrid* grid, QWidget* parent)
    : QWidget(parent), grid_(grid) {
    setObjectName("DBNavigator1");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    AddButton("nbFirst", "|<", "Primer registro", [](DestinationGrid& g) { g.First(); });
    AddButton("nbPrior", "<", "Registro anterior", [](DestinationGrid& g) { g.Prior(); });
    AddButton("nbNext", ">", "Registro siguiente", [](DestinationGrid& g) { g.Next(); });
    AddButton("nbLast", ">|", "Último registro", [](DestinationGrid& g) { g.Last(); });
    AddButton("nbInsert", "+", "Insertar registro", [](DestinationGrid& g) { g.InsertRow(); });
    AddButton("nbDelete", "-", "Eliminar registro", nullptr);
    AddButton("nbCancel", "X", "Cancelar edición", [](DestinationGrid& g) { g.CancelRow(); });
    row->addStretch();
}

void RecordNavigator::AddButton(const char* name, const char* caption, const char* hint,
                                void (*action)(DestinationGrid&)) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(QString::fromUtf8(caption));
    button->setToolTip(QString::fromUtf8(hint));
    button->setFocusPolicy(Qt::NoFocus);  // the grid keeps the focus and its open editor
    layout()->addWidget(button);
    if (action)
        connect(button, &QToolButton::clicked, this, [this, action] { action(*grid_); });
    else
        connect(button, &QToolButton::clicked, this, [this] { ConfirmAndDelete(); });
}

void RecordNavigator::ConfirmAndDelete() {
    if (grid_->Model()->rowCount() == 0) return;
    const auto answer = MessageBox::Ask(QMessageBox::Question, "Delete record?",
                                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    if (answer == QMessageBox::Ok) grid_->DeleteRow();
}

}  // namespace tramex
