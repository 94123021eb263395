#include "TSpinEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

bool ParseInteger(const QString& text, int& value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (int i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        const bool sign = i == 0 && (c == '+' || c == '-');
        if (!sign && (c < '0' || c > '9'))
            return false;
    }
    bool ok = false;
    const int parsed = trimmed.toInt(&ok);
    if (ok)
        value = parsed;
    return ok;
}

TSpinEdit::TSpinEdit(int minValue, int maxValue, int value, QWidget* parent)
    : QAbstractSpinBox(parent), FMin(minValue), FMax(maxValue)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    SetValue(value);
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::TextChanged);
}

QSize TSpinEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics = fontMetrics();
    const int text = std::max(metrics.horizontalAdvance(QString::number(FMin)), metrics.horizontalAdvance(QString::number(FMax)));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(text + metrics.horizontalAdvance(QLatin1Char(' ')) + 4, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize TSpinEdit::minimumSizeHint() const
{
    return sizeHint();
}

int TSpinEdit::Value() const
{
    int value = 0;
    return ParseInteger(Text(), value) ? value : FMin;
}

int TSpinEdit::SettledValue() const
{
    int value = FMin;
    ParseInteger(hasFocus() ? FEditStart : Text(), value);
    return std::clamp(value, FMin, FMax);
}

void TSpinEdit::SetValue(int value)
{
    SetText(QString::number(value));
}

QString TSpinEdit::Text() const
{
    return lineEdit()->text();
}

void TSpinEdit::SetText(const QString& text)
{
    lineEdit()->setText(text);
    FEditStart = text;
}

QValidator::State TSpinEdit::validate(QString&, int&) const
{
    return QValidator::Acceptable;   // pasted text of any kind stays
}

void TSpinEdit::fixup(QString&) const
{
}

void TSpinEdit::stepBy(int steps)
{
    const long long next = static_cast<long long>(Value()) + steps;
    SetValue(static_cast<int>(std::clamp<long long>(next, FMin, FMax)));   // a finished value
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    const int value = Value();
    StepEnabled enabled = StepNone;
    if (value < FMax)
        enabled |= StepUpEnabled;
    if (value > FMin)
        enabled |= StepDownEnabled;
    return enabled;
}

bool TSpinEdit::AcceptsTyped(const QString& text, QChar decimalSeparator)
{
    if (text.size() != 1)
        return text.isEmpty();   // keys without a character (arrows, Home) are not typing
    const QChar c = text[0];
    if (c == '\r' || c == '\n')
        return false;
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
        return true;
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == decimalSeparator;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const bool enterKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Ctrl combinations are control characters whatever text the platform gives them.
    const bool controlKey = (event->modifiers() & Qt::ControlModifier) || event->matches(QKeySequence::Paste);
    if (enterKey || (!controlKey && !AcceptsTyped(event->text(), locale().decimalPoint().front()))) {
        QApplication::beep();
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusInEvent(QFocusEvent* event)
{
    FEditStart = Text();
    QAbstractSpinBox::focusInEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event)
{
    int value = 0;
    if (ParseInteger(Text(), value) && (value < FMin || value > FMax))
        SetValue(std::clamp(value, FMin, FMax));
    QAbstractSpinBox::focusOutEvent(event);
}
