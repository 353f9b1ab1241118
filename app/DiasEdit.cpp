// Days edit over QAbstractSpinBox with an optional value.
#include "app/DiasEdit.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tramex {
namespace {

// The edit holds a 32-bit whole number; beyond it the nearest limit shows.
long long ShownDays(double days) {
    return std::llround(std::clamp(days, double(std::numeric_limits<int32_t>::min()),
                                   double(std::numeric_limits<int32_t>::max())));
}

QString DaysText(std::optional<double> days) {
    if (!days) return {};
    return QString::number(ShownDays(*days));
}

}  // namespace

DiasEdit::DiasEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAccelerated(true);
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] { TakeTypedText(); });
}

void DiasEdit::setValue(std::optional<double> days) {
    value_ = days;
    lineEdit()->setText(DaysText(days));
}

void DiasEdit::stepBy(int steps) {
    TakeTypedText();
    setValue(ShownDays(value_.value_or(0)) + steps);
}

QValidator::State DiasEdit::validate(QString& input, int&) const {
    static const QRegularExpression whole("^\\s*-?\\d*\\s*$");
    if (!whole.match(input).hasMatch()) return QValidator::Invalid;
    return input.trimmed() == "-" ? QValidator::Intermediate : QValidator::Acceptable;
}

void DiasEdit::fixup(QString& input) const { input = DaysText(value_); }

QAbstractSpinBox::StepEnabled DiasEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

void DiasEdit::TakeTypedText() {
    const QString typed = lineEdit()->text().trimmed();
    bool isNumber = false;
    const long long days = typed.toLongLong(&isNumber);
    value_ = typed.isEmpty() ? std::nullopt : isNumber ? std::optional<double>(days) : value_;
}

}  // namespace tramex
