#pragma once
// An integer field that keeps whatever text it is given: text that is not an
// integer reads as the minimum, an out-of-range number is brought to the
// nearest bound when the focus leaves, and arrows step by 1 inside the range.

#include <QAbstractSpinBox>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    TSpinEdit(int minValue, int maxValue, int value, QWidget* parent = nullptr);

    int MinValue() const { return FMin; }
    int MaxValue() const { return FMax; }
    // The number in the text, not clamped; the minimum when it is no integer.
    int Value() const;
    // The value a finished edit gave, inside the range: while the field has
    // the focus, the one it held when the current edit began.
    int SettledValue() const;
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString& text);

    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;

    // Whether a typed character is taken; the rest is refused with a beep.
    static bool AcceptsTyped(const QString& text, QChar decimalSeparator);

    // Room for the widest number of the range, whatever the font.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void TextChanged();

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int FMin;
    int FMax;
    QString FEditStart;
};

// The integer of a text like "  +12"; false for anything else.
bool ParseInteger(const QString& text, int& value);
