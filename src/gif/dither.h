// Dithering engines: the pixels of one picture, row by row, mapped to palette
// indexes through a colour lookup. Rows run serpentine, the first left to
// right, the next right to left, and so on; the caller follows the engine's
// column and direction:
//
//     for each row:
//         while (0 <= engine.Column() && engine.Column() < engine.Width())
//             index of pixel engine.Column() = engine.Dither(r, g, b).Index;
//         engine.NextLine();
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gif/color_lookup.h"

namespace gif {

// The plain engine: each pixel gets the lookup's answer for its own colour.
class TDitherEngine {
public:
    // A negative width raises the range error. The lookup must outlive the
    // engine.
    TDitherEngine(int32_t width, TColorLookup& lookup);
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    int32_t Width() const { return width_; }
    // +1 on a left-to-right row, -1 on a right-to-left one.
    int32_t Direction() const { return direction_; }
    // The column of the next pixel; -1 or Width() once a row is done.
    int32_t Column() const { return column_; }

    // Maps the pixel at Column() and moves on. Asked outside the row, it
    // raises the range error.
    virtual ColorMatch Dither(uint8_t red, uint8_t green, uint8_t blue);
    // Passes the pixel at Column() without mapping it (a transparent pixel):
    // the error that reached it is dropped and it spreads none.
    virtual void ResetError();
    // Ends the row: the direction turns and Column() goes to the row's start.
    virtual void NextLine();

protected:
    // Raises the range error unless Column() lies in the row.
    void CheckColumn() const;
    void NextColumn() { column_ += direction_; }
    TColorLookup& Lookup() const { return lookup_; }

private:
    int32_t width_;
    int32_t direction_ = 1;
    int32_t column_ = 0;
    TColorLookup& lookup_;
};

// Floyd-Steinberg error diffusion: 7/16 of a pixel's error goes to the next
// pixel of the row and 3/16, 5/16, 1/16 to the row below. The sums kept for
// the row below are read one column behind in the scan direction, and a pixel
// whose colour came out exact leaves them as they were: both are part of the
// indexes this engine has always chosen, and kept.
class TFloydSteinbergDitherer final : public TDitherEngine {
public:
    TFloydSteinbergDitherer(int32_t width, TColorLookup& lookup);

    ColorMatch Dither(uint8_t red, uint8_t green, uint8_t blue) override;
    void ResetError() override;
    void NextLine() override;

private:
    struct Channel {
        // The next row's sums, one slot per column and one margin slot at
        // each end: slot s is column s - 1.
        std::vector<int32_t> below;
        // The error carried to the next pixel of the row (7 times the last).
        int32_t carry = 0;
        // The last error spread.
        int32_t previous = 0;
        // The sum for the slot behind, still waiting for its third part.
        int32_t pending = 0;
    };

    // The slot of the column one step behind Column() in the scan direction.
    size_t Slot() const;

    std::array<Channel, 3> channels_;
};

// One weight of an error kernel: `weight` times the error goes to the pixel
// `row` rows below and `step` columns on in the scan direction (a negative
// step falls behind).
struct KernelWeight {
    int32_t row;
    int32_t step;
    int32_t weight;
};

// The error-diffusion kernel of an engine: its weights add up to `divisor`.
struct DitherKernel {
    // Error rows kept: the current one and those below it.
    int32_t rows;
    // Margin slots at each end of a row, the farthest a weight reaches.
    int32_t margin;
    int32_t divisor;
    std::vector<KernelWeight> weights;
};

// Error diffusion over several rows: each pixel reads the sum its neighbours
// left for it, divided by the kernel's divisor, and spreads its own error to
// the pixels not yet visited. Named after the 5-by-3 kernels of Stucki,
// Sierra and Jarvis-Judice-Ninke, it drives every kernel of more than one
// row, Stevenson-Arce's 7-by-4 and Burkes' 5-by-2 included.
class T5by3Ditherer : public TDitherEngine {
public:
    ColorMatch Dither(uint8_t red, uint8_t green, uint8_t blue) override;
    void ResetError() override;
    void NextLine() override;

protected:
    T5by3Ditherer(int32_t width, TColorLookup& lookup, DitherKernel kernel);

private:
    // Adds the kernel's share of one channel's error, made at `slot` of the
    // current row, to the sums of the pixels not yet visited.
    void Propagate(std::vector<int32_t>& sums, size_t slot, int32_t error);

    // The slot of a column: margin slots lie at both ends of each row.
    size_t Slot(int32_t column) const { return static_cast<size_t>(column + kernel_.margin); }

    DitherKernel kernel_;
    size_t row_slots_;
    // Per channel, the error rows one after the other, the current row first:
    // rows turn by moving the start of the current one.
    std::array<std::vector<int32_t>, 3> sums_;
    int32_t first_row_ = 0;
};

class TStuckiDitherer final : public T5by3Ditherer {
public:
    TStuckiDitherer(int32_t width, TColorLookup& lookup);
};

class TSierraDitherer final : public T5by3Ditherer {
public:
    TSierraDitherer(int32_t width, TColorLookup& lookup);
};

// Jarvis, Judice and Ninke.
class TJaJuNiDitherer final : public T5by3Ditherer {
public:
    TJaJuNiDitherer(int32_t width, TColorLookup& lookup);
};

// Stevenson and Arce: a kernel on a hexagonal grid, four rows deep.
class TSteveArcheDitherer final : public T5by3Ditherer {
public:
    TSteveArcheDitherer(int32_t width, TColorLookup& lookup);
};

class TBurkesDitherer final : public T5by3Ditherer {
public:
    TBurkesDitherer(int32_t width, TColorLookup& lookup);
};

// The engine of a DitherMode: 0 the plain one, 1 Floyd-Steinberg, 2 Stucki,
// 3 Sierra, 4 Jarvis-Judice-Ninke, 5 Stevenson-Arce, 6 Burkes; none for any
// other number.
std::unique_ptr<TDitherEngine> CreateDitherer(uint8_t mode, int32_t width, TColorLookup& lookup);

}  // namespace gif
