#include "platform/core/stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/error.h"
#include "test_support.h"

namespace platform {
namespace {

using namespace testing_support;

const std::string kReadError = "Erreur de lecture du flux";

TEST(MemoryStream, ReadsWritesAndGrowsAtThePosition) {
    MemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream.Position(), 6);
    stream.SetPosition(2);
    stream.WriteBuffer("XY", 2);
    // Writing past the end fills the gap with zeros.
    EXPECT_EQ(stream.Seek(2, SeekOrigin::End), 8);
    stream.WriteBuffer("!", 1);
    EXPECT_EQ(stream.Release(), Bytes(std::string("abXYef\0\0!", 9)));
    EXPECT_EQ(stream.Size(), 0);
}

TEST(MemoryStream, ShortReadsAndSeeksBeforeTheStartAreRefused) {
    MemoryStream stream(Bytes("abc"));
    char buffer[4] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 3u);
    EXPECT_EQ(stream.Read(buffer, 4), 0u);
    stream.SetPosition(1);
    EXPECT_EQ(ErrorText([&] { stream.ReadBuffer(buffer, 3); }), kReadError);
    stream.SetPosition(2);
    EXPECT_EQ(stream.Seek(-1, SeekOrigin::Current), 1);
    EXPECT_EQ(ErrorText([&] { stream.Seek(-4, SeekOrigin::End); }), kReadError);
    EXPECT_THROW(stream.Seek(INT64_MAX, SeekOrigin::Current), Error);
    EXPECT_EQ(stream.Position(), 1);
    // Reading beyond the end gives nothing rather than failing.
    stream.SetPosition(100);
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
}

TEST(MemoryStream, AViewReadsTheCallersBytesAndRefusesWrites) {
    const std::vector<uint8_t> bytes = Bytes("hello");
    MemoryStream view = MemoryStream::View(bytes);
    EXPECT_EQ(view.Bytes().data(), bytes.data());
    EXPECT_EQ(view.Size(), 5);
    view.SetPosition(1);
    EXPECT_EQ(view.ReadRest(), Bytes("ello"));
    EXPECT_EQ(ErrorText([&] { view.WriteBuffer("x", 1); }), "Erreur d'écriture du flux");

    MemoryStream moved(std::move(view));
    EXPECT_EQ(moved.Position(), 5);
    EXPECT_EQ(moved.Release(), bytes);  // a copy: the caller's bytes stay
    EXPECT_EQ(bytes, Bytes("hello"));
}

TEST(FileStream, WritesReadsAndSeeksAFile) {
    TempDir dir;
    const std::string path = dir / "data.bin";
    {
        FileStream out(path, FileMode::Create);
        out.WriteBuffer("0123456789", 10);
        out.Sync();
        EXPECT_EQ(out.Size(), 10);
    }
    FileStream in(path, FileMode::Read);
    EXPECT_EQ(in.Seek(-3, SeekOrigin::End), 7);
    EXPECT_EQ(in.ReadRest(), Bytes("789"));
    // Into a buffer kept from file to file, in its own storage.
    std::vector<uint8_t> kept(64, 'x');
    const uint8_t* storage = kept.data();
    in.SetPosition(4);
    in.ReadRest(kept);
    EXPECT_EQ(kept, Bytes("456789"));
    EXPECT_EQ(kept.data(), storage);
    in.SetPosition(2);
    char buffer[3];
    in.ReadBuffer(buffer, 3);
    EXPECT_EQ(std::string(buffer, 3), "234");
    EXPECT_EQ(in.Position(), 5);
    in.SetPosition(8);
    EXPECT_EQ(ErrorText([&] { in.ReadBuffer(buffer, 3); }), kReadError);
    EXPECT_EQ(ReadFileBytes(path), Bytes("0123456789"));
}

TEST(FileStream, OpeningFailuresCarryThePathAndTheSystemsReason) {
    TempDir dir;
    const auto failure = [](const std::string& path, FileMode mode) {
        return ErrorText([&] { FileStream s(path, mode); });
    };
    const std::string missing = dir / "missing.jpg";
    const std::string no_file = "\". Le fichier spécifié est introuvable.";
    EXPECT_EQ(failure(missing, FileMode::Read),
              "Impossible d'ouvrir le fichier \"" + missing + no_file);
    EXPECT_EQ(ErrorText([&] { ReadFileBytes(missing); }), failure(missing, FileMode::Read));
    EXPECT_EQ(failure(dir / "no/such/file.bmp", FileMode::Create),
              "Impossible de créer le fichier \"" + (dir / "no/such/file.bmp") + no_file);
    // A folder is not a file to read or to write.
    const std::string folder = "\". Le fichier spécifié est un dossier.";
    EXPECT_EQ(failure(dir.Path(), FileMode::Read),
              "Impossible d'ouvrir le fichier \"" + dir.Path() + folder);
    EXPECT_EQ(failure(dir.Path(), FileMode::Create),
              "Impossible de créer le fichier \"" + dir.Path() + folder);
}

TEST(FileStream, APipeOrADeviceIsRefusedAtOnceNotWaitedFor) {
    TempDir dir;
    // No program ever writes to the pipe: a blocking open would wait for good.
    const std::string pipe = dir / "photo.jpg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string other = "\". Le fichier spécifié n'est pas un fichier ordinaire.";
    EXPECT_EQ(ErrorText([&] { FileStream s(pipe, FileMode::Read); }),
              "Impossible d'ouvrir le fichier \"" + pipe + other);
    // A device that never ends.
    EXPECT_EQ(ErrorText([&] { ReadFileBytes("/dev/zero"); }),
              "Impossible d'ouvrir le fichier \"/dev/zero" + other);
    // A link to a regular file reads the file, which reads as usual.
    const std::string file = dir / "vraie.jpg";
    const std::string link = dir / "lien.jpg";
    FileStream(file, FileMode::Create).WriteBuffer("abc", 3);
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(link), Bytes("abc"));
}

}  // namespace
}  // namespace platform
