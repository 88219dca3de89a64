#include "platform/ui/application.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFont>
#include <QHelpEvent>
#include <QLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPalette>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <string>

#include "platform/core/error.h"
#include "platform/core/thread.h"
#include "platform/core/timer.h"
#include "platform/ui/form.h"

namespace platform::ui {

namespace {

Application* current_application = nullptr;

// The desktop's roles as the application's palette paints them now.
platform::Color PaletteColor(platform::SystemColor role) {
    using platform::SystemColor;
    const QPalette palette = QApplication::palette();
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole qt = QPalette::Window;
    switch (role) {
        case SystemColor::Window: qt = QPalette::Base; break;
        case SystemColor::WindowText:
        case SystemColor::CaptionText:
        case SystemColor::InactiveCaptionText: qt = QPalette::Text; break;
        case SystemColor::MenuText: qt = QPalette::WindowText; break;
        case SystemColor::BtnFace: qt = QPalette::Button; break;
        case SystemColor::BtnText: qt = QPalette::ButtonText; break;
        case SystemColor::BtnShadow: qt = QPalette::Mid; break;
        case SystemColor::BtnHighlight: qt = QPalette::Light; break;
        case SystemColor::DkShadow3D:
        case SystemColor::WindowFrame: qt = QPalette::Shadow; break;
        case SystemColor::Light3D: qt = QPalette::Midlight; break;
        case SystemColor::AppWorkSpace:
        case SystemColor::ActiveBorder:
        case SystemColor::InactiveBorder: qt = QPalette::Dark; break;
        case SystemColor::Highlight:
        case SystemColor::ActiveCaption:
        case SystemColor::GradientActiveCaption:
        case SystemColor::MenuHighlight: qt = QPalette::Highlight; break;
        case SystemColor::HighlightText: qt = QPalette::HighlightedText; break;
        case SystemColor::InactiveCaption:
        case SystemColor::GradientInactiveCaption:
            group = QPalette::Inactive;
            qt = QPalette::Highlight;
            break;
        case SystemColor::GrayText:
            group = QPalette::Disabled;
            qt = QPalette::Text;
            break;
        case SystemColor::InfoBk: qt = QPalette::ToolTipBase; break;
        case SystemColor::InfoText: qt = QPalette::ToolTipText; break;
        case SystemColor::HotLight: qt = QPalette::Link; break;
        case SystemColor::ScrollBar:
        case SystemColor::Background:
        case SystemColor::Menu:
        case SystemColor::MenuBar: qt = QPalette::Window; break;
    }
    const QColor colour = palette.color(group, qt);
    return platform::MakeColor(static_cast<uint8_t>(colour.red()),
                               static_cast<uint8_t>(colour.green()),
                               static_cast<uint8_t>(colour.blue()));
}

// Qt sizes a message box for its texts and for a title of its own estimate,
// far narrower than the window manager's title bar: with a short text the
// caption showed cut down to its ends. The row of buttons takes the width the
// caption needs as its least, and Qt sizes and places the box for it as it
// would for a long text, whole on the screen.
void FitCaption(QMessageBox& box, const Application& app) {
    auto* buttons = box.findChild<QDialogButtonBox*>();
    if (buttons == nullptr || box.layout() == nullptr) return;
    const QMargins frame = ExpectedFrame(box, app);
    const int on_screen = box.screen()->availableGeometry().width() - frame.left() - frame.right();
    const int width = std::min(CaptionWidth(box.windowTitle(), frame), on_screen);
    const QMargins around = box.layout()->contentsMargins() + box.contentsMargins();
    buttons->setMinimumWidth(std::max(width - around.left() - around.right(), 0));
}

}  // namespace

// Qt asks the style how long the mouse must rest before a tooltip shows.
class Application::HintStyle final : public QProxyStyle {
public:
    explicit HintStyle(QStyle* base) : QProxyStyle(base) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return wake_up_delay;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

    int wake_up_delay = 500;
};

Application::Application(QApplication& qt)
    : qt_(qt),
      french_(std::make_unique<QTranslator>()),
      dialogs_(std::make_unique<QtDialogs>()),
      shell_(std::make_unique<QtShell>()),
      hint_style_(new HintStyle(QStyleFactory::create(QApplication::style()->name()))) {
    current_application = this;
    platform::SetSystemColorResolver(PaletteColor);
    platform::SetTimerService(&timers_);
    platform::SetErrorHandler([this](const std::exception& error) {
        // Shown from the event loop, not from deep inside whatever was waiting
        // for a worker.
        if (dynamic_cast<const platform::Abort*>(&error) != nullptr) return;
        QTimer::singleShot(0, this, [this, message = platform::UserMessage(error)] {
            HandleException(platform::Error(platform::ErrorKind::Message, message));
        });
    });
    const QLocale french(QLocale::French, QLocale::France);
    QLocale::setDefault(french);
    if (french_->load(french, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(french_.get());
    }
    for (const char* family : {kDesignFont, "Arial"}) {
        QFont::insertSubstitutions(family, {"Liberation Sans", "Arimo"});
    }
    QApplication::setFont(QFont(kDesignFont, kDesignFontPoints));
    QApplication::setStyle(hint_style_);  // the application owns the style
    QApplication::setQuitOnLastWindowClosed(false);
    qt_.installEventFilter(this);
}

Application::~Application() {
    qt_.removeEventFilter(this);
    QCoreApplication::removeTranslator(french_.get());
    if (current_application == this) {
        current_application = nullptr;
        platform::SetSystemColorResolver(nullptr);
        platform::SetTimerService(nullptr);
        platform::SetErrorHandler(nullptr);
    }
}

Application& Application::Current() {
    return *current_application;
}

void Application::SetDialogs(std::unique_ptr<Dialogs> dialogs) {
    dialogs_ = std::move(dialogs);
}

void Application::SetShell(std::unique_ptr<Shell> shell) {
    shell_ = std::move(shell);
}

void Application::AddForm(Form& form) {
    forms_.push_back(&form);
}

void Application::RemoveForm(Form& form) {
    std::erase(forms_, &form);
}

void Application::Guard(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& error) {
        HandleException(error);
    }
}

void Application::HandleException(const std::exception& error) {
    // An operation called off on purpose is no error to show.
    if (quiet_ > 0 || showing_error_ || dynamic_cast<const platform::Abort*>(&error) != nullptr)
        return;
    showing_error_ = true;
    const auto closed = qScopeGuard([this] { showing_error_ = false; });
    dialogs_->ShowError(platform::UserMessage(error));
}

void Application::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int Application::HintPause() const {
    return hint_style_->wake_up_delay;
}

void Application::SetHintPause(int ms) {
    hint_style_->wake_up_delay = ms;
}

int Application::Run() {
    return QApplication::exec();
}

void Application::Quit() {
    QCoreApplication::quit();
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    // Qt gives tooltips no common display time: show them ourselves. A widget
    // without a hint lets the event go on to its parent, as before.
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->toolTip().isEmpty()) {
            auto* help = static_cast<QHelpEvent*>(event);
            QToolTip::showText(help->globalPos(), widget->toolTip(), widget, {}, hint_hide_pause_);
            return true;
        }
    }
    // A message box, Qt's own ones too (a file dialog's question before
    // overwriting a file), sizes itself when it shows and at every new
    // layout, once past this filter: its least width is set here, from the
    // frame known by then.
    if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) FitCaption(*box, *this);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace platform::ui
