#include "utbDyn.h"

TTableauDynamique::TTableauDynamique(int32_t increment, int32_t elementSize)
    : increment_(increment < 1 ? 1 : increment), elementSize_(elementSize), capacity_(increment_) {}

TTableauDynamique::TTableauDynamique(const TTableauDynamique& o)
    : increment_(o.increment_),
      elementSize_(o.elementSize_),
      capacity_(o.capacity_),
      count_(o.count_) {
  if (o.data_) {
    const size_t bytes = size_t(capacity_) * size_t(elementSize_);
    data_ = std::make_unique<uint8_t[]>(bytes);
    std::memcpy(data_.get(), o.data_.get(), bytes);
  }
}

TTableauDynamique& TTableauDynamique::operator=(const TTableauDynamique& o) {
  if (this != &o) {
    TTableauDynamique copy(o);
    std::swap(increment_, copy.increment_);
    std::swap(elementSize_, copy.elementSize_);
    std::swap(capacity_, copy.capacity_);
    std::swap(count_, copy.count_);
    std::swap(data_, copy.data_);
  }
  return *this;
}

void TTableauDynamique::Add(const void* element) {
  const size_t es = size_t(elementSize_);
  if (!data_) data_ = std::make_unique<uint8_t[]>(size_t(capacity_) * es);
  ++count_;
  if (count_ > capacity_) {
    const int32_t old = capacity_;
    capacity_ += increment_;
    auto grown = std::make_unique<uint8_t[]>(size_t(capacity_) * es);
    std::memcpy(grown.get(), data_.get(), size_t(old) * es);
    data_ = std::move(grown);
  }
  if (element) std::memcpy(Item(count_), element, es);
}

void TTableauDynamique::Clear() {
  data_.reset();
  count_ = 0;
  capacity_ = increment_;
}
