#include "platform/ui/controls.h"

#include <QMouseEvent>

#include "platform/ui/application.h"

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
