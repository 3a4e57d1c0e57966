#pragma once
// A double-ended queue of plain values (pairs, integers) in one ring buffer that
// doubles when full and never shrinks. The reader appends a decoded
// character per call and its callers consume from the front, so the queue
// cycles through the same few slots: after the first characters it never
// allocates again (a std::deque allocates and frees a block every few dozen
// elements on such a cycle).
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>

namespace zin {

template <typename T>
class TRingDeque {
    static_assert(std::is_trivially_destructible_v<T>, "values are overwritten, never destroyed");

public:
    TRingDeque() = default;
    TRingDeque(const TRingDeque& other) { *this = other; }
    TRingDeque& operator=(const TRingDeque& other)
    {
        if (this != &other) {
            clear();
            for (size_t i = 0; i < other.size(); ++i)
                push_back(other[i]);
        }
        return *this;
    }

    size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    void clear() { FHead = FSize = 0; }

    T& operator[](size_t i) { return FData[(FHead + i) & FMask]; }
    const T& operator[](size_t i) const { return FData[(FHead + i) & FMask]; }
    T& front() { return (*this)[0]; }
    const T& front() const { return (*this)[0]; }
    T& back() { return (*this)[FSize - 1]; }
    const T& back() const { return (*this)[FSize - 1]; }

    void push_back(const T& v)
    {
        if (FSize == FCapacity)
            Grow();
        FData[(FHead + FSize) & FMask] = v;
        ++FSize;
    }
    template <typename... A>
    T& emplace_back(A&&... args)
    {
        push_back(T(std::forward<A>(args)...));
        return back();
    }
    void push_front(const T& v)
    {
        if (FSize == FCapacity)
            Grow();
        FHead = (FHead + FCapacity - 1) & FMask;
        FData[FHead] = v;
        ++FSize;
    }
    void pop_front()
    {
        FHead = (FHead + 1) & FMask;
        --FSize;
    }
    void pop_back() { --FSize; }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;
        const_iterator(const TRingDeque* q, size_t i) : FQ(q), FI(i) {}
        const T& operator*() const { return (*FQ)[FI]; }
        const T* operator->() const { return &(*FQ)[FI]; }
        const_iterator& operator++() { ++FI; return *this; }
        const_iterator operator++(int) { const_iterator t = *this; ++FI; return t; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.FI == b.FI; }

    private:
        const TRingDeque* FQ;
        size_t FI;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, FSize); }

private:
    void Grow()
    {
        const size_t capacity = FCapacity ? FCapacity * 2 : 16;
        auto data = std::make_unique<T[]>(capacity);
        for (size_t i = 0; i < FSize; ++i)
            data[i] = (*this)[i];
        FData = std::move(data);
        FCapacity = capacity;
        FMask = capacity - 1;
        FHead = 0;
    }

    std::unique_ptr<T[]> FData;
    size_t FCapacity = 0;
    size_t FMask = 0;
    size_t FHead = 0;
    size_t FSize = 0;
};

}  // namespace zin
