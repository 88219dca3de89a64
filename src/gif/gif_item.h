// The base of every block of a GIF file, and the owned lists of blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gif/gif_error.h"
#include "platform/core/arith.h"
#include "platform/core/stream.h"

namespace gif {

class TGIFImage;

// The file version a block needs; a picture without frames has none.
enum class GIFVersion : uint8_t { Unknown = 0, GIF87a = 1, GIF89a = 2 };

class TGIFItem {
public:
    explicit TGIFItem(TGIFImage* image) : image_(image) {}
    virtual ~TGIFItem() = default;
    TGIFItem(const TGIFItem&) = delete;
    TGIFItem& operator=(const TGIFItem&) = delete;

    TGIFImage* Image() const { return image_; }

    // A block with no rule of its own is GIF87a.
    virtual GIFVersion GetVersion() const { return GIFVersion::GIF87a; }
    // Reports a recoverable problem to the picture, this block as the sender.
    virtual void Warning(uint8_t severity, Message message) const;

    virtual void SaveToStream(platform::Stream& stream) const = 0;
    virtual void LoadFromStream(platform::Stream& stream) = 0;
    void SaveToFile(const std::string& path) const;
    void LoadFromFile(const std::string& path);

protected:
    TGIFImage* image_;
};

// Reports a warning of a list to its picture, the list as the sender.
void ListWarning(TGIFImage* image, const void* list, uint8_t severity, Message message);

// Blocks owned in file order.
template <typename T>
class TGIFList {
public:
    explicit TGIFList(TGIFImage* image) : image_(image) {}
    virtual ~TGIFList() { Clear(); }
    TGIFList(const TGIFList&) = delete;
    TGIFList& operator=(const TGIFList&) = delete;

    TGIFImage* Image() const { return image_; }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // The item at `index`; an index outside the list raises the range error.
    T* Items(int32_t index) const {
        platform::CheckRange(index, 0, Count() - 1);
        return items_[static_cast<size_t>(index)].get();
    }
    // Appends an item and returns its index.
    int32_t Add(std::unique_ptr<T> item) {
        items_.push_back(std::move(item));
        Entered(*items_.back());
        return Count() - 1;
    }
    // Removes and frees the item at `index`.
    void Delete(int32_t index) {
        platform::CheckRange(index, 0, Count() - 1);
        std::unique_ptr<T> item = std::move(items_[static_cast<size_t>(index)]);
        items_.erase(items_.begin() + index);
        Left(*item);
        item.reset();
    }
    // Removes and frees the items whose flag in `marked` (by index) is set,
    // in one pass: a picture of many frames loses any number of them in time
    // linear in their number.
    void Delete(const std::vector<bool>& marked) {
        size_t kept = 0;
        std::vector<std::unique_ptr<T>> gone;
        for (size_t i = 0; i < items_.size(); ++i) {
            if (i < marked.size() && marked[i]) {
                gone.push_back(std::move(items_[i]));
            } else {
                items_[kept++] = std::move(items_[i]);
            }
        }
        items_.resize(kept);
        for (auto& item : gone) {
            Left(*item);
            item.reset();
        }
    }
    // Takes an item out of the list without freeing it; none when it is not in
    // the list.
    std::unique_ptr<T> Remove(const T* item) {
        for (auto it = items_.begin(); it != items_.end(); ++it) {
            if (it->get() == item) {
                std::unique_ptr<T> taken = std::move(*it);
                items_.erase(it);
                Left(*taken);
                return taken;
            }
        }
        return nullptr;
    }
    // Frees the items, the first one first, each once: a picture of many
    // frames goes in time linear in their number. The list is already empty
    // while they go.
    void Clear() {
        std::vector<std::unique_ptr<T>> items = std::move(items_);
        items_.clear();
        for (auto& item : items) {
            Left(*item);
            item.reset();
        }
    }

    void Warning(uint8_t severity, Message message) const {
        ListWarning(image_, this, severity, message);
    }
    void SaveToStream(platform::Stream& stream) const {
        for (const auto& item : items_) item->SaveToStream(stream);
    }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

protected:
    // An item has come into the list, or gone out of it (still whole); while
    // the list is destroyed, items go without a word.
    virtual void Entered(T&) {}
    virtual void Left(T&) {}

private:
    TGIFImage* image_;
    std::vector<std::unique_ptr<T>> items_;
};

}  // namespace gif
