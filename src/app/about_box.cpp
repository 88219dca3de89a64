#include "app/about_box.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>

#include "platform/ui/application.h"

namespace app {

using platform::ui::Q;

namespace {

// A label that reacts to the mouse as a link does.
class EtiquetteLien final : public QLabel {
public:
    explicit EtiquetteLien(QWidget* parent) : QLabel(parent) { setCursor(Qt::PointingHandCursor); }

    std::function<void()> OnClick;
    std::function<void()> OnMouseEnter;
    std::function<void()> OnMouseLeave;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            Lance(OnClick);
        }
    }
    void enterEvent(QEnterEvent* event) override {
        QLabel::enterEvent(event);
        Lance(OnMouseEnter);
    }
    void leaveEvent(QEvent* event) override {
        QLabel::leaveEvent(event);
        Lance(OnMouseLeave);
    }

private:
    static void Lance(const std::function<void()>& handler) {
        if (handler) platform::ui::Application::Current().Guard(handler);
    }
};

}  // namespace

std::string TAboutBox::AdresseSite() {
    return QUrl::fromLocalFile(Q(VISU_NOTICE)).toString().toStdString();
}

TAboutBox::TAboutBox(platform::ui::Application& application, Fiches& /*fiches*/)
    : Form(application, "AboutBox") {
    SetCaption("A propos");
    setFixedSize(298, 213);

    auto* fond = new QVBoxLayout(this);
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    fond->addWidget(Panel1, 1);

    auto* contenu = new QVBoxLayout(Panel1);
    auto* entete = new QHBoxLayout();
    contenu->addLayout(entete);
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setFixedSize(33, 33);
    ProgramIcon->setScaledContents(true);
    // The desktop's computer icon stands in while the program has none of its own.
    const QIcon icone = QApplication::windowIcon().isNull()
                            ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)
                            : QApplication::windowIcon();
    ProgramIcon->setPixmap(icone.pixmap(33, 33));
    entete->addWidget(ProgramIcon);
    auto* titres = new QVBoxLayout();
    entete->addLayout(titres, 1);
    const auto etiquette = [&](QLabel* label, const char* name, const char* texte) {
        label->setObjectName(name);
        label->setText(Q(texte));
        label->setWordWrap(true);
        return label;
    };
    ProductName = etiquette(new QLabel(Panel1), "ProductName", "Visualisateur d'images");
    titres->addWidget(ProductName);
    Version = etiquette(new QLabel(Panel1), "Version", "Version 4 du 13-05-2006");
    titres->addWidget(Version);
    Copyright =
        etiquette(new QLabel(Panel1), "Copyright", "Photos et diaporamas JPEG, GIF et BMP.");
    contenu->addWidget(Copyright);
    Comments = etiquette(new QLabel(Panel1), "Comments",
                         "Remarques et suggestions : voir la notice ci-dessous.");
    contenu->addWidget(Comments);
    auto* lien = new EtiquetteLien(Panel1);
    LabelLienSite = etiquette(lien, "LabelLienSite", "Notice du programme (README.md)");
    LabelLienSite->setToolTip(QString::fromStdString(AdresseSite()));
    QPalette bleu = LabelLienSite->palette();
    bleu.setColor(QPalette::WindowText, Qt::blue);
    LabelLienSite->setPalette(bleu);
    contenu->addWidget(LabelLienSite);
    contenu->addStretch(1);

    OKButton = new platform::ui::Button(this, "OKButton", "OK", platform::ui::ModalResult::Ok);
    OKButton->setDefault(true);
    fond->addWidget(OKButton, 0, Qt::AlignHCenter);

    lien->OnClick = [this] { LabelLienSiteClick(); };
    lien->OnMouseEnter = [this] { LabelLienSiteMouseEnter(); };
    lien->OnMouseLeave = [this] { LabelLienSiteMouseLeave(); };
    CenterOnScreen();
}

void TAboutBox::LabelLienSiteClick() {
    App().GetShell().OpenUrl(AdresseSite());
}

void TAboutBox::LabelLienSiteMouseEnter() {
    QFont police = LabelLienSite->font();
    police.setUnderline(true);
    LabelLienSite->setFont(police);
}

void TAboutBox::LabelLienSiteMouseLeave() {
    QFont police = LabelLienSite->font();
    police.setUnderline(false);
    LabelLienSite->setFont(police);
}

}  // namespace app
