#pragma once
// An owning list: it holds its items and frees them, last first, when cleared or destroyed.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

template <typename T>
class TListEx {
public:
    explicit TListEx(std::size_t capacity = 0) { FItems.reserve(capacity); }
    ~TListEx() { Clear(); }
    TListEx(const TListEx&) = delete;
    TListEx& operator=(const TListEx&) = delete;

    T* Add(std::unique_ptr<T> item)
    {
        FItems.push_back(std::move(item));
        return FItems.back().get();
    }
    T* Insert(std::size_t index, std::unique_ptr<T> item)
    {
        index = std::min(index, FItems.size());
        return FItems.insert(FItems.begin() + std::ptrdiff_t(index), std::move(item))->get();
    }
    // Takes the item out without freeing it.
    std::unique_ptr<T> Extract(std::size_t index)
    {
        auto item = std::move(FItems[index]);
        FItems.erase(FItems.begin() + std::ptrdiff_t(index));
        return item;
    }
    void Delete(std::size_t index) { Extract(index).reset(); }
    void Clear()
    {
        while (!FItems.empty())
            FItems.pop_back();
    }
    int IndexOf(const T* item) const
    {
        for (std::size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == item)
                return int(i);
        return -1;
    }

    std::size_t Count() const { return FItems.size(); }
    T* operator[](std::size_t index) const { return FItems[index].get(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<T>> FItems;
};
