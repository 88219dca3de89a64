// Every window at its design size, laid out on the offscreen platform in the
// application's font: each caption fits its control, measured with that
// control's own font, and no two sibling controls with text overlap.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <string>
#include <vector>

#include "app/fiches.h"
#include "app/form1.h"
#include "app/form_change_ht_lg.h"
#include "app/form_edit_picture.h"
#include "platform/ui/controls.h"
#include "scripted_dialogs.h"

namespace app {
namespace {

using platform::ui::Application;
using platform::ui::Form;
using platform::ui::Q;

std::string Nom(const QWidget& control) {
    const QString nom = control.objectName().isEmpty() ? control.metaObject()->className()
                                                       : control.objectName();
    return nom.toStdString();
}

int Largeur(const QWidget& control, const QString& texte) {
    return control.fontMetrics().horizontalAdvance(QString(texte).remove('&'));
}

// The room a button's style leaves for its caption beside its mark or icon.
QRect PlaceDuTexte(const QAbstractButton& bouton, QStyle::SubElement element) {
    QStyleOptionButton option;
    option.initFrom(&bouton);
    option.text = bouton.text();
    option.icon = bouton.icon();
    option.iconSize = bouton.iconSize();
    return bouton.style()->subElementRect(element, &option, &bouton);
}

// What is wrong with one control's caption: its text wider (or taller) than
// the room it has; empty when it fits or the control has no caption.
std::string DefautDeLegende(const QWidget& control) {
    QString texte;
    int place = 0;
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        texte = label->text();
        if (texte.isEmpty()) return {};
        if (label->wordWrap()) {
            const int hauteur = label->heightForWidth(label->width());
            if (hauteur <= label->height()) return {};
            return Nom(control) + " \"" + texte.toStdString() + "\" needs " + std::to_string(hauteur) +
                   " pixels of height, has " + std::to_string(label->height());
        }
        place = label->contentsRect().width() - 2 * label->margin();
        if (label->fontMetrics().height() > label->contentsRect().height()) {
            return Nom(control) + " \"" + texte.toStdString() + "\" is cut in height";
        }
    } else if (const auto* boite = qobject_cast<const QCheckBox*>(&control)) {
        texte = boite->text();
        place = PlaceDuTexte(*boite, QStyle::SE_CheckBoxContents).width();
    } else if (const auto* radio = qobject_cast<const QRadioButton*>(&control)) {
        texte = radio->text();
        place = PlaceDuTexte(*radio, QStyle::SE_RadioButtonContents).width();
    } else if (const auto* bouton = qobject_cast<const QPushButton*>(&control)) {
        texte = bouton->text();
        place = PlaceDuTexte(*bouton, QStyle::SE_PushButtonContents).width();
        if (!bouton->icon().isNull()) place -= bouton->iconSize().width() + 4;
    } else if (const auto* outil = qobject_cast<const QToolButton*>(&control)) {
        if (outil->toolButtonStyle() == Qt::ToolButtonIconOnly && !outil->icon().isNull()) return {};
        texte = outil->text();
        place = outil->width() - 2 * outil->style()->pixelMetric(QStyle::PM_ButtonMargin);
    } else if (const auto* groupe = qobject_cast<const QGroupBox*>(&control)) {
        texte = groupe->title();
        QStyleOptionGroupBox option;
        option.initFrom(groupe);
        option.text = texte;
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect titre = groupe->style()->subControlRect(QStyle::CC_GroupBox,
                                                             &option, QStyle::SC_GroupBoxLabel, groupe);
        place = std::min(titre.width(), groupe->width() - titre.left());
    } else if (const auto* spin = qobject_cast<const platform::ui::SpinEdit*>(&control)) {
        // Its bounds are the widest values it shows.
        const QLineEdit& saisie = *spin->findChild<QLineEdit*>();
        place = saisie.contentsRect().width() - 4;
        texte = QString::number(spin->MinValue());
        if (Largeur(saisie, QString::number(spin->MaxValue())) > Largeur(saisie, texte)) {
            texte = QString::number(spin->MaxValue());
        }
        if (Largeur(saisie, texte) <= place) return {};
        return Nom(control) + " \"" + texte.toStdString() + "\" needs " +
               std::to_string(Largeur(saisie, texte)) + " pixels, has " + std::to_string(place);
    } else {
        return {};
    }
    if (texte.isEmpty() || Largeur(control, texte) <= place) return {};
    return Nom(control) + " \"" + texte.toStdString() + "\" needs " +
           std::to_string(Largeur(control, texte)) + " pixels, has " + std::to_string(place);
}

bool PorteDuTexte(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) return !label->text().isEmpty();
    if (const auto* bouton = qobject_cast<const QAbstractButton*>(&control)) {
        return !bouton->text().isEmpty();
    }
    return qobject_cast<const QGroupBox*>(&control) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(&control) != nullptr ||
           qobject_cast<const QLineEdit*>(&control) != nullptr;
}

// Every fault of a window: captions that do not fit, controls with text that
// go beyond their parent, and sibling controls with text that overlap.
std::vector<std::string> Defauts(const Form& fenetre) {
    std::vector<std::string> defauts;
    std::vector<const QWidget*> parents{&fenetre};
    for (const QWidget* control : fenetre.findChildren<QWidget*>()) {
        if (control->window() != &fenetre || !control->isVisibleTo(&fenetre)) continue;
        parents.push_back(control);
        // The edit inside a spin edit belongs to it.
        if (qobject_cast<const QAbstractSpinBox*>(control->parentWidget()) != nullptr) continue;
        if (std::string defaut = DefautDeLegende(*control); !defaut.empty()) {
            defauts.push_back(fenetre.Name() + ": " + defaut);
        }
    }
    for (const QWidget* parent : parents) {
        std::vector<const QWidget*> freres;
        for (const QWidget* enfant : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!enfant->isWindow() && enfant->isVisibleTo(&fenetre) && PorteDuTexte(*enfant)) {
                freres.push_back(enfant);
            }
        }
        for (size_t i = 0; i < freres.size(); ++i) {
            // A control beyond its parent's edge is cut there.
            if (!parent->rect().contains(freres[i]->geometry())) {
                defauts.push_back(fenetre.Name() + ": " + Nom(*freres[i]) + " goes beyond " +
                                  Nom(*parent));
            }
            for (size_t j = i + 1; j < freres.size(); ++j) {
                if (freres[i]->geometry().intersects(freres[j]->geometry())) {
                    defauts.push_back(fenetre.Name() + ": " + Nom(*freres[i]) + " overlaps " +
                                      Nom(*freres[j]));
                }
            }
        }
    }
    return defauts;
}

class MiseEnPage : public testing_support::ScriptedTest {
protected:
    void SetUp() override {
        ScriptedTest::SetUp();
        CreeFiches(Application::Current(), fiches, {});
    }

    // Each window shown at its design size, as the user first sees it.
    std::vector<std::string> DefautsDesFenetres() {
        std::vector<std::string> defauts;
        for (Form* fenetre : Application::Current().Forms()) {
            fenetre->show();
            QApplication::processEvents();
            for (std::string& defaut : Defauts(*fenetre)) defauts.push_back(std::move(defaut));
            fenetre->hide();
        }
        return defauts;
    }

    Fiches fiches;
};

TEST_F(MiseEnPage, TheWindowsAreWrittenInAFontWithTheDesignsWidths) {
    EXPECT_EQ(QFontInfo(QApplication::font()).family().toStdString(), "Liberation Sans")
        << "fonts-liberation stands in for the design's font";
    EXPECT_EQ(QFontInfo(QFont("Arial", 10)).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(fiches.Form1->size(), QSize(1060, 613));
}

TEST_F(MiseEnPage, EveryCaptionFitsAndNoControlsOverlapAtTheDesignSizes) {
    // The longest texts the panel's labels usually show: the largest picture
    // size, a slow speed from its APEX value, a lens with its aperture.
    TForm1& f = *fiches.Form1;
    f.LabelDim->setText("65535x65535");
    f.LabelDate->SetText("2001:06:09 15:17:32");
    f.LabelIso->SetText("1600 Asa");
    f.LabelVitesse->SetText("0.0010 sec (1/1000)");
    f.LabelDiaf->SetText("diaph F22.0");
    f.LabelCorrectionExposition->SetText("Cor. exp -10/10");
    f.LabelFocale->SetText(" focale : 100.00 mm");
    f.LabelProgramExposition->SetText("Prio Vitesse");
    f.LabelFlash->SetText("Flash On, strobe return");
    f.LabelObjectif->SetText("Zoom 17x 85 F4.0");
    f.LabelZoom->setText("0.01");
    // Coefficients with all their digits.
    fiches.FormEditPicture->SetLuminosite(1.0578512396694215);
    fiches.FormEditPicture->SetContraste(-0.50196078431372548);
    fiches.FormChangeHtLg->LabelLargeur->setNum(65535);
    fiches.FormChangeHtLg->LabelHauteur->setNum(65535);

    const std::vector<std::string> defauts = DefautsDesFenetres();
    std::string liste;
    for (const std::string& defaut : defauts) liste += defaut + "\n";
    EXPECT_TRUE(defauts.empty()) << liste;
}

TEST_F(MiseEnPage, LongShootingDataKeepToTheirColumnsAndAreWholeInTheirHints) {
    TForm1& f = *fiches.Form1;
    const std::vector<std::pair<platform::ui::ElidedLabel*, std::string>> textes = {
        {f.LabelDate, "2001:06:09 15:17:32 (heure d'été de l'appareil photo)"},
        {f.LabelIso, "1600 Asa (sensibilité étendue H2)"},
        {f.LabelVitesse, "1543209/10000000 sec"},
        {f.LabelDiaf, "diaph F22.0 (ouverture effective)"},
        {f.LabelCorrectionExposition, "Cor. exp -1543209/10000000"},
        {f.LabelFocale, " focale : 100.00 mm (équivalent 35 mm : 150 mm)"},
        {f.LabelProgramExposition, "Prio Vitesse et encore bien plus"},
        {f.LabelFlash, "Flash On, strobe return, auto mode, red-eye reduction"},
        {f.LabelObjectif, "Zoom 1543209/10000x 1543209/1000 F1543209/100000"},
    };
    for (const auto& [label, texte] : textes) label->SetText(texte);
    // At the design size, and on a screen narrower than that: the captions
    // fit, nothing overlaps or leaves its parent, each hint has the whole text.
    for (const int largeur : {1060, 900}) {
        f.show();
        f.resize(largeur, 613);
        QApplication::processEvents();
        const std::vector<std::string> defauts = Defauts(f);
        std::string liste;
        for (const std::string& defaut : defauts) liste += defaut + "\n";
        EXPECT_TRUE(defauts.empty()) << f.width() << " pixels:\n" << liste;
        for (const auto& [label, texte] : textes) {
            EXPECT_EQ(label->Text(), texte);
            EXPECT_NE(label->text().toStdString(), texte) << texte;
            EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
            EXPECT_TRUE(label->toolTip().endsWith(Q(texte.c_str()))) << texte;
            EXPECT_TRUE(f.rect().contains(QRect(label->mapTo(&f, QPoint(0, 0)), label->size())))
                << texte;
        }
    }
    // Wide enough, the same texts are whole.
    f.resize(3000, 613);
    QApplication::processEvents();
    EXPECT_EQ(f.LabelVitesse->text().toStdString(), "1543209/10000000 sec");
    EXPECT_EQ(f.LabelVitesse->toolTip().toStdString(), "Vitesse");
}

TEST_F(MiseEnPage, ALongCoefficientLeavesItsTrackBarAsItWas) {
    TFormEditPicture& edition = *fiches.FormEditPicture;
    edition.show();
    QApplication::processEvents();
    const int luminosite = edition.TrackBarLuminosite->width();
    const int contraste = edition.TrackBarContraste->width();
    edition.SetLuminosite(1.0578512396694215);
    edition.SetContraste(-0.50196078431372548);
    QApplication::processEvents();
    EXPECT_EQ(edition.LabelLuminosite->text().size(), 16);
    EXPECT_EQ(edition.TrackBarLuminosite->width(), luminosite);
    EXPECT_EQ(edition.TrackBarContraste->width(), contraste);
}

}  // namespace
}  // namespace app
