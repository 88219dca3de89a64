// Reads arbitrary bytes as a JPEG file's metadata, makes the in-place edits
// the program makes, and writes the segments before a picture. Beyond
// surviving any input, the segments held must come back unchanged when the
// written file is read again: a save never loses or damages them. With a
// picture encoded anew, the other application segments read back are the
// source's, in their order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "metadata/image_info.h"
#include "metadata/img_data.h"
#include "platform/core/stream.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/jpeg_image.h"

namespace {

// A small picture whose saving writes its bytes as they are, without encoding.
const platform::JpegImage& Picture() {
    static const std::unique_ptr<platform::JpegImage> picture = [] {
        platform::JpegImage encoded;
        encoded.Assign(platform::Bitmap(8, 8));
        platform::MemoryStream bytes;
        encoded.SaveToStream(bytes);
        bytes.SetPosition(0);
        auto loaded = std::make_unique<platform::JpegImage>();
        loaded->LoadFromStream(bytes);
        return loaded;
    }();
    return *picture;
}

// A picture that is encoded when it is saved.
const platform::JpegImage& NewPicture() {
    static const std::unique_ptr<platform::JpegImage> picture = [] {
        auto encoded = std::make_unique<platform::JpegImage>();
        encoded->Assign(platform::Bitmap(8, 8));
        return encoded;
    }();
    return *picture;
}

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

bool SameSegment(const metadata::tSection* a, const metadata::tSection* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->bytes == b->bytes;
}

// The APP0 segments read back are those written, in their order; only a file
// at the reader's segment limit may lose its last one.
bool App0sKept(const metadata::TimgData& read, const metadata::TimgData& again) {
    const std::vector<const metadata::tSection*> written = read.OtherApp0Segments();
    const std::vector<const metadata::tSection*> back = again.OtherApp0Segments();
    return back.size() <= written.size() && back.size() + 1 >= written.size() &&
           std::equal(back.begin(), back.end(), written.begin(), SameSegment);
}

// Each of `back`, in order, is one of `source`: a segment the new file's
// reader holds is no longer among its others, but none is made up.
bool InOrderAmong(const std::vector<metadata::tSection>& back,
                  const std::vector<metadata::tSection>& source) {
    auto next = source.begin();
    for (const metadata::tSection& section : back) {
        next = std::find_if(next, source.end(), [&](const metadata::tSection& s) {
            return s.marker == section.marker && s.bytes == section.bytes;
        });
        if (next == source.end()) return false;
        ++next;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    metadata::TimgData read;
    read.ReadJpegBytes({data, size});
    if (metadata::TImageInfo* info = read.ExifObj()) {
        info->WriteTagInt("Orientation", 1);
        // Both character codes, the second with a surrogate pair to cut.
        info->SetComment(size % 2 == 0 ? "fuzz" : "fuzz \xC3\xA9t\xC3\xA9 \xF0\x9F\xA6\x8E");
        info->AdjustImageSize(8, 8);
    }
    const std::string written = read.JpegWithMetadata(Picture(), false);
    metadata::TimgData again;
    again.ReadJpegBytes(AsBytes(written));
    if (!SameSegment(read.ExifSegment(), again.ExifSegment()) ||
        !SameSegment(read.IptcSegment(), again.IptcSegment()) ||
        !SameSegment(read.CommentSegment(), again.CommentSegment()) ||
        (read.ExifSegment() == nullptr && read.App0Segment() != nullptr &&
         !SameSegment(read.App0Segment(), again.App0Segment())) ||
        !App0sKept(read, again)) {
        std::abort();
    }
    metadata::TimgData encoded;
    encoded.ReadJpegBytes(AsBytes(read.JpegWithMetadata(NewPicture(), false)));
    if (!InOrderAmong(encoded.OtherSegments(), read.OtherSegments())) std::abort();
    return 0;
}
