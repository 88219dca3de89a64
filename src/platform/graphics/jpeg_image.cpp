#include "platform/graphics/jpeg_image.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>

// jpeglib.h needs FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/core/arith.h"
#include "platform/core/error.h"
#include "platform/graphics/budget.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/resample.h"

namespace platform {

namespace {

std::atomic<uint64_t> decode_count{0};

// libjpeg's whole-picture buffers (those of progressive files) are held to
// what one picture may take, so that a crafted header cannot ask for
// gigabytes.
constexpr int64_t kMaxLibraryBytes = kMaxPictureBytes;
// A crafted progressive file can hold thousands of scans, each of them a pass
// over the whole picture; real files have a few dozen at most.
constexpr int kMaxScans = 500;
constexpr size_t kScaleCount = 4;
constexpr JDIMENSION kRowsPerCall = 16;

struct Extent {
    int32_t width = 0;
    int32_t height = 0;
};

size_t ScaleIndex(JpegScale scale) {
    return static_cast<size_t>(scale);
}
unsigned int Denominator(JpegScale scale) {
    return 1U << ScaleIndex(scale);
}

// The sampling in its lowest terms, when libjpeg can write it.
std::optional<JpegSampling> Writable(JpegSampling sampling) {
    for (std::array<uint8_t, 3>* factors : {&sampling.horizontal, &sampling.vertical}) {
        const int common =
            std::gcd(std::gcd(int{(*factors)[0]}, int{(*factors)[1]}), (*factors)[2]);
        if (common == 0) return std::nullopt;
        for (uint8_t& factor : *factors) factor = static_cast<uint8_t>(factor / common);
        const int largest = *std::max_element(factors->begin(), factors->end());
        for (const uint8_t factor : *factors) {
            if (factor < 1 || factor > MAX_SAMP_FACTOR || largest % factor != 0)
                return std::nullopt;
        }
    }
    int blocks = 0;
    for (size_t i = 0; i < 3; ++i) blocks += sampling.horizontal[i] * sampling.vertical[i];
    if (blocks > C_MAX_BLOCKS_IN_MCU) return std::nullopt;
    return sampling;
}

[[noreturn]] void RaiseCodecError(int code) {
    if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) RaiseOutOfMemory();
    RaiseJpeg(code);
}

// libjpeg's error_exit must not return; the default one ends the process.
// Ours jumps back to the frame of Guarded that armed the trap.
struct Trap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    // Raised, from whichever thread decodes, when libjpeg made up pixels.
    std::atomic<bool>* damaged = nullptr;
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Trap*>(cinfo->err)->jump, 1);
}

// The warnings after which the pixels are not all the file's: libjpeg ran
// out of data and filled the rest, or skipped data it could not decode.
// Extraneous bytes between segments cost nothing, nor do odd parameters.
bool MadeUpPixels(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_HUFF_BAD_CODE:
            return true;
        default:
            return false;
    }
}

// A truncated or slightly damaged file still shows what could be decoded;
// the damage is noted, not shown.
void NoteWarning(j_common_ptr cinfo, int level) {
    const auto* trap = reinterpret_cast<const Trap*>(cinfo->err);
    if (level < 0 && trap->damaged != nullptr && MadeUpPixels(cinfo->err->msg_code))
        trap->damaged->store(true, std::memory_order_relaxed);
}

jpeg_error_mgr* Arm(Trap& trap, std::atomic<bool>* damaged = nullptr) {
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JumpBack;
    trap.manager.emit_message = NoteWarning;
    trap.damaged = damaged;
    return &trap.manager;
}

// Runs libjpeg calls with the trap armed. Only this frame, the step's and
// libjpeg's own lie between setjmp and a longjmp, and none of them holds an
// object with a destructor. False when libjpeg failed.
template <typename Step>
bool Guarded(Trap& trap, const Step& step) {
    if (setjmp(trap.jump) != 0) return false;
    step();
    return true;
}

[[noreturn]] void FailFromLibrary(j_common_ptr cinfo, int code) {
    cinfo->err->msg_code = code;
    JumpBack(cinfo);
}

struct ScanLimit {
    jpeg_progress_mgr manager;
    const jpeg_decompress_struct* cinfo;
};

void LimitScans(j_common_ptr cinfo) {
    const auto* limit = reinterpret_cast<ScanLimit*>(cinfo->progress);
    if (limit->cinfo->input_scan_number > kMaxScans) FailFromLibrary(cinfo, JERR_BAD_PROGRESSION);
}

// One decoding of a compressed picture; libjpeg's object lives as long as
// this. A failure destroys it before the error is raised. `damaged` is
// raised when the decoding makes up pixels.
class Decompressor {
public:
    Decompressor(std::span<const uint8_t> bytes, std::atomic<bool>& damaged) {
        cinfo_.err = Arm(trap_, &damaged);
        Run([this, bytes] {
            jpeg_CreateDecompress(&cinfo_, JPEG_LIB_VERSION, sizeof(cinfo_));
            cinfo_.mem->max_memory_to_use = static_cast<long>(kMaxLibraryBytes);
            jpeg_mem_src(&cinfo_, bytes.data(), bytes.size());
            jpeg_read_header(&cinfo_, TRUE);
        });
        limit_.manager.progress_monitor = LimitScans;
        limit_.cinfo = &cinfo_;
        cinfo_.progress = &limit_.manager;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo_); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    Extent OutputSize(JpegScale scale) {
        Configure(scale);
        Run([this] { jpeg_calc_output_dimensions(&cinfo_); });
        return {static_cast<int32_t>(cinfo_.output_width),
                static_cast<int32_t>(cinfo_.output_height)};
    }

    void Start(JpegScale scale) {
        Configure(scale);
        decode_count.fetch_add(1, std::memory_order_relaxed);
        Run([this] { jpeg_start_decompress(&cinfo_); });
    }

    // What libjpeg allocates to decode, read from the header: the
    // coefficients of the whole picture when the file holds several scans
    // (progressive files), else those of one row of blocks, and a few rows of
    // samples at the full width either way, whatever the scale.
    int64_t LibraryBytes() const {
        const bool whole_picture =
            cinfo_.progressive_mode != 0 || cinfo_.comps_in_scan < cinfo_.num_components;
        constexpr int64_t kBlockBytes = DCTSIZE2 * sizeof(JCOEF);
        constexpr int64_t kSampleRowGroups = 3;
        int64_t bytes = 0;
        for (int i = 0; i < cinfo_.num_components; ++i) {
            const jpeg_component_info& component = cinfo_.comp_info[i];
            const int64_t blocks = component.width_in_blocks;
            const int64_t rows = whole_picture ? int64_t{component.height_in_blocks}
                                               : int64_t{component.v_samp_factor};
            bytes += blocks * rows * kBlockBytes +
                     blocks * DCTSIZE * DCTSIZE * cinfo_.max_v_samp_factor * kSampleRowGroups;
        }
        return bytes;
    }

    // The file's own sampling, when it is YCbCr.
    std::optional<JpegSampling> Sampling() const {
        if (cinfo_.jpeg_color_space != JCS_YCbCr || cinfo_.num_components != 3) return std::nullopt;
        JpegSampling sampling;
        for (size_t i = 0; i < 3; ++i) {
            sampling.horizontal[i] = static_cast<uint8_t>(cinfo_.comp_info[i].h_samp_factor);
            sampling.vertical[i] = static_cast<uint8_t>(cinfo_.comp_info[i].v_samp_factor);
        }
        return sampling;
    }

    // Four bytes per pixel (Adobe's inverted CMYK) instead of blue, green, red.
    bool Cmyk() const { return cinfo_.out_color_space == JCS_CMYK; }
    int32_t Width() const { return static_cast<int32_t>(cinfo_.output_width); }
    bool Done() const { return cinfo_.output_scanline >= cinfo_.output_height; }
    // libjpeg's minimum, or more: each call may give as many rows as it has ready.
    JDIMENSION RowsPerCall() const {
        return std::max(kRowsPerCall, static_cast<JDIMENSION>(cinfo_.rec_outbuf_height));
    }

    JDIMENSION Read(JSAMPARRAY rows, JDIMENSION count) {
        JDIMENSION read = 0;
        Run([&] { read = jpeg_read_scanlines(&cinfo_, rows, count); });
        return read;
    }

private:
    void Configure(JpegScale scale) {
        cinfo_.scale_num = 1;
        cinfo_.scale_denom = Denominator(scale);
        const bool cmyk =
            cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
        cinfo_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    }

    template <typename Step>
    void Run(const Step& step) {
        if (Guarded(trap_, step)) return;
        const int code = trap_.manager.msg_code;
        jpeg_destroy_decompress(&cinfo_);
        RaiseCodecError(code);
    }

    Trap trap_;
    ScanLimit limit_{};
    jpeg_decompress_struct cinfo_{};
};

// Adobe writes CMYK inverted: 255 means no ink, so each channel is the product
// of its own value and black's.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, int32_t width) {
    for (int32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = static_cast<uint8_t>((cmyk[2] * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((cmyk[1] * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((cmyk[0] * k + 127) / 255);
    }
}

// The rows of a CMYK decoding, converted to blue-green-red, handed out in
// increasing order and read from libjpeg in its batches. Should libjpeg stop
// giving rows, the last one is given again.
class CmykRows {
public:
    explicit CmykRows(Decompressor& decoder)
        : decoder_(decoder),
          width_(decoder.Width()),
          buffer_(static_cast<size_t>(width_) * 4 * decoder.RowsPerCall()),
          rows_(decoder.RowsPerCall()),
          bgr_(static_cast<size_t>(width_) * 3) {
        for (size_t i = 0; i < rows_.size(); ++i)
            rows_[i] = buffer_.data() + static_cast<size_t>(width_) * 4 * i;
    }

    const uint8_t* Row(int32_t y) {
        while (next_ <= y && NextBatchRow()) {
            CmykToBgr(rows_[cursor_++], bgr_.data(), width_);
            ++next_;
        }
        return bgr_.data();
    }

private:
    bool NextBatchRow() {
        if (cursor_ < available_) return true;
        if (decoder_.Done()) return false;
        cursor_ = 0;
        available_ = decoder_.Read(rows_.data(), static_cast<JDIMENSION>(rows_.size()));
        return available_ > 0;
    }

    Decompressor& decoder_;
    int32_t width_;
    std::vector<uint8_t> buffer_;
    std::vector<JSAMPROW> rows_;
    std::vector<uint8_t> bgr_;
    JDIMENSION cursor_ = 0;
    JDIMENSION available_ = 0;
    int32_t next_ = 0;
};

// Rows first .. first + count - 1 of a decoding: libjpeg writes blue-green-red
// rows straight into `rows`; CMYK rows come converted through `cmyk`. libjpeg
// gives every row of a memory source, even a truncated one; should it stop
// early all the same, the rows it did not give are black.
void ReadRows(Decompressor& decoder, CmykRows* cmyk, JSAMPROW* rows, int32_t first, int32_t count,
              size_t row_bytes) {
    int32_t done = 0;
    if (cmyk != nullptr) {
        for (; done < count; ++done) std::memcpy(rows[done], cmyk->Row(first + done), row_bytes);
        return;
    }
    while (done < count) {
        const JDIMENSION read = decoder.Read(rows + done, static_cast<JDIMENSION>(count - done));
        if (read == 0) break;
        done += static_cast<int32_t>(read);
    }
    for (; done < count; ++done) std::memset(rows[done], 0, row_bytes);
}

// The whole picture at `scale`, its rows written by libjpeg straight into
// `bitmap`, whose pixel store is reused when large enough.
void DecodeWholeInto(std::span<const uint8_t> bytes, JpegScale scale, Bitmap& bitmap,
                     std::atomic<bool>& damaged) {
    Decompressor decoder(bytes, damaged);
    const Extent size = decoder.OutputSize(scale);
    CountPictureMemory(decoder.LibraryBytes());
    // The bitmap refuses a size beyond its limit before libjpeg allocates anything.
    bitmap.SetSizeForOverwrite(size.width, size.height);
    decoder.Start(scale);
    std::optional<CmykRows> cmyk;
    if (decoder.Cmyk()) cmyk.emplace(decoder);
    std::vector<JSAMPROW> rows(static_cast<size_t>(size.height));
    for (int32_t y = 0; y < size.height; ++y) rows[static_cast<size_t>(y)] = bitmap.ScanLine(y);
    ReadRows(decoder, cmyk ? &*cmyk : nullptr, rows.data(), 0, size.height,
             static_cast<size_t>(size.width) * 3);
}

std::shared_ptr<const Bitmap> DecodeWhole(std::span<const uint8_t> bytes, JpegScale scale,
                                          std::atomic<bool>& damaged) {
    auto bitmap = std::make_shared<Bitmap>();
    DecodeWholeInto(bytes, scale, *bitmap, damaged);
    return bitmap;
}

// A decoding on a thread of its own, handing its rows over in batches: the
// caller resamples the rows it has while libjpeg decodes the next ones, so on
// a machine with two cores the resampling adds next to nothing to the time a
// picture takes to show. A failure of the decoding is raised to the caller.
// Its memory, libjpeg's `library_bytes` included, is counted on the caller's
// thread.
class DecodingThread {
public:
    DecodingThread(std::span<const uint8_t> bytes, JpegScale scale, Extent size,
                   int64_t library_bytes, std::atomic<bool>& damaged)
        : row_bytes_(static_cast<size_t>(size.width) * 3), height_(size.height) {
        CountPictureMemory(library_bytes +
                           static_cast<int64_t>(row_bytes_ * kBatchRows * batches_.size()));
        for (Batch& batch : batches_) batch.pixels.resize(row_bytes_ * kBatchRows);
        for (size_t i = 0; i < batches_.size(); ++i) free_.push_back(i);
        thread_ = std::jthread([this, bytes, scale, &damaged](std::stop_token stop) {
            Decode(stop, bytes, scale, damaged);
        });
    }

    ~DecodingThread() {
        thread_.request_stop();
        {
            std::lock_guard guard(lock_);
            changed_.notify_all();
        }
    }

    DecodingThread(const DecodingThread&) = delete;
    DecodingThread& operator=(const DecodingThread&) = delete;

    // Row y, valid until the next call; rows are asked for in increasing order.
    const uint8_t* Row(int32_t y) {
        while (current_ == kNone || y >= batches_[current_].first + batches_[current_].count) {
            std::unique_lock guard(lock_);
            if (current_ != kNone) free_.push_back(current_);
            changed_.notify_all();
            changed_.wait(guard, [this] { return !ready_.empty() || finished_; });
            if (ready_.empty()) {
                if (error_) std::rethrow_exception(error_);
                RaiseJpeg(JERR_INPUT_EOF);
            }
            current_ = ready_.front();
            ready_.pop_front();
        }
        const Batch& batch = batches_[current_];
        return batch.pixels.data() + static_cast<size_t>(y - batch.first) * row_bytes_;
    }

private:
    static constexpr int32_t kBatchRows = 16;
    static constexpr size_t kNone = SIZE_MAX;

    struct Batch {
        std::vector<uint8_t> pixels;
        int32_t first = 0;
        int32_t count = 0;
    };

    void Decode(const std::stop_token& stop, std::span<const uint8_t> bytes, JpegScale scale,
                std::atomic<bool>& damaged) {
        try {
            Decompressor decoder(bytes, damaged);
            decoder.Start(scale);
            std::optional<CmykRows> cmyk;
            if (decoder.Cmyk()) cmyk.emplace(decoder);
            for (int32_t y = 0; y < height_; y += kBatchRows) {
                size_t slot;
                {
                    std::unique_lock guard(lock_);
                    changed_.wait(guard, [&] { return !free_.empty() || stop.stop_requested(); });
                    if (stop.stop_requested()) return;
                    slot = free_.front();
                    free_.pop_front();
                }
                Batch& batch = batches_[slot];
                batch.first = y;
                batch.count = std::min(kBatchRows, height_ - y);
                Fill(decoder, cmyk ? &*cmyk : nullptr, batch);
                std::lock_guard guard(lock_);
                ready_.push_back(slot);
                changed_.notify_all();
            }
        } catch (...) {
            std::lock_guard guard(lock_);
            error_ = std::current_exception();
        }
        std::lock_guard guard(lock_);
        finished_ = true;
        changed_.notify_all();
    }

    void Fill(Decompressor& decoder, CmykRows* cmyk, Batch& batch) const {
        std::array<JSAMPROW, kBatchRows> rows{};
        for (int32_t i = 0; i < batch.count; ++i) {
            rows[static_cast<size_t>(i)] =
                batch.pixels.data() + static_cast<size_t>(i) * row_bytes_;
        }
        ReadRows(decoder, cmyk, rows.data(), batch.first, batch.count, row_bytes_);
    }

    const size_t row_bytes_;
    const int32_t height_;
    std::array<Batch, 3> batches_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<size_t> free_;
    std::deque<size_t> ready_;
    bool finished_ = false;
    std::exception_ptr error_;
    size_t current_ = kNone;
    std::jthread thread_;  // last: stopped and joined before the rest goes
};

// The picture decoded at `scale` (of `size`) and resampled, row by row as
// libjpeg gives them, into the whole of `target`: no decoding of the whole
// picture is held.
void DecodeInto(std::span<const uint8_t> bytes, JpegScale scale, Extent size, int64_t library_bytes,
                Bitmap& target, std::atomic<bool>& damaged) {
    DecodingThread decoding(bytes, scale, size, library_bytes, damaged);
    const Rect all{0, 0, target.Width(), target.Height()};
    StretchRows(
        size.width, size.height, [&decoding](int32_t y) { return decoding.Row(y); }, target, all,
        all);
}

// A destination that hands libjpeg's output to a stream a block at a time, so
// that no encoded file is ever whole in memory. Its callbacks run inside
// libjpeg, where nothing may throw: a failure of the stream is kept, libjpeg
// is left through its error exit, and the failure is raised from there.
constexpr size_t kOutputBlock = 64 * 1024;

struct StreamDestination {
    jpeg_destination_mgr manager;
    Stream* stream;
    std::vector<JOCTET> block;
    std::exception_ptr failure;
};

StreamDestination& DestinationOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<StreamDestination*>(cinfo->dest);
}

void ResetBlock(StreamDestination& destination) {
    destination.manager.next_output_byte = destination.block.data();
    destination.manager.free_in_buffer = destination.block.size();
}

// False, with the failure kept, when the stream refused the bytes.
bool Deliver(StreamDestination& destination, size_t count) noexcept {
    try {
        destination.stream->WriteBuffer(destination.block.data(), count);
        return true;
    } catch (...) {
        destination.failure = std::current_exception();
        return false;
    }
}

void StartBlock(j_compress_ptr cinfo) {
    ResetBlock(DestinationOf(cinfo));
}

// Called with the whole block full.
boolean FlushBlock(j_compress_ptr cinfo) {
    StreamDestination& destination = DestinationOf(cinfo);
    if (!Deliver(destination, destination.block.size()))
        FailFromLibrary(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_WRITE);
    ResetBlock(destination);
    return TRUE;
}

void EndBlocks(j_compress_ptr cinfo) {
    StreamDestination& destination = DestinationOf(cinfo);
    const size_t count = destination.block.size() - destination.manager.free_in_buffer;
    if (count > 0 && !Deliver(destination, count))
        FailFromLibrary(reinterpret_cast<j_common_ptr>(cinfo), JERR_FILE_WRITE);
}

// One encoding of 24-bit rows into a stream.
class Compressor {
public:
    explicit Compressor(Stream& stream) {
        cinfo_.err = Arm(trap_);
        Run([this] { jpeg_CreateCompress(&cinfo_, JPEG_LIB_VERSION, sizeof(cinfo_)); });
        destination_.stream = &stream;
        destination_.block.resize(kOutputBlock);
        destination_.manager.init_destination = StartBlock;
        destination_.manager.empty_output_buffer = FlushBlock;
        destination_.manager.term_destination = EndBlocks;
        cinfo_.dest = &destination_.manager;
    }
    ~Compressor() { jpeg_destroy_compress(&cinfo_); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    void Encode(const BgrView& pixels, int32_t quality, bool progressive,
                const JpegSampling& sampling) {
        cinfo_.image_width = static_cast<JDIMENSION>(pixels.width);
        cinfo_.image_height = static_cast<JDIMENSION>(pixels.height);
        cinfo_.input_components = 3;
        cinfo_.in_color_space = JCS_EXT_BGR;
        Run([&] {
            jpeg_set_defaults(&cinfo_);
            jpeg_set_quality(&cinfo_, quality, TRUE);
            for (size_t i = 0; i < sampling.horizontal.size(); ++i) {
                cinfo_.comp_info[i].h_samp_factor = sampling.horizontal[i];
                cinfo_.comp_info[i].v_samp_factor = sampling.vertical[i];
            }
            if (progressive) jpeg_simple_progression(&cinfo_);
            jpeg_start_compress(&cinfo_, TRUE);
        });
        while (cinfo_.next_scanline < cinfo_.image_height) {
            // libjpeg only reads the rows it is given.
            JSAMPROW row =
                const_cast<uint8_t*>(pixels.Row(static_cast<int32_t>(cinfo_.next_scanline)));
            Run([&] { jpeg_write_scanlines(&cinfo_, &row, 1); });
        }
        Run([this] { jpeg_finish_compress(&cinfo_); });
    }

private:
    template <typename Step>
    void Run(const Step& step) {
        if (Guarded(trap_, step)) return;
        const int code = trap_.manager.msg_code;
        jpeg_destroy_compress(&cinfo_);
        if (destination_.failure) std::rethrow_exception(destination_.failure);
        RaiseCodecError(code);
    }

    Trap trap_;
    StreamDestination destination_{};
    jpeg_compress_struct cinfo_{};
};

}  // namespace

JpegSampling JpegSampling::Turned(int32_t angle) const {
    if (angle % 180 == 0) return *this;
    return {vertical, horizontal};
}

struct JpegImage::Source {
    std::vector<uint8_t> owned;
    std::span<const uint8_t> bytes;         // the owned ones, or the caller's
    std::array<Extent, kScaleCount> sizes;  // output size at each scale
    int64_t library_bytes = 0;              // what libjpeg takes to decode it
    // A property of the bytes, learnt by whichever decoding met the damage.
    mutable std::atomic<bool> damaged{false};
};

// At most one whole decoding and one decoding fitted to a drawing size; the
// fitted one also serves every smaller drawing.
struct JpegImage::Cache {
    std::mutex lock;
    std::shared_ptr<const Bitmap> decoded;
    JpegScale decoded_scale = JpegScale::FullSize;
    std::shared_ptr<const Bitmap> fitted;
};

JpegImage::JpegImage() : cache_(std::make_shared<Cache>()) {}

JpegImage::~JpegImage() = default;

std::unique_ptr<Graphic> JpegImage::Clone() const {
    auto copy = std::make_unique<JpegImage>();
    copy->source_ = source_;
    copy->cache_ = cache_;
    copy->pixels_ = pixels_;
    copy->scale_ = scale_;
    copy->quality_ = quality_;
    copy->progressive_ = progressive_;
    copy->sampling_ = sampling_;
    copy->SetModified(Modified());
    return copy;
}

int32_t JpegImage::Width() const {
    if (pixels_) return pixels_->Width();
    return source_ ? source_->sizes[ScaleIndex(scale_)].width : 0;
}

int32_t JpegImage::Height() const {
    if (pixels_) return pixels_->Height();
    return source_ ? source_->sizes[ScaleIndex(scale_)].height : 0;
}

JpegScale JpegImage::CoveringScale(int32_t width, int32_t height) const {
    JpegScale best = scale_;
    if (!source_) return best;
    for (size_t i = ScaleIndex(scale_) + 1; i < kScaleCount; ++i) {
        const Extent& size = source_->sizes[i];
        if (size.width < width || size.height < height) break;
        best = static_cast<JpegScale>(i);
    }
    return best;
}

std::shared_ptr<const Bitmap> JpegImage::PixelsFor(int32_t width, int32_t height,
                                                   bool whole_visible) const {
    if (pixels_) return pixels_;
    if (!source_) return nullptr;
    std::lock_guard guard(cache_->lock);
    Cache& cache = *cache_;
    if (cache.fitted && width <= cache.fitted->Width() && height <= cache.fitted->Height())
        return cache.fitted;
    const JpegScale scale = CoveringScale(width, height);
    const bool decoded_will_do = cache.decoded && cache.decoded_scale <= scale;
    const Extent& full = source_->sizes[ScaleIndex(scale_)];
    if (whole_visible && width <= full.width && height <= full.height) {
        auto fitted = std::make_shared<Bitmap>(Bitmap::ForOverwrite(width, height));
        if (decoded_will_do) {
            const Rect all{0, 0, width, height};
            StretchBgr(cache.decoded->View(), *fitted, all, all);
        } else {
            DecodeInto(source_->bytes, scale, source_->sizes[ScaleIndex(scale)],
                       source_->library_bytes, *fitted, source_->damaged);
        }
        cache.fitted = std::move(fitted);
        return cache.fitted;
    }
    if (!decoded_will_do) {
        cache.decoded.reset();
        cache.decoded = DecodeWhole(source_->bytes, scale, source_->damaged);
        cache.decoded_scale = scale;
    }
    return cache.decoded;
}

void JpegImage::Draw(Canvas& canvas, const Rect& dest) const {
    const Rect clip = canvas.ClipRect();
    const Rect visible = Intersect(dest, clip);
    if (visible.IsEmpty()) return;
    const auto pixels = PixelsFor(CheckedSub(dest.Right, dest.Left),
                                  CheckedSub(dest.Bottom, dest.Top), visible == dest);
    if (pixels) StretchBgr(pixels->View(), canvas.Target(), dest, clip);
}

void JpegImage::Prepare(int32_t width, int32_t height) const {
    if (width > 0 && height > 0) PixelsFor(width, height, true);
}

std::shared_ptr<const Bitmap> JpegImage::Drawn(int32_t width, int32_t height) const {
    if (pixels_ || !source_) return nullptr;
    std::lock_guard guard(cache_->lock);
    const std::shared_ptr<const Bitmap>& fitted = cache_->fitted;
    if (fitted && fitted->Width() == width && fitted->Height() == height) return fitted;
    return nullptr;
}

void JpegImage::Assign(const Graphic& source) {
    if (const auto* jpeg = dynamic_cast<const JpegImage*>(&source)) {
        source_ = jpeg->source_;
        cache_ = jpeg->cache_;
        pixels_ = jpeg->pixels_;
        sampling_ = jpeg->sampling_;
        held_.reset();
        SetModified(jpeg->Modified());
        if (OnChange) OnChange(*this);
        return;
    }
    auto pixels = std::make_shared<Bitmap>();
    source.AssignTo(*pixels);
    pixels->SetPixelFormat(PixelFormat::Bit24);
    pixels_ = std::move(pixels);
    source_.reset();
    cache_ = std::make_shared<Cache>();
    held_.reset();
    Changed();
}

void JpegImage::AssignWithoutCopy(const Bitmap& pixels) {
    if (pixels.Format() != PixelFormat::Bit24) {
        Assign(pixels);
        return;
    }
    // Shares no ownership: the caller keeps the bitmap alive.
    pixels_ = std::shared_ptr<const Bitmap>(std::shared_ptr<const Bitmap>(), &pixels);
    source_.reset();
    cache_ = std::make_shared<Cache>();
    held_.reset();
    Changed();
}

void JpegImage::AssignTo(Bitmap& target) const {
    target.Assign(GetBitmap());
}

void JpegImage::LoadFromStream(Stream& stream) {
    auto source = std::make_shared<Source>();
    source->owned = stream.ReadRest();
    source->bytes = source->owned;
    Load(std::move(source));
}

void JpegImage::LoadFromBytes(std::span<const uint8_t> bytes) {
    auto source = std::make_shared<Source>();
    source->bytes = bytes;
    Load(std::move(source));
}

void JpegImage::Load(std::shared_ptr<Source> source) {
    {
        Decompressor decoder(source->bytes, source->damaged);
        for (size_t i = 0; i < kScaleCount; ++i)
            source->sizes[i] = decoder.OutputSize(static_cast<JpegScale>(i));
        source->library_bytes = decoder.LibraryBytes();
        const std::optional<JpegSampling> own = decoder.Sampling();
        sampling_ = own ? Writable(*own).value_or(JpegSampling()) : JpegSampling();
    }
    source_ = std::move(source);
    cache_ = std::make_shared<Cache>();
    pixels_.reset();
    held_.reset();
    SetModified(false);
    if (OnChange) OnChange(*this);
}

void JpegImage::SaveToStream(Stream& stream) const {
    if (source_ && !Modified()) {
        stream.WriteBuffer(source_->bytes.data(), source_->bytes.size());
        return;
    }
    const BgrView pixels = (pixels_ ? *pixels_ : GetBitmap()).View();
    Compressor(stream).Encode(pixels, quality_, progressive_, sampling_);
}

void JpegImage::SetScale(JpegScale scale) {
    scale_ = scale;
}

void JpegImage::SetCompressionQuality(int32_t quality) {
    if (quality < 1 || quality > 100) RaiseRange();
    quality_ = quality;
}

void JpegImage::SetSampling(const JpegSampling& sampling) {
    const std::optional<JpegSampling> writable = Writable(sampling);
    if (!writable) RaiseRange();
    sampling_ = *writable;
}

void JpegImage::DecodeTo(Bitmap& target) const {
    if (source_) {
        DecodeWholeInto(source_->bytes, scale_, target, source_->damaged);
    } else {
        target.Assign(GetBitmap());
    }
}

const Bitmap& JpegImage::GetBitmap() const {
    if (pixels_) return *pixels_;
    if (!source_) {
        held_ = std::make_shared<Bitmap>();
        return *held_;
    }
    std::lock_guard guard(cache_->lock);
    Cache& cache = *cache_;
    if (!cache.decoded || cache.decoded_scale != scale_) {
        cache.decoded.reset();
        cache.decoded = DecodeWhole(source_->bytes, scale_, source_->damaged);
        cache.decoded_scale = scale_;
    }
    held_ = cache.decoded;
    return *held_;
}

void JpegImage::StretchInto(Bitmap& target) const {
    const Rect all{0, 0, target.Width(), target.Height()};
    if (pixels_) {
        StretchBgr(pixels_->View(), target, all, all);
    } else if (source_) {
        DecodeInto(source_->bytes, scale_, source_->sizes[ScaleIndex(scale_)],
                   source_->library_bytes, target, source_->damaged);
    }
}

bool JpegImage::Damaged() const {
    return source_ && source_->damaged.load(std::memory_order_relaxed);
}

std::span<const uint8_t> JpegImage::CompressedData() const {
    if (!source_) return {};
    return source_->bytes;
}

uint64_t JpegImage::DecodeCount() {
    return decode_count.load(std::memory_order_relaxed);
}

}  // namespace platform
