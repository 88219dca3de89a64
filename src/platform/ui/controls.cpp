#include "platform/ui/controls.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <algorithm>
#include <charconv>

#include "platform/ui/application.h"
#include "platform/ui/form.h"

namespace platform::ui {

CheckBox::CheckBox(QWidget* parent, const std::string& name, const std::string& caption)
    : QCheckBox(QString::fromStdString(caption), parent) {
    setObjectName(QString::fromStdString(name));
    connect(this, &QCheckBox::toggled, this, [this] {
        if (OnClick) Application::Current().Guard([this] { OnClick(*this); });
    });
}

void CheckBox::mouseReleaseEvent(QMouseEvent* event) {
    QCheckBox::mouseReleaseEvent(event);
    if (OnMouseUp) Application::Current().Guard([this] { OnMouseUp(*this); });
}

TrackBar::TrackBar(QWidget* parent, const std::string& name, int min, int max, int position)
    : QSlider(Qt::Horizontal, parent) {
    setObjectName(QString::fromStdString(name));
    setRange(min, max);
    setValue(position);
    setPageStep(1);
    setTickPosition(QSlider::TicksBelow);
    connect(this, &QSlider::valueChanged, this, [this] {
        if (OnChange) Application::Current().Guard([this] { OnChange(*this); });
    });
}

void TrackBar::SetMax(int max) {
    if (max >= minimum()) setMaximum(max);
}

void TrackBar::SetMin(int min) {
    if (min <= maximum()) setMinimum(min);
}

void TrackBar::focusInEvent(QFocusEvent* event) {
    QSlider::focusInEvent(event);
    if (OnEnter) Application::Current().Guard([this] { OnEnter(*this); });
}

SpeedButton::SpeedButton(QWidget* parent, const std::string& name, const std::string& caption)
    : QToolButton(parent) {
    setObjectName(QString::fromStdString(name));
    setText(QString::fromStdString(caption));
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    connect(this, &QToolButton::clicked, this, [this] {
        if (OnClick) Application::Current().Guard([this] { OnClick(*this); });
    });
}

Edit::Edit(QWidget* parent, const std::string& name) : QLineEdit(parent) {
    setObjectName(QString::fromStdString(name));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange) Application::Current().Guard([this] { OnChange(*this); });
    });
}

SpinEdit::SpinEdit(QWidget* parent, const std::string& name, int min, int max, int value)
    : QAbstractSpinBox(parent), min_(min), max_(max) {
    setObjectName(QString::fromStdString(name));
    setKeyboardTracking(true);
    lineEdit()->setText(QString::number(value));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (OnChange) Application::Current().Guard([this] { OnChange(*this); });
    });
}

void SpinEdit::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
}

int SpinEdit::Value() const {
    const std::string text = lineEdit()->text().trimmed().toStdString();
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return min_;
    return value;
}

void SpinEdit::SetValue(int value) {
    if (min_ != max_) value = std::clamp(value, min_, max_);
    lineEdit()->setText(QString::number(value));
}

void SpinEdit::stepBy(int steps) {
    SetValue(Value() + steps);
}

QSize SpinEdit::sizeHint() const {
    // The base class measures no value text of its own.
    const QFontMetrics metrics(font());
    const int text = std::max(metrics.horizontalAdvance(QString::number(min_)),
                              metrics.horizontalAdvance(QString::number(max_)));
    return QAbstractSpinBox::sizeHint() + QSize(text, 0);
}

QSize SpinEdit::minimumSizeHint() const {
    return sizeHint();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State SpinEdit::validate(QString& input, int& /*pos*/) const {
    // Digits, with one leading minus sign; nothing else can be typed.
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (!input[i].isDigit() && !(i == 0 && input[i] == '-')) return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

RadioButton::RadioButton(QWidget* parent, const std::string& name, const std::string& caption)
    : QRadioButton(QString::fromStdString(caption), parent) {
    setObjectName(QString::fromStdString(name));
    connect(this, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked && OnClick) Application::Current().Guard([this] { OnClick(*this); });
    });
}

void RadioButton::SetChecked(bool checked) {
    // Qt keeps one button of a group ticked; unticking the ticked one from
    // code needs the group's exclusivity lifted for the moment.
    if (!checked && isChecked()) {
        setAutoExclusive(false);
        setChecked(false);
        setAutoExclusive(true);
        return;
    }
    setChecked(checked);
}

ComboBox::ComboBox(QWidget* parent, const std::string& name) : QComboBox(parent) {
    setObjectName(QString::fromStdString(name));
}

std::vector<std::string> ComboBox::Items() const {
    std::vector<std::string> items;
    for (int i = 0; i < count(); ++i) items.push_back(itemText(i).toStdString());
    return items;
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
    clear();
    for (const std::string& item : items) addItem(QString::fromStdString(item));
}

Memo::Memo(QWidget* parent, const std::string& name) : QPlainTextEdit(parent) {
    setObjectName(QString::fromStdString(name));
}

std::vector<std::string> Memo::Lines() const {
    std::vector<std::string> lines;
    const QStringList split = toPlainText().split('\n');
    for (const QString& line : split) lines.push_back(line.toStdString());
    if (lines.size() == 1 && lines.front().empty()) lines.clear();
    return lines;
}

void Memo::SetLines(const std::vector<std::string>& lines) {
    QStringList joined;
    for (const std::string& line : lines) joined.push_back(QString::fromStdString(line));
    setPlainText(joined.join('\n'));
}

Button::Button(QWidget* parent, const std::string& name, const std::string& caption,
               ModalResult result)
    : QPushButton(QString::fromStdString(caption), parent), result_(result) {
    setObjectName(QString::fromStdString(name));
    connect(this, &QPushButton::clicked, this, [this] {
        Application::Current().Guard([this] {
            if (OnClick) OnClick(*this);
        });
        if (result_ == ModalResult::None) return;
        if (auto* form = qobject_cast<Form*>(window())) form->SetModalResult(result_);
    });
}

ElidedLabel::ElidedLabel(QWidget* parent, const std::string& name, const std::string& hint)
    : QLabel(parent), hint_(QString::fromStdString(hint)) {
    setObjectName(QString::fromStdString(name));
    setTextFormat(Qt::PlainText);
    // Its text never widens it: the layout decides, the text is cut to fit.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setToolTip(hint_);
}

void ElidedLabel::SetText(const std::string& text) {
    text_ = QString::fromStdString(text);
    Elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) Elide();
}

void ElidedLabel::Elide() {
    // One line: the label is one text high.
    QString line = text_;
    line.replace('\n', ' ').replace('\r', ' ');
    const int place = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, std::max(place, 0));
    setText(shown);
    if (shown == text_) {
        setToolTip(hint_);
    } else {
        setToolTip(hint_.isEmpty() ? text_ : hint_ + "\n" + text_);
    }
}

Timer::Timer(QObject* parent, const std::string& name) : QObject(parent) {
    setObjectName(QString::fromStdString(name));
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (OnTimer) Application::Current().Guard([this] { OnTimer(*this); });
    });
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == timer_.isActive()) return;
    if (enabled) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

void Timer::SetInterval(int ms) {
    interval_ = ms;
    // Like the class library's timer, a running timer restarts with the new
    // interval: set from a tick handler, it applies from the next tick.
    timer_.setInterval(ms);
}

}  // namespace platform::ui
