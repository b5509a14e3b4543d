// Dims: the sizes of an array's dimensions.
//
// A sequence of sizes with the parts of std::vector's interface the program uses.
// Nearly every array has two or three dimensions, so up to four sizes are kept in
// the object itself and only longer lists go to the heap: making a small array
// then costs one allocation (its data) instead of two.
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace rt {

class Dims {
 public:
  using value_type = std::size_t;
  using size_type = std::size_t;
  using iterator = std::size_t*;
  using const_iterator = const std::size_t*;

  Dims() = default;
  Dims(std::initializer_list<std::size_t> sizes) { assignRange(sizes.begin(), sizes.end()); }
  // n sizes, each `value` (as std::vector's constructor).
  explicit Dims(std::size_t n, std::size_t value = 0) { resize(n, value); }
  template <typename It, typename = typename std::iterator_traits<It>::iterator_category>
  Dims(It first, It last) {
    assignRange(first, last);
  }

  std::size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  std::size_t* data() { return n_ <= kInline ? inline_ : heap_.data(); }
  const std::size_t* data() const { return n_ <= kInline ? inline_ : heap_.data(); }
  std::size_t& operator[](std::size_t i) { return data()[i]; }
  std::size_t operator[](std::size_t i) const { return data()[i]; }
  std::size_t at(std::size_t i) const {
    if (i >= n_) throw std::out_of_range("rt::Dims::at");
    return data()[i];
  }
  std::size_t& back() { return data()[n_ - 1]; }
  std::size_t back() const { return data()[n_ - 1]; }
  iterator begin() { return data(); }
  iterator end() { return data() + n_; }
  const_iterator begin() const { return data(); }
  const_iterator end() const { return data() + n_; }

  void resize(std::size_t n, std::size_t value = 0) {
    if (n <= kInline) {
      if (n_ > kInline) std::copy_n(heap_.data(), n, inline_);
      heap_.clear();
      for (std::size_t i = n_; i < n; ++i) inline_[i] = value;
    } else {
      if (n_ <= kInline) heap_.assign(inline_, inline_ + n_);
      heap_.resize(n, value);
    }
    n_ = n;
  }
  void push_back(std::size_t size) {
    resize(n_ + 1);
    back() = size;
  }
  void pop_back() { resize(n_ - 1); }
  void clear() { resize(0); }
  void assign(std::size_t n, std::size_t value) {
    clear();
    resize(n, value);
  }

  friend bool operator==(const Dims& a, const Dims& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  template <typename It>
  void assignRange(It first, It last) {
    clear();
    for (; first != last; ++first) push_back(static_cast<std::size_t>(*first));
  }

  static constexpr std::size_t kInline = 4;
  std::size_t n_ = 0;
  std::size_t inline_[kInline] = {};
  std::vector<std::size_t> heap_;  // the sizes when there are more than kInline
};

}  // namespace rt
