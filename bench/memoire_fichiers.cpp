// Peak memory of the display loading and showing crafted files (a few bytes
// that declare gigapixels) and big pictures, and of turning a 100-megapixel
// JPEG and saving it, against the size of the decoded picture; of the contact
// sheet over folders of 64 such files; of printing such a picture into a PDF
// file. Each case runs in a process of its own, started afresh, whose peak
// resident memory the system reports; an empty display (an empty sheet for
// the sheets) started the same way is subtracted.
//
// Usage: memoire_fichiers DATA-FOLDER (the crafted files are made there once).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QScrollArea>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// jpeglib.h needs FILE declared before it.
#include <jpeglib.h>

#include "components/image_brenlow.h"
#include "gif/gif_image.h"
#include "planche.h"
#include "platform/graphics/graphic.h"
#include "platform/ui/application.h"
#include "platform/ui/printing.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& bytes, std::initializer_list<int> values) {
    for (const int v : values) bytes.push_back(static_cast<uint8_t>(v));
}

void Le16(Bytes& bytes, uint32_t value) {
    Append(bytes, {static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF)});
}

void Le32(Bytes& bytes, uint32_t value) {
    Le16(bytes, value & 0xFFFF);
    Le16(bytes, value >> 16);
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A GIF whose `frames` frames each declare width x height pixels and hold two
// bytes of data (one pixel), transparent elsewhere.
Bytes TinyFramesGif(int frames, uint16_t width, uint16_t height) {
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    Le16(gif, 16384);
    Le16(gif, 16384);
    Append(gif, {0x81, 0, 0});  // a global table of 4 greys
    for (int i = 0; i < 4; ++i) Append(gif, {i * 80, i * 80, i * 80});
    for (int f = 0; f < frames; ++f) {
        Append(gif, {0x21, 0xF9, 4, 0x01, 0, 0, 3, 0});
        Append(gif, {0x2C, 0, 0, 0, 0});
        Le16(gif, width);
        Le16(gif, height);
        Append(gif, {0});  // no local table, not interlaced
        // Code size 2; clear, pixel 1, end in 9 bits.
        Append(gif, {2, 2, 0x4C, 0x01, 0});
    }
    Append(gif, {0x3B});
    return gif;
}

// An 8-bit run-length BMP of width x height whose data end the picture at once.
Bytes RunLengthBmp(uint32_t width, uint32_t height) {
    Bytes bmp = {'B', 'M'};
    Le32(bmp, 14 + 40 + 1024 + 2);
    Le32(bmp, 0);
    Le32(bmp, 14 + 40 + 1024);
    Le32(bmp, 40);
    Le32(bmp, width);
    Le32(bmp, height);
    Le16(bmp, 1);
    Le16(bmp, 8);
    Le32(bmp, 1);  // RLE8
    Le32(bmp, 2);
    Le32(bmp, 2835);
    Le32(bmp, 2835);
    Le32(bmp, 256);
    Le32(bmp, 0);
    for (int i = 0; i < 256; ++i) Append(bmp, {i, i, i, 0});
    Append(bmp, {0, 1});  // end of picture
    return bmp;
}

// A JPEG written a row at a time by libjpeg, so that making it takes little
// memory: `pixel` fills one row of `components` bytes per pixel.
void WriteJpeg(const std::string& path, int width, int height, int components, int quality,
               const std::function<void(int y, uint8_t* row)>& pixel) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * static_cast<size_t>(components));
    for (int y = 0; y < height; ++y) {
        pixel(y, row.data());
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

// A small JPEG whose header says `side` x `side`: its data end long before.
Bytes ClaimingJpeg(const std::string& scratch, uint16_t side) {
    WriteJpeg(scratch, 16, 16, 3, 75, [](int y, uint8_t* row) {
        for (int x = 0; x < 48; ++x) row[x] = static_cast<uint8_t>(x * 5 + y * 9);
    });
    std::ifstream file(scratch, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            for (const size_t at : {i + 5, i + 7}) {
                bytes[at] = static_cast<uint8_t>(side >> 8);
                bytes[at + 1] = static_cast<uint8_t>(side & 0xFF);
            }
            break;
        }
    }
    std::filesystem::remove(scratch);
    return bytes;
}

// A folder of `count` copies of one file, made once.
void CopiesFolder(const std::string& folder, const char* extension, int count, const Bytes& file) {
    if (std::filesystem::exists(folder)) return;
    std::printf("making %s...\n", folder.c_str());
    std::filesystem::create_directories(folder + ".part");
    for (int i = 0; i < count; ++i) {
        WriteBytes(folder + ".part/copie-" + std::to_string(100 + i) + extension, file);
    }
    std::filesystem::rename(folder + ".part", folder);
}

// A 10,000 x 10,000 GIF of 256 colours, written by the codec.
void WriteBigGif(const std::string& path) {
    gif::TGIFImage image;
    auto frame = std::make_unique<gif::TGIFSubImage>(image);
    frame->DoSetBounds(0, 0, 10000, 10000);
    for (int i = 0; i < 256; ++i)
        frame->ColorMap().Add(platform::MakeColor(
            static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)));
    for (int32_t y = 0; y < 10000; ++y) {
        uint8_t* row = frame->GetScanline(y);
        for (int32_t x = 0; x < 10000; ++x) row[x] = static_cast<uint8_t>((x / 37) ^ (y / 53));
    }
    image.Add(std::move(frame));
    image.SaveToFile(path);
}

void MakeFiles(const std::string& data) {
    const auto missing = [&](const char* name) {
        const bool absent = !std::filesystem::exists(data + "/" + name);
        if (absent) std::printf("making %s...\n", name);
        std::fflush(stdout);
        return absent;
    };
    if (missing("cinquante-images.gif"))
        WriteBytes(data + "/cinquante-images.gif", TinyFramesGif(50, 16384, 16384));
    if (missing("image-trop-grande.gif"))
        WriteBytes(data + "/image-trop-grande.gif", TinyFramesGif(1, 16385, 16384));
    if (missing("rle-46000.bmp")) WriteBytes(data + "/rle-46000.bmp", RunLengthBmp(46000, 46000));
    if (missing("gris-26000.jpg")) {
        WriteJpeg(data + "/gris-26000.jpg", 26000, 26000, 1, 75, [](int y, uint8_t* row) {
            for (int x = 0; x < 26000; ++x)
                row[x] =
                    static_cast<uint8_t>(128 + 100 * std::sin(x / 900.0) * std::cos(y / 1300.0));
        });
    }
    if (missing("photo-100mp.jpg")) {
        uint32_t seed = 5;
        WriteJpeg(data + "/photo-100mp.jpg", 12000, 8400, 3, 90, [&seed](int y, uint8_t* row) {
            for (int x = 0; x < 12000; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = static_cast<int>(seed >> 28) - 8;
                const double v = 0.5 + 0.25 * std::sin(x / 400.0) + 0.2 * std::cos(y / 300.0);
                row[3 * x] =
                    static_cast<uint8_t>(std::clamp(static_cast<int>(v * 230) + grain, 0, 255));
                row[3 * x + 1] =
                    static_cast<uint8_t>(std::clamp(static_cast<int>(v * 180) + grain, 0, 255));
                row[3 * x + 2] = static_cast<uint8_t>(
                    std::clamp(static_cast<int>((1 - v) * 200) + grain, 0, 255));
            }
        });
    }
    if (missing("gif-10000.gif")) WriteBigGif(data + "/gif-10000.gif");
    if (missing("gif-16383.gif"))
        WriteBytes(data + "/gif-16383.gif", TinyFramesGif(1, 16383, 16383));
    std::filesystem::create_directories(data + "/planche-vide");
    CopiesFolder(data + "/planche-gif", ".gif", 64, TinyFramesGif(1, 16383, 16383));
    CopiesFolder(data + "/planche-jpeg", ".jpg", 64, ClaimingJpeg(data + "/claim.jpg", 60000));
}

// The contact sheet over every picture of `folder`, 100 x 100 cells in a
// window of 800 x 600, until every thumbnail is made.
int Sheet(QApplication& application, const std::string& folder) {
    platform::ui::Application app(application);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    QScrollArea window;
    components::TJPegDiaporama& sheet = OuvrePlanche(window);
    ChargePlanche(sheet, files);
    int made = 0;
    for (const components::TKorvel* thumbnail : sheet.ListeDiapos())
        made += thumbnail->GetPicture().GetGraphic() != nullptr;
    std::printf("%d of %zu thumbnails made", made, files.size());
    std::fflush(stdout);
    return 0;
}

// ---- The measured process

int Child(const std::string& action, const std::string& path, const std::string& target) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "memoire_fichiers";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    platform::RegisterStandardFormats();
    gif::RegisterGIFImage();
    if (action == "planche") return Sheet(application, path);
    // The main window's display on a 1920 x 1080 screen.
    components::TImageBrenlow display(nullptr, "Korvel1");
    display.SetStretch(true);
    display.SetGardeProportion(true);
    display.SetMargeConstante(10);
    display.resize(1900, 950);
    display.show();
    display.Loaded();
    QApplication::processEvents();
    if (action == "rien") return 0;
    try {
        display.ChargeFichier(path);
        display.grab();
        if (action == "tourne") {
            display.Rotation(90);
            display.grab();
            display.EnregistreAvecExif(path, target);
        } else if (action == "bmp") {
            display.EnregistreSous(target);
        } else if (action == "imprime") {
            // As the print dialog lays it out by default: 133 mm high, at
            // the printer's resolution.
            platform::ui::Application app(application);
            platform::ui::Report report(app);
            report.Image().picture.Assign(display.GetPicture());
            const int side = 133 * report.Resolution() * 10 / 254;
            report.Image().bounds = QRect(0, 0, side, side);
            report.PrintToPdf(target, nullptr);
        }
        std::printf("%dx%d", display.GetPicture().Width(), display.GetPicture().Height());
    } catch (const std::exception& e) {
        std::printf("refused: %s", platform::UserMessage(e).c_str());
    }
    std::fflush(stdout);
    return 0;
}

// Peak resident memory in MB of the program run for `action` on `path`.
double PeakOf(const std::string& self, const std::string& action, const std::string& path,
              const std::string& target = "") {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(self.c_str(), self.c_str(), "--enfant", action.c_str(), path.c_str(), target.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Case {
    const char* title;
    const char* action;
    const char* file;
    double decoded_mb;  // the picture decoded at full size; 0 when it is refused
    bool crafted;       // a few bytes that ask for much: to stay under 300 MB
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc >= 5 && std::string(argv[1]) == "--enfant") return Child(argv[2], argv[3], argv[4]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string data = argv[1];
    MakeFiles(data);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "memoire_fichiers";
    std::filesystem::create_directories(work);
    // Where the children's toolkit keeps its runtime files.
    std::filesystem::permissions(work, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", work.c_str(), 1);

    const double base = PeakOf(self, "rien", "");
    std::printf("\n  empty display: %.0f MB (subtracted below)\n", base);
    const std::vector<Case> cases{
        {"GIF, 50 frames 16384x16384 of 2 bytes", "affiche", "cinquante-images.gif", 0, true},
        {"GIF, a frame of 16385x16384", "affiche", "image-trop-grande.gif", 0, true},
        {"RLE BMP of 46000x46000", "affiche", "rle-46000.bmp", 0, true},
        {"grey JPEG 26000x26000, shown reduced", "affiche", "gris-26000.jpg", 0, true},
        {"grey JPEG 26000x26000, turned and saved", "tourne", "gris-26000.jpg", 0, true},
        {"grey JPEG 26000x26000, saved as BMP", "bmp", "gris-26000.jpg", 0, true},
        {"GIF 10000x10000, shown", "affiche", "gif-10000.gif", 1e8 / 1048576, true},
        {"JPEG 12000x8400, turned and saved", "tourne", "photo-100mp.jpg",
         12000.0 * 8400 * 3 / 1048576, false},
        {"GIF 16383x16383 of 1 pixel, printed", "imprime", "gif-16383.gif", 0, true},
    };
    for (const Case& c : cases) {
        const std::string path = data + "/" + c.file;
        std::printf("  %-40s %9.0f bytes: ", c.title,
                    static_cast<double>(std::filesystem::file_size(path)));
        const std::string action = c.action;
        const char* target = action == "bmp"       ? "copie.bmp"
                             : action == "imprime" ? "page.pdf"
                                                   : "tournee.jpg";
        const double peak = PeakOf(self, c.action, path, (work / target).string()) - base;
        std::printf("\n      peak %.0f MB above the empty display", peak);
        if (c.crafted) std::printf(" (goal: under 300 MB%s)", peak < 300 ? "" : ", MISSED");
        if (c.decoded_mb > 0) {
            const double ratio = peak / c.decoded_mb;
            std::printf("\n      decoded %.0f MB: peak / decoded = %.2f (goal: at most 2.2%s)",
                        c.decoded_mb, ratio, ratio <= 2.2 ? "" : ", MISSED");
        }
        std::printf("\n");
    }
    std::printf("  empty contact sheet: ");
    const double empty_sheet = PeakOf(self, "planche", data + "/planche-vide");
    std::printf("\n      %.0f MB (subtracted below)\n", empty_sheet);
    for (const auto& [title, folder] :
         {std::pair{"64 GIFs of 16383x16383 declared in 49 bytes", "planche-gif"},
          std::pair{"64 JPEGs of 60000x60000 declared in 711 bytes", "planche-jpeg"}}) {
        std::printf("  contact sheet, %s: ", title);
        const double peak = PeakOf(self, "planche", data + "/" + folder) - empty_sheet;
        std::printf("\n      peak %.0f MB above the empty sheet (goal: under 600 MB%s)\n", peak,
                    peak < 600 ? "" : ", MISSED");
    }
    std::filesystem::remove_all(work);
    return 0;
}
