#include "gif_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/core/stream.h"
#include "test_support.h"

namespace gif_testing {

Bytes SuiteFile(const std::string& name) {
    return testing_support::ReadFile(testing_support::TestData("gif-suite/gifs/" + name + ".gif"));
}

Warnings RecordWarnings(gif::TGIFImage& image) {
    auto warnings = std::make_shared<std::vector<std::string>>();
    image.OnWarning = [warnings](const void*, uint8_t, std::string_view message) {
        warnings->emplace_back(message);
    };
    return warnings;
}

Loaded Load(const Bytes& file) {
    Loaded loaded;
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

gif::TGIFSubImage& AddFrame(gif::TGIFImage& image, int32_t left, int32_t top, int32_t width,
                            int32_t height, const std::vector<platform::Color>& colors,
                            const PixelFn& pixel, std::optional<uint8_t> transparent) {
    auto frame = std::make_unique<gif::TGIFSubImage>(image);
    frame->DoSetBounds(left, top, width, height);
    for (const platform::Color c : colors) frame->ColorMap().Add(c);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) frame->GetScanline(y)[x] = pixel(x, y);
    }
    if (transparent) {
        auto control = std::make_unique<gif::TGIFGraphicControlExtension>(*frame);
        control->SetTransparent(true);
        control->SetTransparentColorIndex(*transparent);
        frame->Extensions().Add(std::move(control));
    }
    gif::TGIFSubImage& added = *frame;
    image.Add(std::move(frame));
    return added;
}

gif::TGIFGraphicControlExtension& Control(gif::TGIFSubImage& frame) {
    if (frame.GraphicControlExtension() == nullptr)
        frame.Extensions().Add(std::make_unique<gif::TGIFGraphicControlExtension>(frame));
    return *frame.GraphicControlExtension();
}

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

namespace {

Bytes Le16(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

// The code width that follows the decoder's table as codes arrive.
struct CodeWidth {
    int min;
    int bits = min + 1;
    int next = (1 << min) + 2;
    bool after_clear = true;
    void Took(int code) {
        if (code == 1 << min) {
            *this = CodeWidth{min};
        } else if (after_clear) {
            after_clear = false;
        } else if (next < 4096 && ++next >= (1 << bits) && bits < 12) {
            ++bits;
        }
    }
};

}  // namespace

Bytes Screen(uint16_t width, uint16_t height, int colors, const std::string& signature) {
    int bits = 1;
    while ((1 << bits) < colors) ++bits;
    const auto packed = static_cast<uint8_t>(colors > 0 ? 0x80 | (bits - 1) : 0);
    Bytes file = Bytes(signature.begin(), signature.end()) + Le16(width) + Le16(height) +
                 Bytes{packed, 0, 0};
    for (int i = 0; i < (colors > 0 ? 1 << bits : 0); ++i)
        file.insert(file.end(), 3, static_cast<uint8_t>(i));
    return file;
}

Bytes Image(uint16_t width, uint16_t height, const Bytes& data, uint8_t packed) {
    return Bytes{0x2C, 0, 0, 0, 0} + Le16(width) + Le16(height) + Bytes{packed} + data;
}

Bytes Application(const std::string& identifier, const Bytes& data) {
    Bytes block = {0x21, 0xFF, static_cast<uint8_t>(identifier.size())};
    block.insert(block.end(), identifier.begin(), identifier.end());
    return block + data;
}

Bytes PackCodes(int min_code_size, const std::vector<int>& codes, size_t* bits) {
    CodeWidth width{min_code_size};
    std::vector<uint8_t> packed;
    uint32_t buffer = 0;
    int count = 0;
    size_t total = 0;
    for (const int code : codes) {
        buffer |= static_cast<uint32_t>(code) << count;
        count += width.bits;
        total += static_cast<size_t>(width.bits);
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
    CodeWidth width{min_code_size};
    std::vector<int> codes;
    size_t bit = 0;
    while (bit + static_cast<size_t>(width.bits) <= packed.size() * 8) {
        int code = 0;
        for (int i = 0; i < width.bits; ++i, ++bit)
            code |= ((packed[bit / 8] >> (bit % 8)) & 1) << i;
        codes.push_back(code);
        if (code == (1 << min_code_size) + 1) break;
        width.Took(code);
    }
    return codes;
}

std::vector<Shown> Compose(const gif::TGIFImage& image) {
    const int32_t width = image.Width();
    const int32_t height = image.Height();
    std::vector<uint8_t> screen(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    std::vector<Shown> shown;
    for (const auto& frame : image.Images()) {
        const gif::TGIFGraphicControlExtension* control = frame->GraphicControlExtension();
        const int disposal = control != nullptr ? control->Disposal() : 0;
        const std::vector<uint8_t> under = screen;
        const platform::Rect area = platform::Intersect(frame->BoundsRect(), {0, 0, width, height});
        if (!frame->Empty()) {
            const auto colors = frame->ActiveColorMap().Entries();
            const bool transparent = frame->HasTransparency();
            const uint8_t hole = transparent ? control->TransparentColorIndex() : 0;
            for (int32_t y = area.Top; y < area.Bottom; ++y) {
                for (int32_t x = area.Left; x < area.Right; ++x) {
                    const uint8_t index = frame->Data()[static_cast<size_t>(y - frame->Top()) *
                                                            static_cast<size_t>(frame->Width()) +
                                                        static_cast<size_t>(x - frame->Left())];
                    if (transparent && index == hole) continue;
                    const gif::TGIFColor c =
                        index < colors.size() ? colors[index] : gif::TGIFColor{};
                    uint8_t* p = &screen[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                                          static_cast<size_t>(x)) *
                                         4];
                    p[0] = c.Red;
                    p[1] = c.Green;
                    p[2] = c.Blue;
                    p[3] = 255;
                }
            }
        }
        shown.push_back({screen, control != nullptr ? control->Delay() : 0});
        if (disposal == 3) {
            screen = under;
        } else if (disposal == 2 && !frame->Empty()) {
            for (int32_t y = area.Top; y < area.Bottom; ++y) {
                std::fill_n(&screen[(static_cast<size_t>(y) * static_cast<size_t>(width) +
                                     static_cast<size_t>(area.Left)) *
                                    4],
                            static_cast<size_t>(area.Width()) * 4, uint8_t{0});
            }
        }
    }
    return shown;
}

std::vector<Shown> Seen(std::vector<Shown> screens) {
    std::vector<Shown> seen;
    for (size_t i = 0; i < screens.size(); ++i) {
        if (screens[i].delay == 0 && i + 1 < screens.size()) continue;
        if (!seen.empty() && seen.back().rgba == screens[i].rgba) {
            seen.back().delay += screens[i].delay;
        } else {
            seen.push_back(std::move(screens[i]));
        }
    }
    return seen;
}

}  // namespace gif_testing
