// Controls with the class library's event habits where Qt's differ:
// a check box's click event also fires when code changes it, a track bar
// refuses a maximum below its minimum instead of moving the minimum, speed
// buttons never take the focus, a timer is one object with an interval and
// an enabled flag. Every event runs through the application's guard.
#pragma once

#include <QCheckBox>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <string>

namespace platform::ui {

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
