#include "platform/graphics/graphic.h"

#include <gtest/gtest.h>

#include "pictures.h"
#include "platform/graphics/canvas.h"
#include "test_support.h"

namespace platform {
namespace {

using namespace testing_support;

// A graphic of another class: a plain red picture that saves a fixed text,
// or fails half-way through saving when asked to.
class RedGraphic final : public Graphic {
public:
    std::unique_ptr<Graphic> Clone() const override { return std::make_unique<RedGraphic>(); }
    std::string_view ClassName() const override { return "TRed"; }
    int32_t Width() const override { return 3; }
    int32_t Height() const override { return 2; }
    void Draw(Canvas& canvas, const Rect& dest) const override {
        canvas.SetBrushColor(MakeColor(255, 0, 0));
        canvas.FillRect(dest);
    }
    void LoadFromStream(Stream&) override {}
    void SaveToStream(Stream& stream) const override {
        stream.WriteBuffer("red", 3);
        if (fail_saving) RaiseStreamWrite();
    }

    bool fail_saving = false;
};

class Registry : public ::testing::Test {
protected:
    void SetUp() override { RegisterStandardFormats(); }
    PictureRegistry& registry_ = PictureRegistry::Instance();
};

TEST_F(Registry, FindsClassesByTheLastExtensionIgnoringCaseAndNamesUnknownOnes) {
    EXPECT_EQ(registry_.CreateFor("/photos/IMG_001.JPG")->ClassName(), "TJPEGImage");
    EXPECT_EQ(registry_.CreateFor("scan.Jpeg")->ClassName(), "TJPEGImage");
    EXPECT_EQ(registry_.CreateFor("/a.jpg/b.tar.bmp")->ClassName(), "TBitmap");
    ASSERT_NE(registry_.Find("BMP"), nullptr);
    EXPECT_EQ(registry_.Find("BMP")->description, "Bitmaps");
    EXPECT_EQ(registry_.Find("jpeg")->description, "Fichier image JPEG");
    // Unknown extensions are named in lower case.
    EXPECT_EQ(ErrorText([&] { registry_.CreateFor("photo.PNG"); }),
              "Extension de fichier image inconnue (.png)");
    EXPECT_EQ(ErrorText([&] { registry_.CreateFor("/home/me/README"); }),
              "Extension de fichier image inconnue (.)");
    // A dot in a folder name is not an extension of the file.
    EXPECT_EQ(ErrorText([&] { registry_.CreateFor("/photos.bmp/noext"); }),
              "Extension de fichier image inconnue (.)");
    EXPECT_EQ(ErrorText([&] { registry_.CreateFor("trailing."); }),
              "Extension de fichier image inconnue (.)");
}

TEST(GraphicDefaults, AssignRefusesOtherClassesByNameButABitmapDrawsAnyGraphic) {
    RedGraphic red;
    EXPECT_EQ(ErrorText([&] { red.Assign(Bitmap(1, 1)); }), "Impossible d'affecter TBitmap à TRed");
    Bitmap bitmap(1, 1, PixelFormat::Bit8);
    bitmap.Assign(red);
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bit24);
    EXPECT_EQ(SizeOf(bitmap), "3x2");
    EXPECT_TRUE(bitmap.ColorTable().empty());
    EXPECT_EQ(bitmap.ScanLine(1)[3 * 2 + 2], 255);
    EXPECT_EQ(bitmap.ScanLine(1)[3 * 2], 0);
}

TEST(GraphicDefaults, SavingAFileNeverLeavesItHalfWritten) {
    TempDir dir;
    const std::string path = dir / "picture.red";
    WriteFile(path, std::string("old"));
    RedGraphic red;
    red.fail_saving = true;
    EXPECT_EQ(ErrorText([&] { red.SaveToFile(path); }), "Erreur d'écriture du flux");
    EXPECT_EQ(ReadText(path), "old");
    red.fail_saving = false;
    red.SaveToFile(path);
    EXPECT_EQ(ReadText(path), "red");
}

TEST_F(Registry, PictureLoadsByExtensionAndAFailureChangesNothing) {
    TempDir dir;
    const std::string good = dir / "good.BMP";
    WriteBmp(good, *MakeBitmap(4, 1, [](int32_t, int32_t) { return MakeColor(0, 0, 255); }));
    Picture picture;
    int changes = 0;
    picture.OnChange = [&](Picture&) { ++changes; };
    picture.LoadFromFile(good);
    EXPECT_EQ(changes, 1);
    ASSERT_NE(picture.GetGraphic(), nullptr);
    const Graphic* loaded = picture.GetGraphic();
    EXPECT_EQ(picture.Width(), 4);

    const std::string broken = dir / "broken.bmp";
    WriteFile(broken, std::string("BM but nothing else"));
    EXPECT_EQ(ErrorText([&] { picture.LoadFromFile(broken); }), "Image bitmap incorrecte");
    EXPECT_EQ(ErrorText([&] { picture.LoadFromFile(dir / "photo.png"); }),
              "Extension de fichier image inconnue (.png)");
    const std::string missing = dir / "missing.bmp";
    EXPECT_EQ(
        ErrorText([&] { picture.LoadFromFile(missing); }),
        "Impossible d'ouvrir le fichier \"" + missing + "\". Le fichier spécifié est introuvable.");
    EXPECT_EQ(picture.GetGraphic(), loaded);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(dynamic_cast<const Bitmap*>(loaded)->ScanLine(0)[0], 255);
    EXPECT_EQ(changes, 1);
}

TEST(Picture, AssignKeepsACopyAndForwardsChanges) {
    Bitmap source(2, 2);
    Picture picture;
    int changes = 0;
    picture.OnChange = [&](Picture&) { ++changes; };
    picture.Assign(&source);
    EXPECT_EQ(changes, 1);
    source.SetSize(7, 7);
    EXPECT_EQ(picture.Width(), 2);
    dynamic_cast<Bitmap*>(picture.GetGraphic())->SetSize(5, 1);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(picture.Width(), 5);

    picture.Assign(picture);  // a copy of itself
    EXPECT_EQ(picture.Width(), 5);
    picture.Assign(nullptr);
    EXPECT_EQ(picture.GetGraphic(), nullptr);
    EXPECT_EQ(picture.Height(), 0);
    EXPECT_EQ(changes, 4);
}

// The folder mask and the dialogs' filters are the texts the windows always
// showed, spaces and order included, made from the one table.
TEST(Formats, TheMasksAndFiltersComeFromTheTable) {
    EXPECT_EQ(FormatMasks(FormatUse::Listed), "*.jpg;*.gif;*.bmp");
    EXPECT_EQ(FormatMasks(FormatUse::Listed, "JPEG"), "*.jpg");
    EXPECT_EQ(OpenDialogFilter(),
              "Fichiers images JPEG, GIF, BMP|*.jpg;*.gif;*.bmp|Fichier image GIF(*.gif)|*.gif|"
              "Fichier image BMP(*.bmp)|*.bmp|Fichier image JPEG (*.jpg)|*.jpg|Tous|*.*");
    EXPECT_EQ(SaveDialogFilter(), "Fichier image JPEG (*.jpg)|*.jpg");
    EXPECT_EQ(SaveDialogExtension(), "jpg");
    EXPECT_EQ(PictureDialogFilter(),
              "Tout (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"
              "|Fichier image JPEG (*.jpg)|*.jpg|Fichier image JPEG (*.jpeg)|*.jpeg"
              "|Bitmaps (*.bmp)|*.bmp|Icônes (*.ico)|*.ico|Métafichiers étendus (*.emf)|*.emf"
              "|Métafichiers (*.wmf)|*.wmf");

    ASSERT_NE(FormatOf("/a.b/PHOTO.Jpeg"), nullptr);
    EXPECT_EQ(FormatOf("/a.b/PHOTO.Jpeg")->kind, "JPEG");
    EXPECT_FALSE(FormatOf("x.jpeg")->Has(FormatUse::Listed));
    EXPECT_TRUE(FormatOf("x.GIF")->Has(FormatUse::Written));
    EXPECT_EQ(FormatOf("x.png"), nullptr);
    EXPECT_EQ(FormatOf("/a.jpg/sans"), nullptr);
    EXPECT_EQ(ExtensionOfKind("JPEG"), "jpg");
    // Every format the table reads has a class once the platform's and the
    // codec's are registered; the others have none.
    RegisterStandardFormats();
    for (const PictureFormat& format : PictureFormats()) {
        if (format.kind == "GIF") continue;
        EXPECT_EQ(PictureRegistry::Instance().Find(format.extension) != nullptr,
                  format.Has(FormatUse::Read))
            << format.extension;
    }
}

}  // namespace
}  // namespace platform
