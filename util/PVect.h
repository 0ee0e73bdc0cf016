#ifndef UTIL_PVECT_H
#define UTIL_PVECT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

// Growable array of plain values (pointers, bytes). The vector owns its
// storage and nothing else: for a vector of pointers the owner deletes the
// pointees itself, walking 0 .. count() - 1, before the vector goes.
//
// count() is one past the highest index ever written through at(); slots
// gained by growing are not initialised, so walk only below count().
template <class T>
class PVect
{
    static_assert(std::is_trivially_copyable<T>::value,
                  "PVect moves its elements by byte copy");

public:
    explicit PVect(uint32_t growStep) : capacity_(0), step_(growStep ? growStep : 1), count_(0), items_(nullptr) {}
    ~PVect() { delete[] items_; }

    PVect(const PVect &) = delete;
    PVect &operator=(const PVect &) = delete;

    // Makes room for at least n elements, growing by exactly the missing
    // slots. count() is unchanged.
    bool reserve(uint32_t n)
    {
        if (capacity_ >= n)
            return true;
        return grow(n - capacity_);
    }

    // Element i, growing by whole steps when i is beyond the storage. If the
    // growth fails the last existing slot is returned and count() is kept.
    T &at(uint32_t i)
    {
        if (i >= capacity_) {
            uint64_t by = (uint64_t(i - capacity_) / step_ + 1) * uint64_t(step_);
            if (by > UINT32_MAX || !grow(uint32_t(by)))
                return lastSlot();
        }
        if (i >= count_)
            count_ = i + 1;
        return items_[i];
    }

    // Slot min(i, capacity() - 1); never grows, never changes count().
    T &get(uint32_t i)
    {
        if (i >= capacity_)
            return lastSlot();
        return items_[i];
    }

    // Forgets what was written; the storage is kept for reuse.
    void clear() { count_ = 0; }
    // Forgets what was written and gives the storage back.
    void release()
    {
        delete[] items_;
        items_ = nullptr;
        capacity_ = 0;
        count_ = 0;
    }

    uint32_t count() const { return count_; }
    uint32_t capacity() const { return capacity_; }
    uint32_t step() const { return step_; }
    T *items() { return items_; }
    const T *items() const { return items_; }

private:
    // A growth that cannot be had leaves the vector exactly as it was and
    // says so: an exhausted allocator (in a 32-bit process long before the
    // machine runs out of memory, as a growth needs the old and the new
    // array at once) must not end the program with everything it held.
    bool grow(uint32_t by)
    {
        if (by > UINT32_MAX - capacity_)
            return false;
        // No array larger than PTRDIFF_MAX bytes: in a 32-bit process with
        // the whole 4 GiB a larger one could be had, but pointer differences
        // across it would overflow.
        if (uint64_t(capacity_) + by > uint64_t(PTRDIFF_MAX) / sizeof(T))
            return false;
        T *fresh = new (std::nothrow) T[size_t(capacity_) + by];
        if (!fresh)
            return false;
        if (items_) {
            std::memcpy(static_cast<void *>(fresh), static_cast<const void *>(items_), size_t(capacity_) * sizeof(T));
            delete[] items_;
        }
        items_ = fresh;
        capacity_ += by;
        return true;
    }

    // Callers test count() before asking for a slot of an empty vector; if
    // one does anyway it gets a scratch slot rather than memory before the
    // array.
    T &lastSlot()
    {
        if (capacity_ == 0) {
            static T scratch;
            return scratch;
        }
        return items_[capacity_ - 1];
    }

    uint32_t capacity_;
    uint32_t step_;
    uint32_t count_;
    T *items_;
};

#endif
