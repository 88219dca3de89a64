// Printing the shown picture, one picture per page. The print dialog takes
// the picture's size and the paper's orientation; the report window, never
// shown itself, holds the page and lays the picture out on it before each
// preview and print.
#pragma once

#include <QGroupBox>
#include <QLabel>

#include "platform/ui/controls.h"
#include "platform/ui/form.h"
#include "platform/ui/printing.h"

namespace app {

struct Fiches;

class TFormImpressionImg final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormImpressionImg(platform::ui::Application& application, Fiches& fiches);

    QLabel* Label1;
    QLabel* Label2;
    platform::ui::SpinEdit* SpinEditLargeurImg;
    QLabel* Label3;
    platform::ui::SpinEdit* SpinEditHauteurImg;
    platform::ui::CheckBox* CheckBoxPleinePage;
    QGroupBox* RadioGroup1;
    platform::ui::RadioButton* RadioButtonPortrait;
    platform::ui::RadioButton* RadioButton2;
    platform::ui::Button* ButtonPreview;
    platform::ui::Button* BitBtnImpression;
    platform::ui::Button* BitBtn2;

    void FormShow();
    void ButtonPreviewClick();
    void BitBtnImpressionClick();
    void RadioButtonPortraitClick();
    void RadioButton2Click();
    void CheckBoxPleinePageClick();

private:
    Fiches& fiches_;
};

class TFormQR final : public platform::ui::Form {
    Q_OBJECT

public:
    TFormQR(platform::ui::Application& application, Fiches& fiches);

    platform::ui::Report QuickRep1;
    // The printed picture and its place on the page.
    platform::ui::ReportImage& QRImage1;

    // Lays the picture out on the page as the print dialog asks; a report
    // without a picture keeps its layout.
    void ChangeTailleImage();

private:
    Fiches& fiches_;
};

}  // namespace app
