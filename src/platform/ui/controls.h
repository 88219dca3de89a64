// Controls with the class library's event habits where Qt's differ:
// a check box's click event also fires when code changes it, a track bar
// refuses a maximum below its minimum instead of moving the minimum, speed
// buttons never take the focus, a spin edit reads whatever integer its text
// holds, a button may close its modal form with a result, a timer is one
// object with an interval and an enabled flag. Every event runs through the
// application's guard.
#pragma once

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

// A caption written in the source, which is UTF-8.
inline QString Q(const char* text) {
    return QString::fromUtf8(text);
}

class CheckBox final : public QCheckBox {
    Q_OBJECT

public:
    CheckBox(QWidget* parent, const std::string& name, const std::string& caption);

    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }

    // Raised when the state changes, by the user or by code.
    std::function<void(CheckBox&)> OnClick;
    // Raised after a mouse button was released over the box (after a click
    // has changed it).
    std::function<void(CheckBox&)> OnMouseUp;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TrackBar final : public QSlider {
    Q_OBJECT

public:
    TrackBar(QWidget* parent, const std::string& name, int min, int max, int position);

    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    // A maximum below the minimum is refused: the range stays as it is.
    void SetMax(int max);
    void SetMin(int min);
    // Brought into the range; a change raises OnChange.
    void SetPosition(int position) { setValue(position); }

    std::function<void(TrackBar&)> OnChange;
    std::function<void(TrackBar&)> OnEnter;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

class SpeedButton final : public QToolButton {
    Q_OBJECT

public:
    SpeedButton(QWidget* parent, const std::string& name, const std::string& caption);

    std::function<void(SpeedButton&)> OnClick;
};

// How a modal form was closed.
enum class ModalResult { None, Ok, Cancel, Abort, Yes, No };

class Edit final : public QLineEdit {
    Q_OBJECT

public:
    Edit(QWidget* parent, const std::string& name);

    std::string Text() const { return text().toStdString(); }
    // Raises OnChange when the text changes.
    void SetText(const std::string& text) { setText(QString::fromStdString(text)); }

    std::function<void(Edit&)> OnChange;
};

// An integer edit with up and down arrows. Its value is its text read as a
// decimal integer, or its minimum when the text is not one; the text is not
// brought into the range while the user types, only by SetValue and the
// arrows, and only when the minimum and the maximum differ.
class SpinEdit final : public QAbstractSpinBox {
    Q_OBJECT

public:
    SpinEdit(QWidget* parent, const std::string& name, int min, int max, int value);

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void SetRange(int min, int max);
    int Value() const;
    void SetValue(int value);
    std::string Text() const { return lineEdit()->text().toStdString(); }
    void SetMaxLength(int length) { lineEdit()->setMaxLength(length); }

    std::function<void(SpinEdit&)> OnChange;

    void stepBy(int steps) override;
    // Wide enough for the bounds of the range.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    int min_;
    int max_;
};

// A radio button: becoming ticked unticks the other buttons of its parent
// and raises OnClick; becoming unticked raises nothing.
class RadioButton final : public QRadioButton {
    Q_OBJECT

public:
    RadioButton(QWidget* parent, const std::string& name, const std::string& caption);

    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);

    std::function<void(RadioButton&)> OnClick;
};

class ComboBox final : public QComboBox {
    Q_OBJECT

public:
    ComboBox(QWidget* parent, const std::string& name);

    std::vector<std::string> Items() const;
    void SetItems(const std::vector<std::string>& items);
    // -1 when no item is selected.
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
};

class Memo final : public QPlainTextEdit {
    Q_OBJECT

public:
    Memo(QWidget* parent, const std::string& name);

    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
};

// A push button; one with a modal result closes its modal form with that
// result once its click handler has run.
class Button final : public QPushButton {
    Q_OBJECT

public:
    Button(QWidget* parent, const std::string& name, const std::string& caption,
           ModalResult result = ModalResult::None);

    ModalResult Result() const { return result_; }

    std::function<void(Button&)> OnClick;

private:
    ModalResult result_;
};

// A caption that keeps to the width its layout gives it: a longer text ends
// in an ellipsis, and the hint then carries the whole text under its own.
// Its text is plain: text read from files is never taken for markup.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    ElidedLabel(QWidget* parent, const std::string& name, const std::string& hint);

    // The whole text; the label shows as much of it as fits.
    std::string Text() const { return text_.toStdString(); }
    void SetText(const std::string& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Elide();

    QString text_;
    QString hint_;
};

class Timer final : public QObject {
    Q_OBJECT

public:
    Timer(QObject* parent, const std::string& name);

    bool Enabled() const { return timer_.isActive(); }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    // Applies from the next tick.
    void SetInterval(int ms);

    std::function<void(Timer&)> OnTimer;

private:
    QTimer timer_;
    int interval_ = 1000;
};

}  // namespace platform::ui
