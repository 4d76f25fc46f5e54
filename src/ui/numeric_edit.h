// The dialogs' numeric fields: single-line edits that take only what can become a number, and that
// read, limit and show their value again whenever the keyboard focus leaves them.
#pragma once

#include <QColor>
#include <QLineEdit>

#include <functional>
#include <optional>

namespace zorvan::ui {

// `value` through a printf format of one conversion ("%d", "%.3f", "%g"), with the decimal separator in
// force. A value that the format would round is shown with as many more decimals as it needs, so that
// reading the text back gives the value: a save never rounds what the operator's file held.
QString FormatValue(const QString& format, double value, char separator);

class TCommonEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit TCommonEdit(QWidget* parent = nullptr);

    // The format the value is shown in ("%d", "%.3f", ...), as FormatValue shows it.
    QString FormatString() const { return format_; }
    void SetFormatString(const QString& format);
    // Whether leaving the field limits the value to MinValue..MaxValue.
    bool Validate() const { return validate_; }
    void SetValidate(bool on);
    // The decimal separator in force, with which the text is read and written.
    char DecimalSeparator() const { return separator_; }
    void SetDecimalSeparator(char separator);

    // Reads the text (empty gives 0, unreadable gives MinValue), limits it when Validate is on, and
    // shows it again through the format: in ColorWarning when the limit was applied, else ColorNormal.
    void Reformat();
    // The value as Reformat reads it, before any limit.
    double RealValue() const;
    void SetRealValue(double value);
    bool Warned() const { return warned_; }

    bool AutoSelect = true;
    QColor ColorNormal = Qt::black;
    QColor ColorWarning = Qt::red;
    double MinValue = 0.0;
    double MaxValue = 0.0;
    std::function<void()> OnEnterKey;
    std::function<void()> OnUnderflow;
    std::function<void()> OnOverflow;
    // After the field was left and its value shown again.
    std::function<void()> OnExit;
    // Where "No text on the Clipboard" goes; a message box when empty.
    std::function<void(const QString&)> OnMessage;

    // Whether a whole text is a number of this field, and whether typing on can still make it one.
    virtual bool IsNumber(const QString& text) const = 0;
    bool CanBecomeNumber(const QString& text) const;

  protected:
    virtual std::optional<double> Parse(const QString& text) const = 0;
    QString Format(double value) const { return FormatValue(format_, value, separator_); }

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void SetTextColour(const QColor& colour);

    QString format_;
    bool validate_ = false;
    char separator_ = '.';
    bool warned_ = false;
};

// Digits and one leading sign; a value that fits 32 bits.
class TIntegerEdit : public TCommonEdit {
    Q_OBJECT

  public:
    explicit TIntegerEdit(QWidget* parent = nullptr);

    int Value() const;
    void SetValue(int value) { SetRealValue(value); }

    bool IsNumber(const QString& text) const override;

  protected:
    std::optional<double> Parse(const QString& text) const override;
};

// Digits, signs, the decimal separator and an exponent; the exponent's letter is shown as "E".
class TRealEdit : public TCommonEdit {
    Q_OBJECT

  public:
    explicit TRealEdit(QWidget* parent = nullptr);

    double Value() const { return RealValue(); }
    void SetValue(double value) { SetRealValue(value); }

    bool IsNumber(const QString& text) const override;

  protected:
    std::optional<double> Parse(const QString& text) const override;
};

}  // namespace zorvan::ui
