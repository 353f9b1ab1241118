// The number-of-days edit: a whole number with up/down buttons that, unlike a
// plain spin box, can also be empty.
#pragma once

#include <QAbstractSpinBox>

#include <optional>

namespace tramex {

class DiasEdit : public QAbstractSpinBox {
  public:
    explicit DiasEdit(QWidget* parent = nullptr);

    std::optional<double> value() const { return value_; }
    // Shown without decimals; nullopt empties the edit.
    void setValue(std::optional<double> days);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& position) const override;
    void fixup(QString& input) const override;

  protected:
    StepEnabled stepEnabled() const override;

  private:
    void TakeTypedText();

    std::optional<double> value_;
};

}  // namespace tramex
