// One picture file's metadata: the APP0, EXIF APP1, APP13 (IPTC) and COM
// segments of a JPEG file (or the first directory of a TIFF file), the EXIF
// tags decoded from them, the IPTC datasets, the file's other application
// segments (XMP, ICC profile), and the writing of a new JPEG file made of
// those segments followed by a newly encoded picture.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "metadata/byte_order.h"
#include "platform/core/files.h"
#include "platform/core/stream.h"

namespace platform {
class JpegImage;
}

namespace metadata {

class TImageInfo;
class TIPTCdata;

// One JPEG segment: its bytes begin with the two big-endian length bytes, so
// that their count equals the length field.
struct tSection {
    std::string bytes;
    int32_t marker = 0;  // 0xE1 for APP1
    int32_t length = 0;
};

class TimgData : public tEndInd {
public:
    static constexpr int kMaxSegments = 21;

    explicit TimgData(int32_t build_code = 255);
    ~TimgData();
    TimgData(const TimgData&) = delete;
    TimgData& operator=(const TimgData&) = delete;

    void Clear();
    // Reads the metadata of a file by its extension (".jpg", ".jpeg", ".jpe";
    // ".tif", ".tiff", ".nef"); true when the read succeeded. Only the
    // segments before the picture data are read. The EXIF segment is the
    // first APP1 that starts with "Exif" 00 00 among the first five
    // segments; a failure inside it leaves the tags read so far and does not
    // stop the reading of the segments after it.
    bool ReadPictureFile(const std::string& name);
    // The same from bytes in memory (a JPEG stream).
    bool ReadJpegBytes(std::span<const uint8_t> bytes);

    bool HasMetadata() const;  // an EXIF, IPTC or COM segment is held
    bool HasExif() const;
    bool HasIptc() const;

    TImageInfo* ExifObj() const { return exif_.get(); }
    TIPTCdata* IptcObj() const { return iptc_.get(); }

    const std::string& ErrorText() const { return error_; }
    void SetErrorText(std::string text) { error_ = std::move(text); }
    // The file last read, as the read found it: its name, its last-write
    // time and its size; empty and zeros when none was found.
    const std::string& FileName() const { return file_name_; }
    const platform::FileTime& FileDateTime() const { return file_date_time_; }
    int64_t FileSize() const { return file_size_; }

    // The held segments (null when none).
    const tSection* ExifSegment() const;
    const tSection* IptcSegment() const;
    const tSection* CommentSegment() const;
    // The JFIF APP0 segment: the first APP0 whose payload starts with "JFIF" 00.
    const tSection* App0Segment() const;
    // The APP0 segments that are not JFIF ones (JFXX thumbnails, camera
    // data), in file order; a second JFIF segment is not kept.
    std::vector<const tSection*> OtherApp0Segments() const;
    // The EXIF segment's bytes, which the in-place edits of TImageInfo change.
    std::string* ExifSegmentBytes();
    // The application segments of a JPEG file that the segments above do
    // not stand for (XMP packets, ICC profile chunks, camera segments, an
    // EXIF or APP13 segment the reader did not hold: APP1 to APP15 less the
    // first EXIF APP1 and the first APP13 when those were held), and its COM
    // segments when none was held, in file order up to the picture data,
    // wherever they stand among the other segments; bytes between segments
    // are passed over. Held up to the budget's kMaxHeldSegmentBytes, the
    // later ones then left out.
    const std::vector<tSection>& OtherSegments() const { return others_; }

    // Writes `picture` to `target` with the held metadata: SOI, the EXIF
    // segment (else the JFIF APP0 one, else a fixed JFIF one), the other APP0
    // segments, the IPTC and COM segments, then the picture's own segments
    // less those that the held ones stand for and that come before its first
    // segment of another kind: APP0 segments, COM segments when one is held,
    // its first EXIF APP1 and its first APP13 when such segments are held
    // (its other application segments stay, in their order). Without an EXIF
    // segment, more than two other APP0 segments go after the IPTC and COM
    // ones, which a reader looks for among the first four segments. With
    // `adjust_size` the EXIF width and height take the picture's. Through a
    // temporary file and a rename. The picture data are the picture's own
    // bytes: an unmodified picture is not encoded again.
    // A picture encoded anew carries no segment of its source: the held
    // OtherSegments go after the COM one, in their order, but for those that
    // describe the source's own encoding and would misdescribe the new one
    // (Adobe's colour transform, the multi-picture index of pictures after
    // the first, an ICC profile of a colour space other than RGB).
    void SaveJpegWithMetadata(const platform::JpegImage& picture, const std::string& target,
                              bool adjust_size);
    // Writes the picture of the file last read, unchanged, with the held
    // metadata (after SetComment, WriteTagInt or an IPTC edit).
    void RewriteJpegFile(const std::string& target);
    // The bytes SaveJpegWithMetadata writes, in memory.
    std::string JpegWithMetadata(const platform::JpegImage& picture, bool adjust_size);
    // The same bytes handed to `stream` as they are made: the picture is
    // never whole in memory on its way to the file.
    void WriteJpegWithMetadata(const platform::JpegImage& picture, bool adjust_size,
                               platform::Stream& stream);

    // Installs a new APP13 segment with that payload; a payload longer than a
    // segment holds (65,533 bytes) raises the range error and changes nothing.
    void SetIptcSegment(std::string payload);

private:
    // The name, last-write time and size of the file `name`, when found.
    void ReadFileInfo(const std::string& name);
    // Reads with `reader` (ReadJpegSegments or ReadTiffStream); the result
    // of ReadPictureFile.
    bool ReadStream(platform::Stream& stream, bool (TimgData::*reader)(platform::Stream&));
    // ReadJpegSegments, then ReadOtherSegments from the same start.
    bool ReadJpegStream(platform::Stream& stream);
    bool ReadJpegSegments(platform::Stream& stream);
    void ReadOtherSegments(platform::Stream& stream);
    void ParseExifSegment();
    bool ReadTiffStream(platform::Stream& stream);
    void WriteMetadataHeader(std::string& out) const;
    // The OtherSegments that a new encoding of the picture may carry.
    std::vector<const tSection*> SegmentsForNewEncoding() const;
    const tSection* Held(int index) const;

    std::array<tSection, kMaxSegments> segments_;
    int32_t segment_count_ = 0;
    int32_t build_code_;
    // Indices into segments_, -1 when none.
    int exif_index_ = -1;
    int iptc_index_ = -1;
    int comment_index_ = -1;
    std::vector<int> app0_indices_;  // in file order
    std::vector<tSection> others_;
    std::string file_name_;
    platform::FileTime file_date_time_;
    int64_t file_size_ = 0;
    std::string error_;
    std::unique_ptr<TImageInfo> exif_;
    std::unique_ptr<TIPTCdata> iptc_;
};

}  // namespace metadata
