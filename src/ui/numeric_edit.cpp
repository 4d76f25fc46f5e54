#include "ui/numeric_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPalette>
#include <QRegularExpression>
#include <QValidator>

#include <algorithm>
#include <climits>
#include <cmath>

#include "config/number_text.h"

namespace zorvan::ui {
namespace {

// Every change of the text, typed, pasted, cut or dropped, is judged by the text it would leave: a number,
// or the beginning of one. Anything else is undone, which drops the key or refuses the paste.
class NumberValidator final : public QValidator {
  public:
    NumberValidator(TCommonEdit& edit, bool capital_exponent)
        : QValidator(&edit), edit_(edit), capital_exponent_(capital_exponent) {}

    State validate(QString& input, int&) const override {
        if (capital_exponent_) input.replace('e', 'E');
        if (edit_.IsNumber(input)) return Acceptable;
        return edit_.CanBecomeNumber(input) ? Intermediate : Invalid;
    }

  private:
    TCommonEdit& edit_;
    bool capital_exponent_;
};

// One printf conversion with its flags, width and precision, and the text around it.
struct Conversion {
    QString before, flags, width, after;
    int precision = -1;
    char type = 0;  // d, i, f, F, e, E, g or G
};

std::optional<Conversion> ParseFormat(const QString& format) {
    static const QRegularExpression pattern(R"(^([^%]*)%([-+ #0]*)(\d*)(?:\.(\d+))?([diFfEeGg])([^%]*)$)");
    const auto match = pattern.match(format);
    if (!match.hasMatch()) return std::nullopt;
    Conversion c;
    c.before = match.captured(1);
    c.flags = match.captured(2);
    c.width = match.captured(3);
    if (match.capturedLength(4) > 0) c.precision = std::min(match.captured(4).toInt(), 40);
    c.type = match.captured(5).at(0).toLatin1();
    c.after = match.captured(6);
    return c;
}

QString Printed(const Conversion& c, double value, int precision) {
    const QString conversion =
        "%" + c.flags + c.width + (precision >= 0 ? "." + QString::number(precision) : "") + QChar(c.type);
    QString text;
    if (c.type == 'd' || c.type == 'i') {
        const double limited = std::clamp(std::nearbyint(value), double(INT_MIN), double(INT_MAX));
        text = QString::asprintf(conversion.toLatin1().constData(), static_cast<int>(limited));
    } else {
        text = QString::asprintf(conversion.toLatin1().constData(), value);
    }
    return c.before + text + c.after;
}

}  // namespace

QString FormatValue(const QString& format, double value, char separator) {
    const auto conversion = ParseFormat(format);
    if (!conversion) return QString::number(value);
    if (conversion->type == 'd' || conversion->type == 'i')
        return Printed(*conversion, value, conversion->precision);
    // More decimals until the text reads back as the value; beyond 17 the shortest exact form.
    const auto reads_back = [&](const QString& t) {
        return config::parse_real(t.trimmed().toStdString(), '.') == value;
    };
    int precision = conversion->precision;
    QString text = Printed(*conversion, value, precision);
    if (precision < 0) precision = 6;
    while (!reads_back(text) && precision < 17)
        text = Printed(*conversion, value, ++precision);
    if (!reads_back(text)) text = QString::fromStdString(config::format_real(value, '.'));
    if (separator != '.') text.replace('.', QChar(separator));
    return text;
}

TCommonEdit::TCommonEdit(QWidget* parent) : QLineEdit(parent) {
    SetTextColour(ColorNormal);
}

void TCommonEdit::SetFormatString(const QString& format) {
    format_ = format;
    Reformat();
}

void TCommonEdit::SetValidate(bool on) {
    validate_ = on;
    Reformat();
}

void TCommonEdit::SetDecimalSeparator(char separator) {
    // The value is kept across the change: read with the old separator, shown with the new one.
    const double value = RealValue();
    separator_ = separator;
    setText(Format(value));
}

bool TCommonEdit::CanBecomeNumber(const QString& text) const {
    // "", "-", "1E", "1E-" or "." lead on to a number; "--" or "1-" never do.
    return text.isEmpty() || IsNumber(text + "0");
}

double TCommonEdit::RealValue() const {
    const QString content = text();
    if (content.isEmpty()) return 0.0;
    return Parse(content).value_or(MinValue);
}

void TCommonEdit::SetRealValue(double value) {
    setText(Format(value));
    Reformat();
}

void TCommonEdit::Reformat() {
    double value = RealValue();
    const std::function<void()>* limited = nullptr;
    if (validate_ && value < MinValue) {
        value = MinValue;
        limited = &OnUnderflow;
    } else if (validate_ && value > MaxValue) {
        value = MaxValue;
        limited = &OnOverflow;
    }
    setText(Format(value));
    warned_ = limited != nullptr;
    SetTextColour(warned_ ? ColorWarning : ColorNormal);
    if (limited != nullptr && *limited) (*limited)();
}

void TCommonEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (OnEnterKey) OnEnterKey();
        // The key types nothing; the dialog still sees it, for its default button.
        event->ignore();
        return;
    }
    if (event->matches(QKeySequence::Paste) && QApplication::clipboard()->text().isEmpty()) {
        const QString message = QStringLiteral("No text on the Clipboard");
        if (OnMessage)
            OnMessage(message);
        else
            QMessageBox::information(this, QApplication::applicationName(), message);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TCommonEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    SetTextColour(ColorNormal);
    if (AutoSelect) selectAll();
}

// Only a move to another control limits: a mouse press on a focusable control arrives here before that
// control sees it, so a button reads the limited value. The window closing or losing activation does not,
// or a value confirmed with Enter would be limited once the dialog hides.
void TCommonEdit::focusOutEvent(QFocusEvent* event) {
    const bool left =
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
    if (left) Reformat();
    QLineEdit::focusOutEvent(event);
    if (left && OnExit) OnExit();
}

void TCommonEdit::SetTextColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Text, colour);
    setPalette(colours);
}

TIntegerEdit::TIntegerEdit(QWidget* parent) : TCommonEdit(parent) {
    setValidator(new NumberValidator(*this, false));
    SetFormatString(QStringLiteral("%d"));
}

int TIntegerEdit::Value() const {
    return static_cast<int>(std::clamp(std::nearbyint(RealValue()), double(INT_MIN), double(INT_MAX)));
}

bool TIntegerEdit::IsNumber(const QString& text) const {
    static const QRegularExpression digits(R"(^[+-]?[0-9]+$)");
    return digits.match(text).hasMatch() && config::parse_int(text.toStdString()).has_value();
}

std::optional<double> TIntegerEdit::Parse(const QString& text) const {
    if (!IsNumber(text)) return std::nullopt;
    return *config::parse_int(text.toStdString());
}

TRealEdit::TRealEdit(QWidget* parent) : TCommonEdit(parent) {
    setValidator(new NumberValidator(*this, true));
    SetFormatString(QStringLiteral("%g"));
}

bool TRealEdit::IsNumber(const QString& text) const {
    const auto value = config::parse_real(text.toStdString(), DecimalSeparator());
    return value && std::isfinite(*value);
}

std::optional<double> TRealEdit::Parse(const QString& text) const {
    if (!IsNumber(text)) return std::nullopt;
    return config::parse_real(text.toStdString(), DecimalSeparator());
}

}  // namespace zorvan::ui
