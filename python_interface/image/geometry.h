// Plain geometry values and validated ranges; they never call the library.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "library/exceptions.h"

namespace tarn::lux {

struct Size2D {
  size_t width = 0;
  size_t height = 0;
  static Size2D New(size_t width, size_t height) { return Size2D{width, height}; }
};

struct Point2D {
  size_t x = 0;
  size_t y = 0;
  static Point2D New(size_t x, size_t y) { return Point2D{x, y}; }
};

struct ScaleFactor {
  double x = 0.0;
  double y = 0.0;
  static ScaleFactor New(double x, double y) { return ScaleFactor{x, y}; }
};

inline bool operator==(const Size2D &a, const Size2D &b) { return a.width == b.width && a.height == b.height; }
inline bool operator!=(const Size2D &a, const Size2D &b) { return !(a == b); }
inline bool operator==(const Point2D &a, const Point2D &b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(const Point2D &a, const Point2D &b) { return !(a == b); }

class Rect2D {
 public:
  Rect2D(size_t x, size_t y, size_t width, size_t height) : topLeft_{x, y}, size_{width, height} {}
  Rect2D(const Point2D &topLeft, const Size2D &size) : topLeft_(topLeft), size_(size) {}

  Point2D topLeft() const { return topLeft_; }
  Size2D size() const { return size_; }
  size_t left() const { return topLeft_.x; }
  size_t top() const { return topLeft_.y; }
  size_t right() const { return topLeft_.x + size_.width; }
  size_t bottom() const { return topLeft_.y + size_.height; }
  void setSize(const Size2D &size) { size_ = size; }
  void setWidth(size_t width) { size_.width = width; }
  void setHeight(size_t height) { size_.height = height; }
  void setX(size_t x) { topLeft_.x = x; }
  void setY(size_t y) { topLeft_.y = y; }

  friend bool operator==(const Rect2D &a, const Rect2D &b) { return a.topLeft_ == b.topLeft_ && a.size_ == b.size_; }
  friend bool operator!=(const Rect2D &a, const Rect2D &b) { return !(a == b); }

 private:
  Point2D topLeft_;
  Size2D size_;
};

namespace detail {

// Relative equality within one unit of double rounding.
inline bool nearlyEqual(double a, double b) {
  return std::fabs(a - b) <= std::numeric_limits<double>::epsilon() * std::max({1.0, std::fabs(a), std::fabs(b)});
}

}  // namespace detail

// An immutable, validated [minimum, maximum] range with an increment.
template <class T>
class Range {
 public:
  Range(T minimum, T maximum, T increment) : minimum_(minimum), maximum_(maximum), increment_(increment) {
    if (minimum_ > maximum_) throw InvalidArgumentException("min > max is not allowed!");
    if (incrementExceedsSpan()) throw InvalidArgumentException("inc > max - min is not allowed!");
    if constexpr (std::is_signed_v<T> || std::is_floating_point_v<T>) {
      if (increment_ < T(0)) throw InvalidArgumentException("inc < 0 is not allowed!");
    }
    if (boundsEqual()) throw InvalidArgumentException("min == max is not allowed!");
  }

  T Minimum() const { return minimum_; }
  T Maximum() const { return maximum_; }
  T Increment() const { return increment_; }

  bool InRange(T value) const {
    if (value < minimum_ || value > maximum_) return false;
    if constexpr (std::is_floating_point_v<T>) {
      return detail::nearlyEqual(increment_, 0.0) || detail::nearlyEqual(std::fmod(value, increment_), 0.0);
    } else {
      return increment_ == 0 || value % increment_ == 0;
    }
  }

 private:
  bool incrementExceedsSpan() const {
    if constexpr (std::is_floating_point_v<T>) {
      return increment_ > maximum_ - minimum_;
    } else {
      // The span of a 32-bit signed range can exceed 32 bits.
      return static_cast<int64_t>(increment_) > static_cast<int64_t>(maximum_) - static_cast<int64_t>(minimum_);
    }
  }
  bool boundsEqual() const {
    if constexpr (std::is_floating_point_v<T>)
      return detail::nearlyEqual(minimum_, maximum_);
    else
      return minimum_ == maximum_;
  }

  T minimum_;
  T maximum_;
  T increment_;
};

}  // namespace tarn::lux
