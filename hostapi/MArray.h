#pragma once

#include <cassert>
#include <vector>

// The host's growable arrays (MIntArray, MFloatArray, MPointArray, ...). Clearing keeps
// the capacity, so an array reused across calls stops allocating once it has grown.
template <typename T>
class MArray {
public:
    MArray() = default;
    MArray(unsigned length, const T& value = T()) : items_(length, value) {}

    void append(const T& item) { items_.push_back(item); }
    void clear() { items_.clear(); }
    unsigned length() const { return static_cast<unsigned>(items_.size()); }
    void setLength(unsigned length) { items_.resize(length); }
    void remove(unsigned index) {
        assert(index < items_.size());
        items_.erase(items_.begin() + index);
    }

    T& operator[](unsigned index) {
        assert(index < items_.size());
        return items_[index];
    }
    const T& operator[](unsigned index) const {
        assert(index < items_.size());
        return items_[index];
    }

    const std::vector<T>& items() const { return items_; }
    std::vector<T>& items() { return items_; }

private:
    std::vector<T> items_;
};

class MString;
class MPoint;
using MIntArray = MArray<int>;
using MFloatArray = MArray<float>;
using MDoubleArray = MArray<double>;
using MStringArray = MArray<MString>;
using MPointArray = MArray<MPoint>;
