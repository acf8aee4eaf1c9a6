#pragma once
// Growable array of fixed-size elements, growing one increment at a time. Items count from 1.
#include <cstdint>
#include <cstring>
#include <memory>

class TTableauDynamique {
 public:
  TTableauDynamique(int32_t increment, int32_t elementSize);
  TTableauDynamique(const TTableauDynamique& o);
  TTableauDynamique& operator=(const TTableauDynamique& o);

  // Reserves the next slot and copies the element into it when one is given.
  void Add(const void* element);
  // Address of element i, 1-based; callers keep within 1..count.
  uint8_t* Item(int32_t i) { return data_.get() + size_t(i - 1) * size_t(elementSize_); }
  const uint8_t* Item(int32_t i) const {
    return data_.get() + size_t(i - 1) * size_t(elementSize_);
  }
  void Clear();

  int32_t increment() const { return increment_; }
  int32_t elementSize() const { return elementSize_; }
  int32_t capacity() const { return capacity_; }
  int32_t count() const { return count_; }
  bool hasData() const { return data_ != nullptr; }

 private:
  int32_t increment_;
  int32_t elementSize_;
  int32_t capacity_;
  int32_t count_ = 0;
  std::unique_ptr<uint8_t[]> data_;
};

// Typed view for arrays of trivially copyable elements.
template <class T>
class TTableau : public TTableauDynamique {
 public:
  explicit TTableau(int32_t increment) : TTableauDynamique(increment, int32_t(sizeof(T))) {}
  void Add(const T& v) { TTableauDynamique::Add(&v); }
  T Get(int32_t i) const {
    T v;
    std::memcpy(&v, Item(i), sizeof(T));
    return v;
  }
  void Set(int32_t i, const T& v) { std::memcpy(Item(i), &v, sizeof(T)); }
};
