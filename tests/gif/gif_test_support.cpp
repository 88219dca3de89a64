#include "gif_test_support.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/core/error.h"
#include "platform/core/stream.h"
#include "test_support.h"

namespace gif_testing {

using testing_support::ReadFile;
using testing_support::Run;
using testing_support::ShellQuote;
using testing_support::TempDir;
using testing_support::WriteFile;

Bytes GifBuild(const std::string& description) {
    TempDir dir;
    WriteFile(dir / "description.txt", description);
    const std::string command = "gifbuild < " + ShellQuote(dir / "description.txt") + " > " +
                                ShellQuote(dir / "out.gif") + " 2>/dev/null";
    EXPECT_EQ(Run(command), 0) << description;
    return ReadFile(dir / "out.gif");
}

namespace {

struct Source {
    const Bytes* bytes;
    size_t position;
};

int ReadSource(GifFileType* file, GifByteType* buffer, int count) {
    auto* source = static_cast<Source*>(file->UserData);
    const size_t n =
        std::min<size_t>(static_cast<size_t>(count), source->bytes->size() - source->position);
    std::memcpy(buffer, source->bytes->data() + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

}  // namespace

std::vector<OracleFrame> GiflibFrames(const Bytes& file) {
    Source source{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadSource, &error);
    std::vector<OracleFrame> frames;
    if (gif == nullptr) {
        ADD_FAILURE() << "giflib refuses the file: " << GifErrorString(error);
        return frames;
    }
    if (DGifSlurp(gif) != GIF_OK) ADD_FAILURE() << "giflib: " << GifErrorString(gif->Error);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& saved = gif->SavedImages[i];
        OracleFrame frame;
        frame.left = saved.ImageDesc.Left;
        frame.top = saved.ImageDesc.Top;
        frame.width = saved.ImageDesc.Width;
        frame.height = saved.ImageDesc.Height;
        frame.interlaced = saved.ImageDesc.Interlace;
        const size_t size = static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height);
        if (saved.RasterBits != nullptr)
            frame.pixels.assign(saved.RasterBits, saved.RasterBits + size);
        frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    return frames;
}

Loaded Load(const Bytes& file) {
    Loaded loaded;
    loaded.image->OnWarning = [warnings = loaded.warnings](const void*, uint8_t,
                                                           std::string_view message) {
        warnings->emplace_back(message);
    };
    platform::MemoryStream stream(file);
    loaded.image->LoadFromStream(stream);
    return loaded;
}

std::string LoadError(const Bytes& file) {
    return testing_support::ErrorText([&] { Load(file); });
}

Bytes Save(const gif::TGIFImage& image) {
    platform::MemoryStream stream;
    image.SaveToStream(stream);
    return stream.Release();
}

std::vector<uint8_t> Pixels(const gif::TGIFSubImage& frame) {
    if (frame.Data() == nullptr) return {};
    return {frame.Data(), frame.Data() + frame.DataSize()};
}

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

namespace {

void Put16(Bytes& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// The code width that follows the decoder's table as codes arrive.
class CodeWidth {
public:
    explicit CodeWidth(int min_code_size) : min_(min_code_size) { Reset(); }
    int Bits() const { return size_; }
    void Took(int code) {
        if (code == 1 << min_) {
            Reset();
        } else if (after_clear_) {
            after_clear_ = false;
        } else if (next_ < 4096) {
            ++next_;
            if (next_ >= (1 << size_) && size_ < 12) ++size_;
        }
    }

private:
    void Reset() {
        size_ = min_ + 1;
        next_ = (1 << min_) + 2;
        after_clear_ = true;
    }
    int min_;
    int size_ = 0;
    int next_ = 0;
    bool after_clear_ = true;
};

}  // namespace

Bytes Screen(uint16_t width, uint16_t height, int colors, const std::string& signature) {
    Bytes file(signature.begin(), signature.end());
    Put16(file, width);
    Put16(file, height);
    int bits = 1;
    while ((1 << bits) < colors) ++bits;
    file.push_back(static_cast<uint8_t>(colors > 0 ? 0x80 | (bits - 1) : 0));
    file.push_back(0);
    file.push_back(0);
    for (int i = 0; i < (colors > 0 ? 1 << bits : 0); ++i)
        file.insert(file.end(), 3, static_cast<uint8_t>(i));
    return file;
}

Bytes Image(uint16_t width, uint16_t height, const Bytes& data, uint8_t packed) {
    Bytes block = {0x2C, 0, 0, 0, 0};
    Put16(block, width);
    Put16(block, height);
    block.push_back(packed);
    return block + data;
}

Bytes OneFrame(uint16_t width, uint16_t height, int colors, const Bytes& data) {
    return Screen(width, height, colors) + Image(width, height, data) + Bytes{0x3B};
}

Bytes PackCodes(int min_code_size, const std::vector<int>& codes, size_t* bits) {
    CodeWidth width(min_code_size);
    std::vector<uint8_t> packed;
    uint32_t buffer = 0;
    int count = 0;
    size_t total = 0;
    for (const int code : codes) {
        buffer |= static_cast<uint32_t>(code) << count;
        count += width.Bits();
        total += static_cast<size_t>(width.Bits());
        for (; count >= 8; count -= 8, buffer >>= 8) packed.push_back(static_cast<uint8_t>(buffer));
        width.Took(code);
    }
    if (count > 0) packed.push_back(static_cast<uint8_t>(buffer));
    if (bits != nullptr) *bits = total;
    Bytes data = {static_cast<uint8_t>(min_code_size)};
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t n = std::min<size_t>(255, packed.size() - at);
        data.push_back(static_cast<uint8_t>(n));
        data.insert(data.end(), packed.begin() + static_cast<ptrdiff_t>(at),
                    packed.begin() + static_cast<ptrdiff_t>(at + n));
    }
    data.push_back(0);
    return data;
}

std::vector<int> UnpackCodes(const Bytes& data) {
    const int min_code_size = data.at(0);
    Bytes packed;
    for (size_t at = 1; at < data.size() && data[at] != 0; at += 1 + size_t{data[at]})
        packed.insert(packed.end(), data.begin() + static_cast<ptrdiff_t>(at + 1),
                      data.begin() + static_cast<ptrdiff_t>(at + 1 + data[at]));
    CodeWidth width(min_code_size);
    std::vector<int> codes;
    size_t bit = 0;
    while (bit + static_cast<size_t>(width.Bits()) <= packed.size() * 8) {
        int code = 0;
        for (int i = 0; i < width.Bits(); ++i, ++bit)
            code |= ((packed[bit / 8] >> (bit % 8)) & 1) << i;
        codes.push_back(code);
        if (code == (1 << min_code_size) + 1) break;
        width.Took(code);
    }
    return codes;
}

}  // namespace gif_testing
